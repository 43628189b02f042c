// The office index at a million drawings: builds an index of generated
// drawings through the indexer's storage code (IndexStore::Store, the
// statements `index --to` writes with: COPY into staging tables, then one
// transaction per batch), and measures its size, the build rate, search
// latency for pieces of 2, 3 and 5+ characters (ASCII and Japanese) and an
// OR of three pieces, and 20 clients searching at once. Each search goes
// through SearchIndex, the query `search --index` runs.
//
// usage: office_index_bench URL [DRAWINGS] [--no-build]
//   URL       a database of its own (its index is replaced)
//   DRAWINGS  how many drawings to generate (default 1000000)
//
// Each drawing has about 20 lines: 14 from the vocabulary of
// bench/make_tree.py (common words, in most drawings), a drawing number, a
// room line of five kanji drawn from 60 (so a 2-kanji piece is in about a
// thousand drawings, a 3-kanji one in about ten), a line of two six-letter
// made-up words, a scale and a dimension; one drawing in a hundred holds
// 排煙窓. Paths are nested folders of 40 entries.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "index/index_query.h"
#include "index/index_store.h"
#include "index/schema.h"
#include "match/keywords.h"
#include "match/line_match.h"
#include "platform/encoding.h"
#include "search/criteria.h"

namespace {

using Clock = std::chrono::steady_clock;

const char* kWords[] = {"平面図",
                        "配置図",
                        "立面図",
                        "断面図",
                        "矩計図",
                        "天井伏図",
                        "建具表",
                        "仕上表",
                        "縮尺 1/100",
                        "ガラス",
                        "ｶﾞﾗｽ",
                        "外壁 タイル貼り",
                        "鉄筋コンクリート造",
                        "ＲＣ造",
                        "耐火被覆",
                        "設備配管",
                        "給水",
                        "排水",
                        "照明器具",
                        "コンセント",
                        "防火戸",
                        "Floor Plan",
                        "Section A-A",
                        "Detail",
                        "Note",
                        "N.T.S."};
const char* kKanji =
    "東西南北上下左右前後内外大小高低新旧長短広狭明暗春夏秋冬山川海空森林花草木石金銀銅鉄水火"
    "風雷雪雨";
constexpr int kKanjiCount = 60;
constexpr int kLinesTarget = 20;
constexpr const char* kRoot = "/bench/drawings";

std::string Kanji(int k) {
    // Each is three bytes of UTF-8.
    return std::string(kKanji + 3 * k, 3);
}

std::string Sjis(const std::string& utf8) { return Utf8ToCp932(utf8).value(); }

std::string MadeUpWord(std::mt19937& random) {
    std::string word;
    for (int k = 0; k < 6; ++k) word += static_cast<char>('a' + random() % 26);
    return word;
}

std::string FolderOf(int64_t n) {
    // Nested folders of 40 entries: d/d/d/file.
    char path[96];
    std::snprintf(path, sizeof path, "%s/%02lld/%02lld/%02lld/p%07lld.dxf", kRoot,
                  static_cast<long long>(n / 64000 % 40), static_cast<long long>(n / 1600 % 40),
                  static_cast<long long>(n / 40 % 40), static_cast<long long>(n));
    return path;
}

// The lines of drawing `n`, in CP932.
std::vector<std::pair<TextKind, std::string>> LinesOf(int64_t n, std::mt19937& random) {
    std::vector<std::pair<TextKind, std::string>> lines;
    for (int k = 0; k < 14; ++k) {
        lines.emplace_back(TextKind::Text, Sjis(kWords[random() % std::size(kWords)]));
    }
    char number[32];
    std::snprintf(number, sizeof number, "図番 PS-%07lld", static_cast<long long>(n));
    lines.emplace_back(TextKind::Attrib, Sjis(number));
    std::string room = "室名 ";
    for (int k = 0; k < 5; ++k) room += Kanji(random() % kKanjiCount);
    lines.emplace_back(TextKind::MText, Sjis(room));
    lines.emplace_back(TextKind::Text, MadeUpWord(random) + " " + MadeUpWord(random));
    lines.emplace_back(TextKind::Text, Sjis("縮尺 1/" + std::to_string(50 + random() % 4 * 50)));
    lines.emplace_back(TextKind::Dimension, std::to_string(900 + random() % 9000));
    if (random() % 100 == 0) lines.emplace_back(TextKind::Text, Sjis("排煙窓（２階）"));
    return lines;
}

IndexedDrawing DrawingOf(int64_t n, std::mt19937& random, std::string& cleaned,
                         std::string& folded) {
    IndexedDrawing drawing;
    drawing.path = FolderOf(n);
    drawing.typeBit = TYPE_DXF;
    drawing.generation = 1;
    drawing.status.isRegularFile = true;
    drawing.status.size = 10000 + static_cast<int64_t>(random() % 190000);
    drawing.status.modificationTime = 1700000000 + static_cast<int64_t>(random() % 50000000);
    drawing.status.modificationNanos = drawing.status.modificationTime * 1000000000;
    drawing.status.inode = static_cast<uint64_t>(n) + 1;
    IndexedChunk chunk;
    for (const auto& [kind, text] : LinesOf(n, random)) {
        std::string_view seen = CleanAndFold({kind, text}, cleaned, folded);
        chunk.Add(kind, seen, folded);
    }
    drawing.chunks.push_back(std::move(chunk));
    return drawing;
}

std::unique_ptr<PgConnection> Connect(const std::string& url) {
    DbResult<std::unique_ptr<PgConnection>> connection = PgConnection::Connect(
        url, {.connect = std::chrono::seconds(10), .query = std::chrono::minutes(30)});
    if (!connection) {
        std::fprintf(stderr, "%s\n", connection.Error().message.c_str());
        std::exit(2);
    }
    return std::move(*connection);
}

void Build(PgConnection& connection, int64_t drawings, int64_t& lines) {
    if (!connection.Execute("DROP SCHEMA IF EXISTS plotsieve CASCADE")) std::exit(2);
    if (DbResult<void> made = MigrateIndexSchema(connection); !made) {
        std::fprintf(stderr, "%s\n", made.Error().message.c_str());
        std::exit(2);
    }
    IndexStore store(connection);
    DbResult<IndexRoot> root = store.AddRoot(kRoot);
    if (!root) std::exit(2);
    std::mt19937 random(26);
    std::string cleaned, folded;
    constexpr int64_t kBatch = 2000;
    Clock::time_point start = Clock::now();
    for (int64_t first = 0; first < drawings; first += kBatch) {
        std::vector<IndexedDrawing> batch;
        for (int64_t n = first; n < std::min(drawings, first + kBatch); ++n) {
            batch.push_back(DrawingOf(n, random, cleaned, folded));
            lines += static_cast<int64_t>(batch.back().chunks[0].count);
        }
        if (DbResult<void> stored = store.Store(*root, batch); !stored) {
            std::fprintf(stderr, "%s\n", stored.Error().message.c_str());
            std::exit(2);
        }
        if ((first / kBatch) % 50 == 0) {
            double seconds = std::chrono::duration<double>(Clock::now() - start).count();
            std::fprintf(stderr, "\r%lld drawings, %.0f/s", static_cast<long long>(first + kBatch),
                         (first + kBatch) / seconds);
        }
    }
    (void)store.NoteScanCompleted(root->id);
    (void)connection.Execute("VACUUM ANALYZE plotsieve.drawings, plotsieve.texts");
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf(
        "\nbuild: %lld drawings, %lld lines in %.0f s: %.0f drawings/s (storage code, "
        "generated lines)\n",
        static_cast<long long>(drawings), static_cast<long long>(lines), seconds,
        drawings / seconds);
}

void ReportSize(PgConnection& connection, int64_t drawings, int64_t lines) {
    DbResult<PgResult> sizes = connection.Query(
        "SELECT pg_total_relation_size('plotsieve.drawings'),"
        " pg_total_relation_size('plotsieve.texts'),"
        " pg_relation_size('plotsieve.texts_folded'),"
        " (SELECT count(*) FROM plotsieve.drawings)");
    if (!sizes) return;
    int64_t drawingBytes = sizes->Row(0).Int(0);
    int64_t textBytes = sizes->Row(0).Int(1);
    int64_t trigramBytes = sizes->Row(0).Int(2);
    int64_t rows = sizes->Row(0).Int(3);
    if (lines == 0) lines = rows * kLinesTarget;  // not built now: about
    double total = static_cast<double>(drawingBytes + textBytes);
    std::printf(
        "size: drawings %.0f MB, texts %.0f MB (trigram index %.0f MB): %.0f KB per 1,000 "
        "drawings, %.0f bytes per line (%lld drawings, %lld lines)\n",
        drawingBytes / 1e6, textBytes / 1e6, trigramBytes / 1e6,
        total / (static_cast<double>(rows) / 1000) / 1000, total / lines,
        static_cast<long long>(rows), static_cast<long long>(lines));
    (void)drawings;
}

struct Timing {
    double first = 0;     // seconds to the first row (the whole search when there is none)
    double complete = 0;  // seconds to the last
    int64_t rows = 0;
};

Timing TimeSearch(PgConnection& connection, const std::vector<std::string>& piecesUtf8) {
    std::string keyword;
    for (const std::string& piece : piecesUtf8) keyword += (keyword.empty() ? "" : "|") + piece;
    IndexSearch search{.passes = {PrepareKeywords(Sjis(keyword))}, .place = kRoot};
    Timing timing;
    Clock::time_point start = Clock::now();
    DbResult<IndexSearchOutcome> outcome = SearchIndex(connection, search, [&](ResultRecord, int) {
        if (timing.rows++ == 0) {
            timing.first = std::chrono::duration<double>(Clock::now() - start).count();
        }
        return true;
    });
    timing.complete = std::chrono::duration<double>(Clock::now() - start).count();
    if (timing.rows == 0) timing.first = timing.complete;
    if (!outcome) std::fprintf(stderr, "search: %s\n", outcome.Error().message.c_str());
    return timing;
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    size_t at = std::min(values.size() - 1, static_cast<size_t>(p * values.size()));
    return values[at];
}

// A piece of each class, drawn at random.
std::vector<std::string> PieceOf(const std::string& kind, std::mt19937& random, int64_t drawings) {
    auto kanji = [&](int count) {
        std::string piece;
        for (int k = 0; k < count; ++k) piece += Kanji(random() % kKanjiCount);
        return piece;
    };
    auto letters = [&](int count) {
        std::string piece;
        for (int k = 0; k < count; ++k) piece += static_cast<char>('a' + random() % 26);
        return piece;
    };
    if (kind == "ascii-2") return {letters(2)};
    if (kind == "ascii-3") return {letters(3)};
    if (kind == "ascii-5+") {
        char number[16];
        std::snprintf(number, sizeof number, "PS-%07lld",
                      static_cast<long long>(random() % drawings));
        return {random() % 2 ? std::string(number) : letters(5)};
    }
    if (kind == "japanese-2") return {kanji(2)};
    if (kind == "japanese-3") return {kanji(3)};
    if (kind == "japanese-5+") return {kanji(5)};
    return {kanji(3), letters(3), kanji(3)};  // "or-of-3"
}

// The 95th percentile of `values` among the searches of at most 1,000 rows
// (the goals' bound), or -1 when there is none.
double BoundedPercentile95(const std::vector<double>& values, const std::vector<int64_t>& rows) {
    std::vector<double> bounded;
    for (size_t k = 0; k < values.size(); ++k) {
        if (rows[k] <= 1000) bounded.push_back(values[k]);
    }
    return bounded.empty() ? -1 : Percentile(bounded, 0.95);
}

void MeasureLatency(PgConnection& connection, int64_t drawings) {
    std::mt19937 random(7);
    std::printf("%-12s %8s %8s %8s %8s %10s %9s %9s\n", "pieces", "first50", "first95", "all50",
                "all95", "rows(avg)", "first95*", "all95*");
    for (const char* kind :
         {"ascii-2", "japanese-2", "ascii-3", "japanese-3", "ascii-5+", "japanese-5+", "or-of-3"}) {
        std::vector<double> first, complete;
        std::vector<int64_t> rowsOf;
        int64_t rows = 0;
        for (int q = 0; q < 100; ++q) {
            Timing timing = TimeSearch(connection, PieceOf(kind, random, drawings));
            first.push_back(timing.first);
            complete.push_back(timing.complete);
            rowsOf.push_back(timing.rows);
            rows += timing.rows;
        }
        std::printf("%-12s %7.0fms %7.0fms %7.0fms %7.0fms %10.1f %7.0fms %7.0fms\n", kind,
                    1000 * Percentile(first, 0.5), 1000 * Percentile(first, 0.95),
                    1000 * Percentile(complete, 0.5), 1000 * Percentile(complete, 0.95),
                    rows / 100.0, 1000 * BoundedPercentile95(first, rowsOf),
                    1000 * BoundedPercentile95(complete, rowsOf));
        std::fflush(stdout);
    }
    std::printf("(* among the searches of at most 1,000 rows)\n");
}

void MeasureClients(const std::string& url, int64_t drawings) {
    constexpr int kClients = 20;
    constexpr int kEach = 10;
    std::vector<double> complete;
    std::vector<int64_t> rowsOf;
    std::mutex mutex;
    std::vector<std::thread> clients;
    Clock::time_point start = Clock::now();
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            std::unique_ptr<PgConnection> connection = Connect(url);
            std::mt19937 random(100 + c);
            const char* kinds[] = {"ascii-3", "japanese-3", "ascii-5+", "japanese-5+", "or-of-3"};
            for (int q = 0; q < kEach; ++q) {
                Timing timing = TimeSearch(
                    *connection, PieceOf(kinds[random() % std::size(kinds)], random, drawings));
                std::lock_guard lock(mutex);
                complete.push_back(timing.complete);
                rowsOf.push_back(timing.rows);
            }
        });
    }
    for (std::thread& client : clients) client.join();
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf(
        "20 clients at once, %d searches of 3+ characters each: p50 %.0f ms, p95 %.0f ms "
        "(%.1f searches/s); p95 of those of at most 1,000 rows %.0f ms\n",
        kEach, 1000 * Percentile(complete, 0.5), 1000 * Percentile(complete, 0.95),
        complete.size() / seconds, 1000 * BoundedPercentile95(complete, rowsOf));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: office_index_bench URL [DRAWINGS] [--no-build]\n");
        return 2;
    }
    const std::string url = argv[1];
    int64_t drawings = 1000000;
    bool build = true;
    for (int k = 2; k < argc; ++k) {
        if (std::string(argv[k]) == "--no-build") {
            build = false;
        } else {
            drawings = std::atoll(argv[k]);
        }
    }
    std::unique_ptr<PgConnection> connection = Connect(url);
    int64_t lines = 0;
    if (build) Build(*connection, drawings, lines);
    ReportSize(*connection, drawings, lines);
    MeasureLatency(*connection, drawings);
    MeasureClients(url, drawings);
    return 0;
}

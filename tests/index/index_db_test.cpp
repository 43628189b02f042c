// The store, the query, the indexer and the watcher against a real server:
// what the index answers is what the keyword test finds in the same lines.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "index/index_query.h"
#include "index/index_store.h"
#include "index/index_watcher.h"
#include "index/indexer.h"
#include "index/schema.h"
#include "match/line_match.h"
#include "platform/encoding.h"
#include "tests/index/pg_server.h"
#include "tests/test_support.h"

using testing_support::DxfWithTexts;
using testing_support::Hex;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

using Clock = std::chrono::steady_clock;

std::string Sjis(const char* utf8) { return Utf8ToCp932(utf8).value(); }

// A fresh database with the index's tables, and a connection to it.
std::unique_ptr<PgConnection> NewIndex(std::string* target = nullptr) {
    TestPgServer* server = TestPgServer::Shared();
    if (server == nullptr) return nullptr;
    std::string made = server->NewDatabase();
    if (target != nullptr) *target = made;
    DbResult<std::unique_ptr<PgConnection>> connection = PgConnection::Connect(made);
    EXPECT_TRUE(connection);
    if (!connection) return nullptr;
    DbResult<void> migrated = MigrateIndexSchema(**connection);
    EXPECT_TRUE(migrated) << migrated.Error().message;
    return std::move(*connection);
}

class RecordingReport : public WatchReport {
  public:
    void Progress(const std::string&, const ScanCounts&) override {}
    void Skipped(const std::string& path, const std::string& reason) override {
        skipped.push_back(path + ": " + reason);
    }
    void Notice(const std::string& text) override { notices.push_back(text); }
    void Applied(const ScanCounts&) override {}
    std::vector<std::string> skipped;
    std::vector<std::string> notices;
};

struct Row {
    std::string path;
    std::string matchText;
    std::optional<TextKind> matchKind;
    bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
    return out << ::testing::PrintToString(row.path) << " "
               << ::testing::PrintToString(row.matchText);
}

std::vector<Row> Search(PgConnection& connection, const IndexSearch& search) {
    std::vector<Row> rows;
    DbResult<IndexSearchOutcome> outcome =
        SearchIndex(connection, search, [&](ResultRecord r, int) {
            rows.push_back({r.fullPath, r.matchText, r.matchKind});
            return true;
        });
    EXPECT_TRUE(outcome) << outcome.Error().message;
    return rows;
}

// Test drawings: lines of random characters, as in indexed_form_test.cpp.
const std::vector<std::string> kUnits = {
    "a",          "%",          "_",          "\\",         "'",          "\n",
    Hex("00"),    Hex("1F"),    Hex("FF"),    Hex("80"),    Hex("B1"),    Hex("DE"),
    Hex("82 60"), Hex("95 BD"), Hex("87 90"), Hex("81 E0"), Hex("EE F9"), Hex("81 CA"),
    Hex("88 0A"), Hex("88 41"), Hex("88")};

std::string RandomText(std::mt19937& random, size_t least, size_t most) {
    std::uniform_int_distribution<size_t> count(least, most);
    std::uniform_int_distribution<size_t> unit(0, kUnits.size() - 1);
    std::string text;
    for (size_t n = count(random); n > 0; --n) text += kUnits[unit(random)];
    return text;
}

IndexedChunk Chunk(const ExtractedText& text) {
    IndexedChunk chunk;
    std::string cleaned, folded;
    for (size_t i = 0; i < text.size(); ++i) {
        std::string_view seen = CleanAndFold(text[i], cleaned, folded);
        chunk.Add(text[i].kind, seen, folded);
    }
    return chunk;
}

}  // namespace

TEST(IndexQuery, FindsWhatTheKeywordTestFindsForEveryKindOfCharacter) {
    std::unique_ptr<PgConnection> connection = NewIndex();
    ASSERT_NE(connection, nullptr);
    IndexStore store(*connection);
    DbResult<IndexRoot> root = store.AddRoot("/p");
    ASSERT_TRUE(root);

    // Drawings of one to five lines of random characters, some in two chunks;
    // kinds whose clean-up acts on "%" and "\" among them.
    std::mt19937 random(2026);
    const TextKind kinds[] = {TextKind::Text, TextKind::MText, TextKind::JwText};
    std::vector<std::pair<std::string, std::vector<ExtractedText>>> drawings;
    std::vector<IndexedDrawing> batch;
    for (int d = 0; d < 400; ++d) {
        char name[32];
        std::snprintf(name, sizeof name, "/p/d%04d.dxf", d);
        std::vector<ExtractedText> chunks(d % 7 == 0 ? 2 : 1);
        for (ExtractedText& text : chunks) {
            for (int line = random() % 5; line >= 0; --line) {
                text.Add(kinds[random() % 3], RandomText(random, 0, 6));
            }
        }
        IndexedDrawing drawing{.path = name, .status = {}, .typeBit = TYPE_DXF};
        drawing.status.isRegularFile = true;
        for (const ExtractedText& text : chunks) drawing.chunks.push_back(Chunk(text));
        batch.push_back(std::move(drawing));
        drawings.emplace_back(name, std::move(chunks));
    }
    ASSERT_TRUE(store.Store(*root, batch));

    auto expected = [&](const std::vector<KeywordList>& passes) {
        std::vector<Row> rows;
        for (const auto& [path, chunks] : drawings) {
            bool all = true;
            std::optional<LineMatch> where;
            for (const KeywordList& pieces : passes) {
                std::optional<LineMatch> found;
                for (const ExtractedText& text : chunks) {
                    if ((found = FindMatchingLine(text, pieces))) break;
                }
                all = all && found.has_value();
                where = found;
            }
            if (all) rows.push_back({path, where->text, where->kind});
        }
        return rows;
    };
    int searches = 0;
    int hits = 0;
    for (int round = 0; round < 120; ++round) {
        // One to three pieces a list, one or two lists; match forms of random
        // text, and raw pieces (a lone lead byte at the end among them).
        std::vector<KeywordList> passes(round % 4 == 0 ? 2 : 1);
        for (KeywordList& pieces : passes) {
            for (int k = 1 + random() % 3; k > 0; --k) {
                std::string piece = RandomText(random, 1, 2);
                if (round % 3 != 0) piece = MatchForm(piece);
                if (!piece.empty()) pieces.push_back(piece);
            }
            if (pieces.empty()) pieces.push_back(Hex("88"));
        }
        IndexSearch search{.passes = passes, .place = "/p"};
        std::vector<Row> want = expected(passes);
        ASSERT_EQ(Search(*connection, search), want) << "round " << round;
        ++searches;
        hits += static_cast<int>(want.size());
    }
    EXPECT_GT(hits, 100) << "the random pieces found too little to compare";
}

TEST(IndexQuery, PlaceSubfoldersTypesDatesAndSizesNarrowAsASearchDoes) {
    std::unique_ptr<PgConnection> connection = NewIndex();
    ASSERT_NE(connection, nullptr);
    IndexStore store(*connection);
    DbResult<IndexRoot> root = store.AddRoot("/srv/d");
    ASSERT_TRUE(root);
    auto drawing = [](const char* path, unsigned type, int64_t size, int64_t modified,
                      int64_t created) {
        IndexedDrawing made{.path = path, .status = {}, .typeBit = type};
        made.status.size = size;
        made.status.modificationTime = modified;
        made.status.creationTime = created;
        made.status.isRegularFile = true;
        ExtractedText text;
        text.Add(TextKind::Text, Sjis("平面図"));
        made.chunks.push_back(Chunk(text));
        return made;
    };
    ASSERT_TRUE(store.Store(*root, {drawing("/srv/d/a.dxf", TYPE_DXF, 1000, 100, 50),
                                    drawing("/srv/d/s/b.jww", TYPE_JW, 5000, 200, 0),
                                    drawing("/srv/d/s/t/c.dxf", TYPE_DXF, 9000, 300, 250),
                                    drawing("/srv/d/sz.dxf", TYPE_DXF, 1, 400, 0)}));
    KeywordList pieces = PrepareKeywords(Sjis("平面"));
    auto paths = [&](IndexSearch search) {
        search.passes = {pieces};
        std::vector<std::string> found;
        for (const Row& row : Search(*connection, search)) found.push_back(row.path);
        return found;
    };
    using Paths = std::vector<std::string>;
    // Walk order; a subfolder's drawings before the parent's later entries.
    EXPECT_EQ(paths({.place = "/srv/d"}),
              (Paths{"/srv/d/a.dxf", "/srv/d/s/b.jww", "/srv/d/s/t/c.dxf", "/srv/d/sz.dxf"}));
    // A place below the root, seen through a mapping, spelled as given.
    EXPECT_EQ(paths({.place = "/mnt/x/s/", .mappings = {{"/srv/d", "/mnt/x"}}}),
              (Paths{"/mnt/x/s/b.jww", "/mnt/x/s/t/c.dxf"}));
    EXPECT_EQ(paths({.place = "/srv/d/s", .subfolders = false}), Paths{"/srv/d/s/b.jww"});
    EXPECT_EQ(paths({.place = "/srv/d/s/b.jww", .placeIsFile = true}), Paths{"/srv/d/s/b.jww"});
    EXPECT_EQ(paths({.place = "/srv", .typeMask = TYPE_JW}), Paths{"/srv/d/s/b.jww"});
    EXPECT_EQ(paths({.place = "/srv/d", .size = {.minSize = 1000, .maxSize = 5000}}),
              (Paths{"/srv/d/a.dxf", "/srv/d/s/b.jww"}));
    // A missing creation time stands in as the modification time.
    EXPECT_EQ(paths({.place = "/srv/d",
                     .date = {.kind = DateKind::Created,
                              .range = DateRange::Between,
                              .earliest = 150,
                              .latest = 300}}),
              (Paths{"/srv/d/s/b.jww", "/srv/d/s/t/c.dxf"}));
    EXPECT_EQ(
        paths(
            {.place = "/srv/d",
             .date = {.kind = DateKind::Modified, .range = DateRange::OnOrBefore, .latest = 100}}),
        Paths{"/srv/d/a.dxf"});
    // No root holds the place: said so.
    IndexSearch outside{.passes = {pieces}, .place = "/elsewhere"};
    DbResult<IndexSearchOutcome> refused =
        SearchIndex(*connection, outside, [](ResultRecord, int) { return true; });
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.Error().message.find("/elsewhere"), std::string::npos);
    // Overlapping roots are refused.
    EXPECT_FALSE(store.AddRoot("/srv/d/s"));
    EXPECT_FALSE(store.AddRoot("/srv"));
}

TEST(Indexer, ReadsOnlyWhatChangedAndRemovesWhatVanished) {
    std::unique_ptr<PgConnection> connection = NewIndex();
    ASSERT_NE(connection, nullptr);
    TempDir dir;
    const std::string root = (dir.path() / "tree").string();
    std::filesystem::create_directories(root + "/sub");
    WriteFileBytes(root + "/a.dxf", DxfWithTexts({Sjis("平面図")}));
    WriteFileBytes(root + "/sub/b.dxf", DxfWithTexts({Sjis("配置図")}));
    WriteFileBytes(root + "/sub/c.dxf", DxfWithTexts({"plan"}));
    WriteFileBytes(root + "/notes.txt", "平面図");

    RecordingReport report;
    std::atomic<bool> cancel{false};
    Indexer indexer(*connection, {.threads = 2, .batchDrawings = 2}, report, cancel);
    DbResult<ScanCounts> first = indexer.ScanRoot(root);
    ASSERT_TRUE(first) << first.Error().message;
    EXPECT_EQ(first->found, 3);
    EXPECT_EQ(first->read, 3);

    DbResult<ScanCounts> again = indexer.ScanRoot(root);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->read, 0);
    EXPECT_EQ(again->unchanged, 3);

    auto found = [&](const char* keyword) {
        std::vector<std::string> paths;
        for (const Row& row :
             Search(*connection, {.passes = {PrepareKeywords(Sjis(keyword))}, .place = root})) {
            paths.push_back(row.path);
        }
        return paths;
    };
    EXPECT_EQ(found("図"), (std::vector<std::string>{root + "/a.dxf", root + "/sub/b.dxf"}));
    // An edit is read again; a removal removes the row.
    WriteFileBytes(root + "/sub/c.dxf", DxfWithTexts({Sjis("立面図")}));
    std::filesystem::remove(root + "/a.dxf");
    DbResult<ScanCounts> edited = indexer.ScanRoot(root);
    ASSERT_TRUE(edited);
    EXPECT_EQ(edited->read, 1);
    EXPECT_EQ(edited->removed, 1);
    EXPECT_EQ(edited->unchanged, 1);
    EXPECT_EQ(found("図"), (std::vector<std::string>{root + "/sub/b.dxf", root + "/sub/c.dxf"}));
    // A place that cannot be read leaves its rows be.
    std::filesystem::rename(root, root + ".away");
    EXPECT_FALSE(indexer.ScanRoot(root));
    std::filesystem::rename(root + ".away", root);
    EXPECT_EQ(found("図").size(), 2u);
    EXPECT_TRUE(report.skipped.empty());
}

TEST(IndexWatcher, ASavedDrawingIsFoundAndARemovedOneGoesWithoutARescan) {
    std::string target;
    std::unique_ptr<PgConnection> connection = NewIndex(&target);
    ASSERT_NE(connection, nullptr);
    TempDir dir;
    const std::string root = (dir.path() / "tree").string();
    std::filesystem::create_directories(root);
    WriteFileBytes(root + "/old.dxf", DxfWithTexts({Sjis("配置図")}));
    RecordingReport report;
    std::atomic<bool> cancel{false};
    {
        Indexer indexer(*connection, {}, report, cancel);
        ASSERT_TRUE(indexer.ScanRoot(root));
    }
    // The rescan is far off: only the watch can find the changes.
    WatchSettings settings{.rescan = std::chrono::minutes(60)};
    DbResult<void> watched = DbError{};
    std::thread watcher([&] {
        watched = WatchPlaces(
            {root}, [&target] { return PgConnection::Connect(target); }, {}, settings, report,
            cancel);
    });
    // Waits (at most a minute: the machine may be slow) for the paths that
    // hold `keyword` to be `paths`; gives how long that took.
    auto waitFor = [&](const char* keyword, const std::vector<std::string>& paths) {
        Clock::time_point start = Clock::now();
        for (;;) {
            std::vector<std::string> found;
            for (const Row& row :
                 Search(*connection, {.passes = {PrepareKeywords(Sjis(keyword))}, .place = root})) {
                found.push_back(row.path);
            }
            if (found == paths) return std::chrono::duration<double>(Clock::now() - start);
            if (Clock::now() - start > std::chrono::seconds(60)) {
                ADD_FAILURE() << keyword << ": " << ::testing::PrintToString(found);
                return std::chrono::duration<double>(0);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    };
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the watch is set up
    WriteFileBytes(root + "/new.dxf", DxfWithTexts({Sjis("排煙窓")}));
    std::chrono::duration<double> saved = waitFor("排煙窓", {root + "/new.dxf"});
    // A folder made with a drawing in it at once, a removal, a folder renamed.
    std::filesystem::create_directories(root + "/made/deeper");
    WriteFileBytes(root + "/made/deeper/x.dxf", DxfWithTexts({Sjis("排煙窓")}));
    waitFor("排煙窓", {root + "/made/deeper/x.dxf", root + "/new.dxf"});
    std::filesystem::remove(root + "/old.dxf");
    waitFor("配置図", {});
    std::filesystem::rename(root + "/made", root + "/renamed");
    waitFor("排煙窓", {root + "/new.dxf", root + "/renamed/deeper/x.dxf"});
    cancel.store(true);
    watcher.join();
    ASSERT_FALSE(watched);
    EXPECT_EQ(watched.Error().kind, DbFailure::Cancelled);
    std::printf("a saved drawing was found after %.2f s\n", saved.count());
}

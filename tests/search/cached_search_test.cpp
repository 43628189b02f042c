// Searches with the text cache: the same hits as without it, and a drawing
// read again whenever it changed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "cache/text_cache.h"
#include "match/keywords.h"
#include "platform/encoding.h"
#include "platform/file_status.h"
#include "search/candidate.h"
#include "search/search_session.h"
#include "tests/search/recording_front_end.h"
#include "tests/test_support.h"

using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

// 平面図 in CP932: a keyword of kanji, which the prefilter looks for.
const std::string kPlan = "\x95\xbd\x96\xca\x90\x7d";

std::string Dxf(const std::string& text) {
    return "  0\nSECTION\n  2\nENTITIES\n  0\nTEXT\n  1\n" + text + "\n  0\nENDSEC\n  0\nEOF\n";
}

// Each row as its path, kind and matched line, in hit order.
std::vector<std::string> Hits(const RecordingFrontEnd& frontEnd) {
    std::vector<std::string> hits;
    for (const ResultRecord& row : frontEnd.rows) {
        hits.push_back(row.fullPath + " " +
                       std::string(row.matchKind ? TextKindName(*row.matchKind) : "-") + " " +
                       row.matchText);
    }
    return hits;
}

struct Searcher {
    RecordingFrontEnd frontEnd;
    SearchSession session;
    explicit Searcher(std::optional<TextCacheSettings> cache, unsigned threads = 2)
        : session(frontEnd, threads) {
        session.UseTextCache(std::move(cache));
    }
    // A search, and then the filling of the cache with what it passed over,
    // as the command line does before it exits.
    std::vector<std::string> Search(const std::string& place, const std::string& keyword) {
        frontEnd.keyword = Utf8ToCp932(keyword).value();
        frontEnd.rows.clear();
        session.StartSearch({.place = place});
        session.Wait();
        session.FinishFilling();
        return Hits(frontEnd);
    }
};

TextCacheStats Stats(const std::string& file) {
    TextCacheStats stats;
    EXPECT_TRUE(TextCache::ReadStats(file, stats));
    return stats;
}

// Sets a file's modification time back to what it was, as a copy that keeps
// times does.
void SetModificationTime(const std::filesystem::path& path, const struct stat& before) {
    struct timespec times[2] = {before.st_atim, before.st_mtim};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

}  // namespace

TEST(CachedSearch, HitsAreTheSameWithAndWithoutTheCacheOnSamplesAndFixtures) {
    TempDir dir;
    std::string file = dir.path() / "text.sqlite";
    std::vector<std::string> places;
    if (auto samples = testing_support::SamplesDir()) places.push_back(samples->string());
    if (auto fixtures = testing_support::FixturesDir()) places.push_back(fixtures->string());
    if (places.empty()) GTEST_SKIP() << "no samples or fixtures";
    const char* keywords[] = {"平面図|配置図", "ｶﾞﾗｽ", "a", "text|1", "°|±", "this is"};
    for (const std::string& place : places) {
        for (const char* keyword : keywords) {
            Searcher plain(std::nullopt);
            std::vector<std::string> expected = plain.Search(place, keyword);
            Searcher filling(TextCacheSettings{file});
            EXPECT_EQ(filling.Search(place, keyword), expected) << place << " " << keyword;
            Searcher cached(TextCacheSettings{file});
            EXPECT_EQ(cached.Search(place, keyword), expected) << place << " " << keyword;
        }
    }
    // The repeat searches found every drawing they read in the cache.
    TextCacheStats stats = Stats(file);
    EXPECT_GT(stats.rows, 0);
    EXPECT_GT(stats.lastLookups, 0);
    EXPECT_EQ(stats.lastHits, stats.lastLookups);
}

TEST(CachedSearch, EveryKindOfChangeIsReadAgain) {
    TempDir dir;
    std::filesystem::path tree = dir.path() / "tree";
    std::filesystem::create_directories(tree);
    std::string file = dir.path() / "text.sqlite";
    WriteFileBytes(tree / "a.dxf", Dxf("alpha"));
    WriteFileBytes(tree / "b.dxf", Dxf("bravo"));
    WriteFileBytes(tree / "c.dxf", Dxf("charlie"));
    WriteFileBytes(tree / "d.dxf", Dxf("delta"));
    Searcher first(TextCacheSettings{file}, 1);
    ASSERT_EQ(first.Search(tree, "alpha|bravo|charlie|delta").size(), 4u);

    struct stat before {};
    // An edit that keeps the size and the modification time: only the change
    // time tells it.
    stat((tree / "a.dxf").c_str(), &before);
    WriteFileBytes(tree / "a.dxf", Dxf("alpho"));
    SetModificationTime(tree / "a.dxf", before);
    // A truncation.
    WriteFileBytes(tree / "b.dxf", Dxf("br"));
    // A rename, and a new file under the old name.
    std::filesystem::rename(tree / "c.dxf", tree / "e.dxf");
    WriteFileBytes(tree / "c.dxf", Dxf("cobalt"));
    // A rewrite by a new file of the same size put in place.
    WriteFileBytes(tree / "d.new", Dxf("delto"));
    std::filesystem::rename(tree / "d.new", tree / "d.dxf");

    Searcher plain(std::nullopt, 1);
    Searcher cached(TextCacheSettings{file}, 1);
    for (const char* keyword : {"alpha|bravo|charlie|delta", "alpho|br|cobalt|delto|charlie"}) {
        EXPECT_EQ(cached.Search(tree, keyword), plain.Search(tree, keyword)) << keyword;
    }
    EXPECT_EQ(cached.Search(tree, "alpha|bravo|delta").size(), 0u);
}

TEST(CachedSearch, TwoSearchesShareOneCacheAtOnce) {
    TempDir dir;
    std::filesystem::path tree = dir.path() / "tree";
    std::filesystem::create_directories(tree);
    for (int i = 0; i < 300; ++i) {
        WriteFileBytes(tree / ("d" + std::to_string(i) + ".dxf"),
                       Dxf(i % 3 == 0 ? "plan" : "other" + std::to_string(i)));
    }
    std::string file = dir.path() / "text.sqlite";
    Searcher plain(std::nullopt);
    std::vector<std::string> expected = plain.Search(tree, "plan");
    ASSERT_EQ(expected.size(), 100u);
    Searcher one(TextCacheSettings{file});
    Searcher two(TextCacheSettings{file});
    std::vector<std::string> oneHits;
    std::thread other([&] { oneHits = one.Search(tree, "plan"); });
    std::vector<std::string> twoHits = two.Search(tree, "plan");
    other.join();
    EXPECT_EQ(oneHits, expected);
    EXPECT_EQ(twoHits, expected);
    EXPECT_TRUE(one.frontEnd.Only("notice").empty());
    EXPECT_TRUE(two.frontEnd.Only("notice").empty());
}

TEST(CachedSearch, ADamagedCacheNeverFailsASearch) {
    TempDir dir;
    std::filesystem::path tree = dir.path() / "tree";
    std::filesystem::create_directories(tree);
    WriteFileBytes(tree / "a.dxf", Dxf("plan"));
    std::string file = dir.path() / "text.sqlite";
    WriteFileBytes(file, "SQLite format 3" + std::string(5000, '\x7f'));
    Searcher cached(TextCacheSettings{file});
    EXPECT_EQ(cached.Search(tree, "plan").size(), 1u);
    EXPECT_EQ(cached.Search(tree, "plan").size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(file + ".damaged"));

    // A cache that cannot be opened at all: the drawings are read.
    WriteFileBytes(dir.path() / "not-a-folder", "x");
    Searcher without(TextCacheSettings{(dir.path() / "not-a-folder" / "c.sqlite").string()});
    EXPECT_EQ(without.Search(tree, "plan").size(), 1u);
    EXPECT_EQ(without.Search(tree, "plan").size(), 1u);
    // Said once, not at every search.
    EXPECT_EQ(without.frontEnd.Only("notice").size(), 1u);
}

TEST(CachedSearch, AFilledCacheAnswersReadOnlySearchesWithoutReadingDrawings) {
    TempDir dir;
    std::filesystem::path tree = dir.path() / "tree";
    std::filesystem::create_directories(tree);
    WriteFileBytes(tree / "a.dxf", Dxf("plan"));
    WriteFileBytes(tree / "b.dxf", Dxf("elevation"));
    std::string file = dir.path() / "shared.sqlite";
    {
        Searcher indexer(TextCacheSettings{
            .path = file, .sizeLimit = int64_t{1} << 30, .rollbackJournal = true});
        indexer.session.StartSearch({.place = tree, .fillCache = true});
        indexer.session.Wait();
        EXPECT_TRUE(indexer.frontEnd.rows.empty());
    }
    // Every drawing's current version has its row.
    TextCache shared({.path = file, .neverWrite = true});
    for (const char* name : {"a.dxf", "b.dxf"}) {
        std::string path = (tree / name).string();
        ExtractedText text;
        EXPECT_TRUE(shared.Lookup(path, DrawingVersionOf(path, *ReadFileStatus(path)), text))
            << name;
    }
    Searcher reader(TextCacheSettings{.path = file, .neverWrite = true});
    EXPECT_EQ(reader.Search(tree, "plan|elevation").size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(file + "-wal"));
}

TEST(CachedSearch, ASurveyedRowIsUsedOnlyWhileItIsOfTheDrawingsVersion) {
    TempDir dir;
    std::string path = dir.path() / "a.dxf";
    WriteFileBytes(path, Dxf("plan_old"));
    TextCache cache({(dir.path() / "text.sqlite").string()});
    CandidateTest test;
    test.keywords = PrepareKeywords("plan");
    test.signature = SignatureQuery(test.keywords);
    test.cache = &cache;
    CandidateScratch scratch;
    auto matched = [&](const CachedRow& known) {
        CandidateOutcome outcome = EvaluateCandidate(path, test, {}, {}, scratch, &known);
        cache.Flush();
        if (!outcome.hit) return std::string("no hit");
        return std::string(TextKindName(*outcome.hit->matchKind)) + " " + outcome.hit->matchText;
    };
    auto survey = [&] { return cache.Survey(std::vector<std::string>{path}, test.MayMatch())[0]; };
    EXPECT_EQ(matched(CachedRow()), "TEXT plan_old");
    CachedRow old = survey();
    ASSERT_TRUE(old.present);

    // Rewritten since the row was surveyed: read, and kept for next time.
    WriteFileBytes(path, Dxf("plan_rewritten"));
    cache.FinishSearch();
    EXPECT_EQ(matched(old), "TEXT plan_rewritten");
    DrawingVersion now = DrawingVersionOf(path, *ReadFileStatus(path));
    EXPECT_EQ(survey().version, now);

    // A current row is tested in place of the drawing (its lines tell which
    // was used); a row not present has the drawing read, without a lookup.
    ExtractedText cached;
    cached.Add(TextKind::MText, "plan_from_the_cache");
    std::string signature = MakeTextSignature(cached);
    cache.Store(path, now, std::move(cached), std::move(signature));
    cache.Flush();
    CachedRow current = survey();
    ASSERT_TRUE(current.mayMatch);
    EXPECT_EQ(matched(current), "MTEXT plan_from_the_cache");
    EXPECT_EQ(matched(CachedRow()), "TEXT plan_rewritten");
    EXPECT_EQ(cache.Lookups(), 3);
    EXPECT_EQ(cache.Hits(), 1);
}

TEST(CachedSearch, RepeatSearchesOfATreeAreAnsweredByTheCacheWithTheSameHits) {
    TempDir dir;
    std::filesystem::path tree = dir.path() / "tree";
    const char* folders[] = {"", "a", "b/c", "\xE5\x9B\xB3"};
    const char* texts[] = {"plan", "elevation", "section", "plan and elevation"};
    for (const char* folder : folders) std::filesystem::create_directories(tree / folder);
    const int kDrawings = 48;
    auto drawing = [&](int i) {
        return tree / folders[i % 4] / ("d" + std::to_string(i) + ".dxf");
    };
    for (unsigned threads : {1u, 2u}) {
        SCOPED_TRACE(threads);
        std::string file = dir.path() / ("text" + std::to_string(threads) + ".sqlite");
        for (int i = 0; i < kDrawings; ++i) {
            WriteFileBytes(drawing(i),
                           Dxf(std::string(texts[i / 4 % 4]) + " " + std::to_string(i)));
        }
        std::filesystem::remove(drawing(kDrawings));
        Searcher plain(std::nullopt, threads);
        Searcher cached(TextCacheSettings{file}, threads);
        // Read and kept, then answered by the cache.
        EXPECT_EQ(cached.Search(tree, "plan"), plain.Search(tree, "plan"));
        EXPECT_EQ(Stats(file).lastHits, 0);
        EXPECT_EQ(cached.Search(tree, "elevation"), plain.Search(tree, "elevation"));
        EXPECT_EQ(Stats(file).lastLookups, kDrawings);
        EXPECT_EQ(Stats(file).lastHits, kDrawings);
        // Three drawings changed and one added: those four are read again.
        WriteFileBytes(drawing(0), Dxf("elevation, changed"));
        WriteFileBytes(drawing(5), Dxf("nothing here"));
        WriteFileBytes(drawing(10), Dxf("plan, changed"));
        WriteFileBytes(drawing(kDrawings), Dxf("section, new"));
        EXPECT_EQ(cached.Search(tree, "elevation|section"),
                  plain.Search(tree, "elevation|section"));
        EXPECT_EQ(Stats(file).lastLookups, kDrawings + 1);
        EXPECT_EQ(Stats(file).lastHits, kDrawings - 3);
        for (const char* keyword : {"plan", "changed"}) {
            EXPECT_EQ(cached.Search(tree, keyword), plain.Search(tree, keyword)) << keyword;
            EXPECT_EQ(Stats(file).lastHits, kDrawings + 1) << keyword;
        }
        EXPECT_EQ(cached.frontEnd.rows.size(), 2u);
    }
}

TEST(CachedSearch, ThePoolGivesTheSingleThreadReportsWithSettledCandidatesBetween) {
    // Every fifth drawing holds the keyword; the survey settles the others
    // from their signatures, so settled candidates and tested ones alternate
    // in the schedule.
    TempDir dir;
    std::filesystem::path tree = dir.path() / "tree";
    std::filesystem::create_directories(tree / "sub");
    for (int i = 0; i < 400; ++i) {
        WriteFileBytes(tree / (i % 2 ? "sub" : "") / ("d" + std::to_string(1000 + i) + ".dxf"),
                       Dxf(i % 5 == 0 ? "plan " + std::to_string(i) : "other"));
    }
    std::string file = dir.path() / "text.sqlite";
    ASSERT_EQ(Searcher(TextCacheSettings{file}, 1).Search(tree, "plan").size(), 80u);
    auto events = [&](unsigned threads) {
        Searcher cached(TextCacheSettings{file}, threads);
        cached.Search(tree, "plan");
        return cached.frontEnd.events;
    };
    std::vector<std::string> single = events(1);
    EXPECT_EQ(Stats(file).lastHits, 400);
    EXPECT_EQ(events(4), single);
    EXPECT_EQ(events(7), single);

    // A stop under the pool, the survey and the read-ahead: the rows before
    // it are the first of the single thread's, in order, and the cache
    // serves the next search whole.
    Searcher stopped(TextCacheSettings{file}, 4);
    stopped.frontEnd.onEvent = [&](const std::string& event) {
        if (event.find(" 100 枚目") != std::string::npos) stopped.session.StopSearch();
    };
    std::vector<std::string> partial = stopped.Search(tree, "plan");
    std::vector<std::string> all = Searcher(std::nullopt, 1).Search(tree, "plan");
    ASSERT_EQ(partial.size(), 21u);  // the hits among the first 101 candidates
    EXPECT_TRUE(std::equal(partial.begin(), partial.end(), all.begin()));
    EXPECT_EQ(stopped.frontEnd.Only("status").back(), "2 処理はｷｬﾝｾﾙされました");
    stopped.frontEnd.onEvent = nullptr;
    EXPECT_EQ(stopped.Search(tree, "plan"), all);
    EXPECT_EQ(Stats(file).lastHits, 400);
}

TEST(CachedSearch, AFirstSearchReportsWhatASearchWithoutTheCacheReportsThenFillsTheCache) {
    TempDir dir;
    std::filesystem::path tree = dir.path() / "tree";
    std::filesystem::create_directories(tree / "sub");
    const int kDrawings = 90;
    for (int i = 0; i < kDrawings; ++i) {
        WriteFileBytes(tree / (i % 3 ? "sub" : "") / ("d" + std::to_string(100 + i) + ".dxf"),
                       Dxf((i % 10 == 0 ? kPlan : "other ") + std::to_string(i)));
    }
    for (unsigned threads : {1u, 3u}) {
        SCOPED_TRACE(threads);
        std::string file = dir.path() / ("text" + std::to_string(threads) + ".sqlite");
        Searcher plain(std::nullopt, threads);
        // A kanji keyword: the prefilter rules most drawings out.
        EXPECT_EQ(plain.Search(tree, "平面図").size(), 9u);
        Searcher first(TextCacheSettings{file}, threads);
        first.Search(tree, "平面図");
        EXPECT_EQ(first.frontEnd.events, plain.frontEnd.events);
        // Every drawing is kept, those the prefilter passed over too: a
        // repeat search with another keyword reads none of them.
        EXPECT_EQ(Stats(file).rows, kDrawings);
        Searcher repeat(TextCacheSettings{file}, threads);
        EXPECT_EQ(repeat.Search(tree, "other 7"), plain.Search(tree, "other 7"));
        EXPECT_EQ(Stats(file).lastHits, kDrawings);
    }
}

TEST(CachedSearch, ADrawingThePrefilterRulesOutIsPassedOverNotRead) {
    TempDir dir;
    std::string without = dir.path() / "without.dxf";
    std::string with = dir.path() / "with.dxf";
    WriteFileBytes(without, Dxf("elevation"));
    WriteFileBytes(with, Dxf(kPlan));
    TextCache cache({(dir.path() / "text.sqlite").string()});
    CandidateTest test;
    test.keywords = PrepareKeywords(kPlan);
    test.prefilter = KeywordPrefilter(test.keywords);
    test.signature = SignatureQuery(test.keywords);
    test.cache = &cache;
    auto kept = [&](const std::string& path) {
        cache.Flush();
        ExtractedText text;
        return cache.Lookup(path, DrawingVersionOf(path, *ReadFileStatus(path)), text);
    };
    test.fillAfter = true;
    CandidateOutcome ruledOut = EvaluateCandidate(without, test, {}, {});
    EXPECT_TRUE(ruledOut.passedFilters);
    EXPECT_TRUE(ruledOut.passedOver);
    EXPECT_FALSE(kept(without));
    CandidateOutcome hit = EvaluateCandidate(with, test, {}, {});
    EXPECT_TRUE(hit.hit.has_value());
    EXPECT_FALSE(hit.passedOver);
    EXPECT_TRUE(kept(with));  // read whole, and kept at once
    // Without a filler to read it later, every drawing is read and kept.
    test.fillAfter = false;
    ruledOut = EvaluateCandidate(without, test, {}, {});
    EXPECT_FALSE(ruledOut.passedOver);
    EXPECT_TRUE(kept(without));
    // A cache that never writes keeps nothing, so nothing is passed over.
    test.fillAfter = true;
    TextCache readOnly({.path = (dir.path() / "text.sqlite").string(), .neverWrite = true});
    test.cache = &readOnly;
    WriteFileBytes(without, Dxf("elevation, changed"));
    EXPECT_FALSE(EvaluateCandidate(without, test, {}, {}).passedOver);
}

TEST(CachedSearch, AStopOrAnotherCacheEndsTheFillingAtOnceAndTheNextSearchGoesOn) {
    TempDir dir;
    std::filesystem::path tree = dir.path() / "tree";
    std::filesystem::create_directories(tree);
    for (int i = 0; i < 400; ++i) {
        WriteFileBytes(tree / ("d" + std::to_string(i) + ".dxf"),
                       Dxf(i == 0 ? kPlan : "other " + std::to_string(i)));
    }
    std::string file = dir.path() / "text.sqlite";
    {
        Searcher stopped(TextCacheSettings{file}, 2);
        stopped.frontEnd.keyword = kPlan;
        stopped.session.StartSearch({.place = tree});
        stopped.session.Wait();
        stopped.session.StopSearch();
        auto started = std::chrono::steady_clock::now();
        stopped.session.FinishFilling();
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
        // Another search clears the stop; its end lets the filling go on.
        EXPECT_EQ(stopped.Search(tree, "平面図").size(), 1u);
        EXPECT_EQ(Stats(file).rows, 400);
        stopped.session.StartSearch({.place = tree});
        stopped.session.Wait();
        // Another cache drops what the filler had not read; nothing waits.
        stopped.session.UseTextCache(TextCacheSettings{dir.path() / "other.sqlite"});
        stopped.session.UseTextCache(std::nullopt);
    }
    Searcher again(TextCacheSettings{file}, 2);
    EXPECT_EQ(again.Search(tree, "other 399").size(), 1u);
    EXPECT_EQ(Stats(file).lastHits, 400);
}

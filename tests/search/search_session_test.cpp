#include "search/search_session.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <future>

#include "platform/clock.h"
#include "search/candidate.h"
#include "tests/search/recording_front_end.h"
#include "tests/test_support.h"

using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

std::string Dxf(const std::string& text) { return testing_support::DxfWithTexts({text}); }

// A tree of drawings:
//   a.dxf ("plan"), b/c.DXF ("PLAN elevation"), b/d.dwg, b/e/f.dxf ("section"),
//   g.txt, h.jwc (a folder), z.dxf ("plan")
struct Tree {
    TempDir dir;
    std::string root;
    Tree() : root(dir.path().string()) {
        std::filesystem::create_directories(dir.path() / "b" / "e");
        std::filesystem::create_directories(dir.path() / "h.jwc");
        WriteFileBytes(dir.path() / "a.dxf", Dxf("plan"));
        WriteFileBytes(dir.path() / "b" / "c.DXF", Dxf("PLAN elevation"));
        WriteFileBytes(dir.path() / "b" / "d.dwg", "AC1015 not really");
        WriteFileBytes(dir.path() / "b" / "e" / "f.dxf", Dxf("section"));
        WriteFileBytes(dir.path() / "g.txt", Dxf("plan"));
        WriteFileBytes(dir.path() / "z.dxf", Dxf("plan"));
    }
    std::string operator/(const std::string& relative) const { return root + "/" + relative; }
};

std::vector<std::string> RowPaths(const RecordingFrontEnd& frontEnd) {
    std::vector<std::string> paths;
    for (const ResultRecord& row : frontEnd.rows) paths.push_back(row.fullPath);
    return paths;
}

StartResult RunSearch(SearchSession& session, SearchRequest request) {
    StartResult result = session.StartSearch(request);
    session.Wait();
    return result;
}

}  // namespace

TEST(SearchSession, RefusesStartsInTheCheckedOrder) {
    RecordingFrontEnd frontEnd;
    SearchSession session(frontEnd, 1);
    // No place and no types: the place first; narrowing needs no place.
    const SearchRequest noPlace{.place = "", .typeMask = 0};
    const SearchRequest noTypes{.place = "/x", .typeMask = TYPE_JW_TOGGLED};
    const SearchRequest narrowing{.typeMask = 0, .narrow = true};
    EXPECT_EQ(session.CheckRequest(noPlace), StartResult::NoPlace);
    EXPECT_EQ(session.CheckRequest(noTypes), StartResult::NoTypes);
    EXPECT_EQ(session.CheckRequest(narrowing), StartResult::NoTypes);
    EXPECT_EQ(session.CheckRequest({.narrow = true}), StartResult::NothingToNarrow);
    EXPECT_EQ(session.CheckRequest({.place = "/x"}), StartResult::Started);
    EXPECT_FALSE(session.IsRunning());  // checking starts nothing
    // A start gives the same answers.
    EXPECT_EQ(session.StartSearch(noPlace), StartResult::NoPlace);
    EXPECT_EQ(session.StartSearch(noTypes), StartResult::NoTypes);
    EXPECT_EQ(session.StartSearch({.narrow = true}), StartResult::NothingToNarrow);
    EXPECT_TRUE(frontEnd.events.empty());
    EXPECT_EQ(StartRefusalMessage(StartResult::NoPlace),
              "ファイルを検索する場所を指定してください");
    EXPECT_EQ(StartRefusalMessage(StartResult::NothingToNarrow),
              "絞り込む対象のファイルがありません");
}

TEST(SearchSession, CompletedSearchReportsInOrderAndKeepsHitsForNarrowing) {
    Tree tree;
    RecordingFrontEnd frontEnd;
    frontEnd.keyword = "plan";
    SearchSession session(frontEnd, 1);
    ASSERT_EQ(RunSearch(session, {.place = tree.root, .typeMask = TYPE_ALL}), StartResult::Started);
    EXPECT_EQ(
        frontEnd.Only("status"),
        (std::vector<std::string>{
            "0 ﾌｧｲﾙ数をｶｳﾝﾄしています",
            // a candidate that is the first entry of its folder
            "0 検索中1", "0 検索中2", "0 検索中4", "0 検索中--- 6 枚中 1 枚目",
            "0 検索中--- 6 枚中 2 枚目", "0 検索中--- 6 枚中 3 枚目", "0 検索中--- 6 枚中 4 枚目",
            "0 検索中--- 6 枚中 5 枚目", "0 検索中--- 6 枚中 6 枚目", "3 3 枚見つかりました"}));
    // Depth first in name order: a subfolder's candidates before later entries.
    EXPECT_EQ(RowPaths(frontEnd),
              (std::vector<std::string>{tree / "a.dxf", tree / "b/c.DXF", tree / "z.dxf"}));
    EXPECT_EQ(frontEnd.rows[1].shownPath, LowerCasePath(tree / "b/c.DXF"));
    EXPECT_EQ(frontEnd.Only("icon"),
              (std::vector<std::string>{"1 " + tree / "a.dxf", "0 " + tree / "b/d.dwg",
                                        "2 " + tree / "h.jwc"}));
    EXPECT_EQ(frontEnd.events.back(), "ended");
    EXPECT_EQ(frontEnd.events[frontEnd.events.size() - 2], "end narrowing");
    EXPECT_EQ(session.Candidates(), RowPaths(frontEnd));
}

TEST(SearchSession, NarrowingTestsOnlyTheLastHitsAndCanRepeat) {
    Tree tree;
    RecordingFrontEnd frontEnd;
    frontEnd.keyword = "plan";
    SearchSession session(frontEnd, 1);
    RunSearch(session, {.place = tree.root, .typeMask = TYPE_ALL});
    frontEnd.events.clear();
    frontEnd.rows.clear();
    frontEnd.keyword = "elevation";
    ASSERT_EQ(RunSearch(session, {.narrow = true}), StartResult::Started);
    EXPECT_EQ(frontEnd.Only("status"),
              (std::vector<std::string>{"0 検索中--- 3 枚中 1 枚目", "0 検索中--- 3 枚中 2 枚目",
                                        "0 検索中--- 3 枚中 3 枚目", "3 1 枚見つかりました"}));
    EXPECT_EQ(RowPaths(frontEnd), std::vector<std::string>{tree / "b/c.DXF"});
    EXPECT_EQ(session.CheckRequest({.narrow = true}), StartResult::Started);
    frontEnd.keyword = "nothing";
    RunSearch(session, {.narrow = true});
    EXPECT_TRUE(session.Candidates().empty());
    EXPECT_EQ(session.StartSearch({.narrow = true}), StartResult::NothingToNarrow);
}

TEST(SearchSession, TypesSubfoldersAndEmptyKeywordShapeTheCandidates) {
    Tree tree;
    RecordingFrontEnd frontEnd;
    frontEnd.subfolders = false;
    SearchSession session(frontEnd, 1);
    RunSearch(session, {.place = tree.root + "/", .typeMask = TYPE_DXF | TYPE_JW});
    // The empty keyword makes every candidate a hit, the folder named h.jwc too.
    EXPECT_EQ(RowPaths(frontEnd),
              (std::vector<std::string>{tree / "a.dxf", tree / "h.jwc", tree / "z.dxf"}));
    frontEnd.rows.clear();
    frontEnd.subfolders = true;
    frontEnd.keyword = " | ";
    RunSearch(session, {.place = tree.root, .typeMask = TYPE_ALL});
    EXPECT_TRUE(frontEnd.rows.empty());
}

TEST(SearchSession, MissingPlaceIsReportedAndCompletesWithNoHits) {
    RecordingFrontEnd frontEnd;
    SearchSession session(frontEnd, 1);
    RunSearch(session, {.place = "/no/such/folder", .typeMask = TYPE_ALL});
    EXPECT_EQ(frontEnd.Only("skipped"),
              std::vector<std::string>{"/no/such/folder: No such file or directory"});
    EXPECT_EQ(frontEnd.Only("status").back(), "3 0 枚見つかりました");
}

TEST(SearchSession, ADrawingAsThePlaceIsTheOnlyCandidate) {
    Tree tree;
    RecordingFrontEnd frontEnd;
    frontEnd.keyword = "elevation";
    SearchSession session(frontEnd, 1);
    RunSearch(session, {.place = tree / "b/c.DXF", .typeMask = TYPE_ALL});
    EXPECT_EQ(RowPaths(frontEnd), std::vector<std::string>{tree / "b/c.DXF"});
    EXPECT_EQ(session.Candidates(), std::vector<std::string>{tree / "b/c.DXF"});
    EXPECT_TRUE(frontEnd.Only("skipped").empty());
    // A file of a type not chosen, and any other file, give no candidate.
    RunSearch(session, {.place = tree / "b/c.DXF", .typeMask = TYPE_DWG});
    EXPECT_TRUE(session.Candidates().empty());
    RunSearch(session, {.place = tree / "g.txt", .typeMask = TYPE_ALL});
    EXPECT_TRUE(session.Candidates().empty());
    EXPECT_EQ(frontEnd.Only("skipped").size(), 2u);
}

TEST(SearchSession, UnreadableCandidatesAreReportedInCandidateOrderUnderThePool) {
    // Links that lead to themselves cannot be read even by root; links that
    // lead nowhere, files that vanished and folders named like drawings are
    // no news.
    TempDir dir;
    for (int i = 0; i < 60; ++i) {
        std::string name = std::to_string(1000 + i) + ".dxf";
        if (i % 7 == 3) {
            std::filesystem::create_symlink(name, dir.path() / name);
        } else if (i % 7 == 5) {
            std::filesystem::create_symlink("nowhere", dir.path() / name);
        } else if (i % 7 == 6) {
            std::filesystem::create_directory(dir.path() / name);
        } else {
            WriteFileBytes(dir.path() / name, Dxf("plan"));
        }
    }
    auto run = [&](unsigned threads) {
        RecordingFrontEnd frontEnd;
        frontEnd.keyword = "plan";
        SearchSession session(frontEnd, threads);
        RunSearch(session, {.place = dir.path().string(), .typeMask = TYPE_ALL});
        return frontEnd.events;
    };
    std::vector<std::string> single = run(1);
    std::vector<std::string> skipped;
    for (const std::string& event : single) {
        if (event.rfind("skipped ", 0) == 0) skipped.push_back(event);
    }
    ASSERT_EQ(skipped.size(), 9u);
    EXPECT_EQ(skipped[0], "skipped " + (dir.path() / "1003.dxf").string() +
                              ": Too many levels of symbolic links");
    EXPECT_EQ(run(4), single);
}

TEST(SearchSession, DateAndSizeLimitsAreReadForEachCandidate) {
    Tree tree;
    RecordingFrontEnd frontEnd;
    frontEnd.keyword = "plan";
    // Every file is at most a few hundred bytes: a minimum of 1 MB passes none.
    frontEnd.size.minSize = 1'000'000;
    SearchSession session(frontEnd, 1);
    RunSearch(session, {.place = tree.root, .typeMask = TYPE_ALL});
    EXPECT_TRUE(frontEnd.rows.empty());
    EXPECT_TRUE(frontEnd.Only("icon").empty());  // no candidate passed the filters

    // A change made during the search applies to the candidates not yet tested.
    frontEnd.size = {};
    frontEnd.onEvent = [&](const std::string& event) {
        if (event.find("1 枚目") != std::string::npos) frontEnd.size.maxSize = 1;
    };
    RunSearch(session, {.place = tree.root, .typeMask = TYPE_ALL});
    EXPECT_EQ(RowPaths(frontEnd), std::vector<std::string>{tree / "a.dxf"});
}

TEST(PassesFilters, BoundsAreInclusiveToTheSecond) {
    FileStatus status;
    status.creationTime = 0;  // no creation time: the modification time stands in
    status.modificationTime = 1000;
    status.size = 100;
    DateCriterion date{.kind = DateKind::Created, .range = DateRange::OnOrBefore, .latest = 1000};
    EXPECT_TRUE(PassesFilters(status, date, {}));
    date.latest = 999;
    EXPECT_FALSE(PassesFilters(status, date, {}));
    date.earliest = 2000;  // a bound the range does not apply
    date.latest = 1000;
    EXPECT_TRUE(PassesFilters(status, date, {}));
    date = {.kind = DateKind::Modified, .range = DateRange::OnOrAfter, .earliest = 1000};
    EXPECT_TRUE(PassesFilters(status, date, {}));
    date.earliest = 1001;
    EXPECT_FALSE(PassesFilters(status, date, {}));
    date = {
        .kind = DateKind::Modified, .range = DateRange::Between, .earliest = 1000, .latest = 1000};
    EXPECT_TRUE(PassesFilters(status, date, {}));
    date = {
        .kind = DateKind::Modified, .range = DateRange::Between, .earliest = 2000, .latest = 500};
    EXPECT_FALSE(PassesFilters(status, date, {}));  // the earliest after the latest: none passes
    EXPECT_TRUE(PassesFilters(status, {}, {.minSize = 100, .maxSize = 500}));
    status.size = 500;
    EXPECT_TRUE(PassesFilters(status, {}, {.minSize = 100, .maxSize = 500}));
    status.size = 501;
    EXPECT_FALSE(PassesFilters(status, {}, {.minSize = 100, .maxSize = 500}));
    EXPECT_TRUE(PassesFilters(status, {}, {}));  // 0: no bound
    EXPECT_FALSE(PassesFilters(status, {}, {.minSize = 600, .maxSize = 500}));
}

TEST(SearchSession, StopWhileTestingFinishesTheCurrentCandidate) {
    Tree tree;
    RecordingFrontEnd frontEnd;
    frontEnd.keyword = "";
    SearchSession session(frontEnd, 1);
    frontEnd.onEvent = [&](const std::string& event) {
        if (event.rfind("row", 0) == 0 && frontEnd.rows.size() == 2) session.StopSearch();
    };
    RunSearch(session, {.place = tree.root, .typeMask = TYPE_ALL});
    EXPECT_EQ(frontEnd.rows.size(), 2u);
    std::vector<std::string> statuses = frontEnd.Only("status");
    EXPECT_EQ(statuses.back(), "2 処理はｷｬﾝｾﾙされました");
    EXPECT_EQ(statuses[statuses.size() - 2], "0 検索中--- 6 枚中 1 枚目");
    EXPECT_TRUE(frontEnd.Only("end narrowing").empty());
    // The candidates of the stopped search stay, ready to be tested again.
    EXPECT_EQ(session.Candidates().size(), 6u);
}

TEST(SearchSession, StopWhileCollectingEndsCancelledWithNothingToNarrow) {
    Tree tree;
    RecordingFrontEnd frontEnd;
    SearchSession session(frontEnd, 1);
    frontEnd.onEvent = [&](const std::string& event) {
        if (event.find("ﾌｧｲﾙ数") != std::string::npos) session.StopSearch();
    };
    RunSearch(session, {.place = tree.root, .typeMask = TYPE_ALL});
    EXPECT_EQ(frontEnd.Only("status").back(), "2 処理はｷｬﾝｾﾙされました");
    EXPECT_TRUE(frontEnd.rows.empty());
    EXPECT_EQ(session.StartSearch({.narrow = true}), StartResult::NothingToNarrow);
    // A stop while idle is cleared by the next start.
    session.StopSearch();
    frontEnd.onEvent = nullptr;
    RunSearch(session, {.place = tree.root, .typeMask = TYPE_ALL});
    EXPECT_EQ(frontEnd.Only("status").back(), "3 6 枚見つかりました");
}

TEST(SearchSession, StopDuringAllDrivesEndsWithTheCancelTextAlone) {
    RecordingFrontEnd frontEnd;
    SearchSession session(frontEnd, 1);
    frontEnd.onEvent = [&](const std::string& event) {
        if (event.find("ﾌｧｲﾙ数") != std::string::npos) session.StopSearch();
    };
    RunSearch(session, {.place = kAllDrivesPlace, .typeMask = TYPE_ALL});
    EXPECT_EQ(frontEnd.Only("status"),
              (std::vector<std::string>{"0 ﾌｧｲﾙ数をｶｳﾝﾄしています", "0 処理はｷｬﾝｾﾙされました"}));
    EXPECT_EQ(frontEnd.events.back(), "ended");
}

TEST(SearchSession, PoolGivesExactlyTheSingleThreadReports) {
    TempDir dir;
    for (int i = 0; i < 120; ++i) {
        std::string name = std::to_string(1000 + i) + (i % 3 ? ".dxf" : ".DXF");
        WriteFileBytes(dir.path() / name, Dxf(i % 4 ? "plan" : "other"));
    }
    auto run = [&](unsigned threads) {
        RecordingFrontEnd frontEnd;
        frontEnd.keyword = "PLAN";
        SearchSession session(frontEnd, threads);
        RunSearch(session, {.place = dir.path().string(), .typeMask = TYPE_ALL});
        return frontEnd.events;
    };
    std::vector<std::string> single = run(1);
    EXPECT_EQ(std::count_if(single.begin(), single.end(),
                            [](const std::string& e) { return e.rfind("row", 0) == 0; }),
              90);
    EXPECT_EQ(run(4), single);
    EXPECT_EQ(run(7), single);
}

TEST(SearchSession, StopUnderThePoolIsPromptAndInOrder) {
    TempDir dir;
    for (int i = 0; i < 200; ++i)
        WriteFileBytes(dir.path() / (std::to_string(1000 + i) + ".dxf"), Dxf("x"));
    RecordingFrontEnd frontEnd;
    SearchSession session(frontEnd, 4);
    frontEnd.onEvent = [&](const std::string& event) {
        if (event.find(" 10 枚目") != std::string::npos) session.StopSearch();
    };
    RunSearch(session, {.place = dir.path().string(), .typeMask = TYPE_ALL});
    EXPECT_EQ(frontEnd.rows.size(), 11u);  // the eleventh was being reported when it stopped
    for (size_t i = 0; i < frontEnd.rows.size(); ++i) {
        EXPECT_EQ(frontEnd.rows[i].fullPath,
                  (dir.path() / (std::to_string(1000 + i) + ".dxf")).string());
    }
    EXPECT_EQ(frontEnd.Only("status").back(), "2 処理はｷｬﾝｾﾙされました");
}

TEST(SearchSession, DestroyingARunningSessionStopsAndJoins) {
    TempDir dir;
    for (int i = 0; i < 300; ++i)
        WriteFileBytes(dir.path() / (std::to_string(i) + ".dxf"), Dxf("x"));
    RecordingFrontEnd frontEnd;
    // The worker waits at its first report until the second start has been
    // refused, so a fast machine cannot finish the search before it.
    std::promise<void> refused;
    std::shared_future<void> gate = refused.get_future().share();
    frontEnd.onEvent = [gate](const std::string&) { gate.wait(); };
    {
        SearchSession session(frontEnd, 2);
        EXPECT_EQ(session.StartSearch({.place = dir.path().string(), .typeMask = TYPE_ALL}),
                  StartResult::Started);
        EXPECT_EQ(session.StartSearch({.place = dir.path().string(), .typeMask = TYPE_ALL}),
                  StartResult::AlreadyRunning);
        // A running search comes before any fault of the request.
        EXPECT_EQ(session.CheckRequest({.place = "", .typeMask = 0}), StartResult::AlreadyRunning);
        refused.set_value();
    }
    EXPECT_EQ(frontEnd.events.back(), "ended");
}

TEST(SearchSession, ADrawingInAFolderPastPathMaxIsSearchedWithAndWithoutTheCache) {
    TempDir dir;
    testing_support::DeepFolder deep(dir.path(), 4096 + 500);
    deep.WriteFile("deep.dxf", Dxf("plan deep down"));
    deep.WriteFile("other.dxf", Dxf("section"));
    const std::string hit = deep.path() + "/deep.dxf";
    ASSERT_GT(hit.size(), 4096u);
    for (bool cached : {false, true}) {
        SCOPED_TRACE(cached);
        RecordingFrontEnd frontEnd;
        frontEnd.keyword = "plan";
        SearchSession session(frontEnd, 2);
        if (cached) session.UseTextCache(TextCacheSettings{(dir.path() / "c.sqlite").string()});
        for (int round = 0; round < (cached ? 2 : 1); ++round) {  // read, then from the cache
            frontEnd.rows.clear();
            ASSERT_EQ(RunSearch(session, {.place = dir.path().string()}), StartResult::Started);
            session.FinishFilling();
            EXPECT_EQ(RowPaths(frontEnd), std::vector<std::string>{hit});
            EXPECT_TRUE(frontEnd.Only("skipped").empty());
        }
    }
}

#include "search/candidate_survey.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "match/keywords.h"
#include "tests/test_support.h"

using testing_support::DxfWithTexts;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

// Writes each drawing (one line each) under `tree`, in the order given, and
// fills `cache` with them as a search does; gives their paths.
std::vector<std::string> FillTree(
    const std::filesystem::path& tree, TextCache& cache,
    const std::vector<std::pair<std::string, std::string>>& drawings) {
    std::filesystem::create_directories(tree / "sub");
    CandidateTest filling;
    filling.keywords = PrepareKeywords("x");
    filling.cache = &cache;
    std::vector<std::string> paths;
    for (const auto& [name, text] : drawings) {
        paths.push_back((tree / name).string());
        WriteFileBytes(paths.back(), DxfWithTexts({text}));
        EvaluateCandidate(paths.back(), filling, {}, {});
    }
    cache.FinishSearch();  // written, and the lookups counted afresh
    return paths;
}

}  // namespace

TEST(CandidateSurvey, SettlesOnlyUnchangedDrawingsTheSignatureRulesOut) {
    TempDir dir;
    TextCache cache({(dir.path() / "text.sqlite").string()});
    // In walk order ("sub" before "sub.dxf"), which is not path order.
    std::vector<std::string> candidates = FillTree(dir.path(), cache,
                                                   {{"a.dxf", "plan"},
                                                    {"b.dxf", "elevation"},
                                                    {"sub/c.dxf", "plan"},
                                                    {"sub/d.dxf", "elevation"},
                                                    {"sub/e.dxf", "elevation"},
                                                    {"sub.dxf", "plan"}});
    // Changed since: one that no longer matches, one its old signature
    // would rule out. Then a missing drawing and one the cache never saw.
    WriteFileBytes(candidates[2], DxfWithTexts({"elevation only"}));
    WriteFileBytes(candidates[4], DxfWithTexts({"plan now"}));
    candidates.insert(candidates.begin() + 3, (dir.path() / "sub" / "missing.dxf").string());
    WriteFileBytes(dir.path() / "new.dxf", DxfWithTexts({"plan"}));
    candidates.push_back((dir.path() / "new.dxf").string());

    CandidateTest test;
    test.keywords = PrepareKeywords("plan");
    test.cache = &cache;
    test.signature = SignatureQuery(test.keywords);
    std::atomic<bool> cancel{false};
    struct Expected {
        bool row;  // the cache has a row for it
        bool current;
        bool settled;
    };
    const Expected expected[] = {
        {.row = true, .current = true, .settled = false},    // a.dxf: plan
        {.row = true, .current = true, .settled = true},     // b.dxf: elevation
        {.row = true, .current = false, .settled = false},   // sub/c.dxf: changed
        {.row = false, .current = false, .settled = false},  // sub/missing.dxf
        {.row = true, .current = true, .settled = true},     // sub/d.dxf: elevation
        {.row = true, .current = false, .settled = false},   // sub/e.dxf: changed
        {.row = true, .current = true, .settled = false},    // sub.dxf: plan
        {.row = false, .current = false, .settled = false},  // new.dxf
    };
    // On one thread and two, and with the statuses of the first five read
    // ahead (past the first block, up to the missing drawing and beyond).
    std::vector<std::optional<FileStatus>> readAhead;
    for (size_t i = 0; i < 5; ++i) readAhead.push_back(ReadFileStatus(candidates[i]).Value());
    for (unsigned threads : {1u, 2u, 3u}) {
        CandidateSurvey survey(candidates, cache, test, threads, cancel,
                               threads == 3 ? readAhead : std::vector<std::optional<FileStatus>>(),
                               3);
        EXPECT_TRUE(survey.NeedsReading(7));  // not surveyed yet
        for (size_t i = 0; i < candidates.size(); ++i) {
            const SurveyedCandidate& entry = survey.At(i);
            EXPECT_EQ(entry.row.present, expected[i].row) << candidates[i];
            EXPECT_EQ(entry.current, expected[i].current) << candidates[i];
            EXPECT_EQ(entry.settled, expected[i].settled) << candidates[i];
            EXPECT_EQ(entry.status.has_value(), i != 3) << candidates[i];
        }
        for (size_t i = 0; i < candidates.size(); ++i) {
            EXPECT_EQ(survey.NeedsReading(i), !expected[i].current) << candidates[i];
        }
    }
    EXPECT_EQ(cache.Lookups(), 0);  // counted only as candidates are tested

    // Filling the cache: every current row is settled, whatever it holds.
    test.fillCache = true;
    CandidateSurvey filling(candidates, cache, test, 1, cancel, {}, 2);
    for (size_t i = 0; i < candidates.size(); ++i) {
        EXPECT_EQ(filling.At(i).settled, expected[i].current) << candidates[i];
    }
}

TEST(CandidateSurvey, IsWorthwhileForKeywordsASignatureCanRuleOutAndForFilling) {
    CandidateTest test;
    EXPECT_FALSE(CandidateSurvey::Worthwhile(test));  // no keyword: nothing is a hit
    test.keywords = {"plan", ""};
    EXPECT_FALSE(CandidateSurvey::Worthwhile(test));  // everything is a hit
    test.keywords = {"plan"};
    EXPECT_TRUE(CandidateSurvey::Worthwhile(test));
    test.keywords.clear();
    test.fillCache = true;
    EXPECT_TRUE(CandidateSurvey::Worthwhile(test));
}

#include "app/search_reports.h"

#include <gtest/gtest.h>

#include <optional>
#include <thread>

namespace {

ResultRecord Record(const std::string& path) {
    ResultRecord record;
    record.fullPath = path;
    record.shownPath = path;
    return record;
}

std::vector<std::string> Paths(const ReportBatch& batch) {
    std::vector<std::string> paths;
    for (const PendingRow& row : batch.rows) paths.push_back(row.record.fullPath);
    return paths;
}

}  // namespace

TEST(SearchReports, LatestStatusWinsAndOnlyTheFirstReportWakesTheWindow) {
    SearchReports reports;
    EXPECT_TRUE(reports.AddStatus(CollectingStatus(-1)));
    for (int tested = 1; tested <= 500; ++tested) {
        EXPECT_FALSE(reports.AddStatus(TestingStatus(500, tested)));
    }
    EXPECT_FALSE(reports.AddIcon(1, "/a/b.dxf"));
    ReportBatch batch = reports.Take(100);
    ASSERT_TRUE(batch.status.has_value());
    EXPECT_EQ(batch.status->tested, 500);
    EXPECT_EQ(batch.icons.size(), 1u);
    EXPECT_FALSE(batch.more);
    EXPECT_TRUE(reports.Take(100).Empty());
    // Taken: the next report wakes the window again.
    EXPECT_TRUE(reports.AddRow(Record("/a/c.dxf"), 1));
}

TEST(SearchReports, RowsComeInHitOrderAndTheEndWaitsBehindThem) {
    SearchReports reports;
    for (int i = 0; i < 5; ++i) reports.AddRow(Record("/" + std::to_string(i)), 1);
    reports.AddStatus(TestingStatus(5, 5));
    reports.AddStatus(DoneStatus(5));
    reports.AddEndNarrowing();
    EXPECT_TRUE(reports.AddEnd());
    EXPECT_TRUE(reports.EndPending());

    ReportBatch first = reports.Take(2);
    EXPECT_EQ(Paths(first), (std::vector<std::string>{"/0", "/1"}));
    EXPECT_TRUE(first.more);
    // Neither the count of hits nor the end is shown before the last row.
    EXPECT_FALSE(first.status.has_value());
    EXPECT_FALSE(first.ended);
    EXPECT_FALSE(first.endNarrowing);
    ReportBatch second = reports.Take(2);
    EXPECT_EQ(Paths(second), (std::vector<std::string>{"/2", "/3"}));
    ReportBatch last = reports.Take(2);
    EXPECT_EQ(Paths(last), std::vector<std::string>{"/4"});
    EXPECT_FALSE(last.more);
    ASSERT_TRUE(last.status.has_value());
    EXPECT_EQ(last.status->phase, SearchPhase::Done);
    EXPECT_TRUE(last.ended);
    EXPECT_TRUE(last.endNarrowing);
    EXPECT_FALSE(reports.EndPending());
}

TEST(SearchReports, ProgressTextGoesOutWithABatchThatLeavesRowsBehind) {
    SearchReports reports;
    for (int i = 0; i < 3; ++i) reports.AddRow(Record("/" + std::to_string(i)), 1);
    reports.AddStatus(TestingStatus(10, 3));
    ReportBatch batch = reports.Take(1);
    ASSERT_TRUE(batch.status.has_value());
    EXPECT_EQ(batch.status->tested, 3);
    // The window comes back for the rest by itself: no wake-up for a new row.
    EXPECT_FALSE(reports.AddRow(Record("/3"), 1));
    EXPECT_EQ(Paths(reports.Take(10)), (std::vector<std::string>{"/1", "/2", "/3"}));
}

TEST(SearchReports, ClearDropsWhatAnEarlierSearchLeft) {
    SearchReports reports;
    reports.AddRow(Record("/old"), 1);
    reports.AddEnd();
    reports.Clear();
    EXPECT_FALSE(reports.EndPending());
    EXPECT_TRUE(reports.Take(10).Empty());
    EXPECT_TRUE(reports.AddStatus(CollectingStatus(-1)));
}

TEST(SearchReports, RowsFromAnotherThreadArriveWholeAndInOrder) {
    SearchReports reports;
    constexpr int kRows = 20000;
    std::thread worker([&] {
        for (int i = 0; i < kRows; ++i) {
            reports.AddRow(Record(std::to_string(i)), i % 8);
            reports.AddStatus(TestingStatus(kRows, i + 1));
        }
        reports.AddStatus(DoneStatus(kRows));
        reports.AddEnd();
    });
    std::vector<std::string> seen;
    std::optional<SearchStatus> last;  // the final status may come in the batch before the end
    bool ended = false;
    while (!ended) {
        ReportBatch batch = reports.Take(700);
        for (const PendingRow& row : batch.rows) seen.push_back(row.record.fullPath);
        if (batch.status) last = batch.status;
        if (batch.ended) {
            ASSERT_TRUE(last.has_value());
            EXPECT_EQ(last->phase, SearchPhase::Done);
            ended = true;
        }
    }
    worker.join();
    ASSERT_EQ(seen.size(), static_cast<size_t>(kRows));
    for (int i = 0; i < kRows; ++i) ASSERT_EQ(seen[static_cast<size_t>(i)], std::to_string(i));
}

TEST(SearchReports, EachStatusCarriesTheHitsReportedBeforeItUntilANewSearch) {
    SearchReports reports;
    reports.AddStatus(TestingStatus(10, 1));
    reports.AddRow(Record("/a/1.dxf"), 1);
    reports.AddRow(Record("/a/2.dxf"), 1);
    reports.AddStatus(TestingStatus(10, 2));
    reports.AddRow(Record("/a/3.dxf"), 1);  // after the status: not counted in it
    ReportBatch batch = reports.Take(1);
    // Rows left behind: the progress text goes with the first rows, and
    // counts the rows reported before it.
    ASSERT_TRUE(batch.status);
    EXPECT_EQ(batch.status->tested, 2);
    EXPECT_EQ(batch.hitsAtStatus, 2);
    reports.Take(100);
    reports.AddStatus(TestingStatus(10, 3));
    EXPECT_EQ(reports.Take(100).hitsAtStatus, 3);
    reports.Clear();
    reports.AddStatus(TestingStatus(10, 1));
    EXPECT_EQ(reports.Take(100).hitsAtStatus, 0);
}

TEST(StatusBarText, TestingShowsTheHitsSoFarBesideTheProgress) {
    EXPECT_EQ(StatusBarText(TestingStatus(20, 7), 3), "検索中--- 20 枚中 7 枚目 (3 枚一致)");
    // The other texts are shown as the search gives them.
    EXPECT_EQ(StatusBarText(DoneStatus(3), 3), DoneStatus(3).text);
    EXPECT_EQ(StatusBarText(CollectingStatus(-1), 0), CollectingStatus(-1).text);
    EXPECT_EQ(StatusBarText(CancelledStatus(SEARCH_STATUS_CANCELLED), 5),
              CancelledStatus(SEARCH_STATUS_CANCELLED).text);
}

// One API search written as lines: rows, progress, summary, and the ways it
// stops; and the streams of one query that share a run.
#include "serve/search_stream.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <thread>

#include "tests/serve/scripted_search.h"

using namespace std::chrono_literals;
using serve_testing::ScriptedSearch;

namespace {

const ServedRoot kRoot{.name = "図面", .path = "/srv/drawings", .share = ""};

ServeQuery Query() {
    ServeQuery query;
    query.root = &kRoot;
    query.keywords = {""};
    return query;
}

std::vector<nlohmann::json> Lines(const std::string& text) {
    std::vector<nlohmann::json> lines;
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        lines.push_back(nlohmann::json::parse(text.substr(start, end - start)));
    }
    return lines;
}

// A stream of a run of its own, begun.
std::unique_ptr<SearchStream> OwnStream(DrawingSearch& search, SearchStreamOptions options) {
    auto stream = std::make_unique<SearchStream>(Query(), options);
    auto run = std::make_shared<SharedRun>(search, Query());
    run->Join(*stream);
    stream->Attach(run);
    run->Begin(std::nullopt);
    return stream;
}

}  // namespace

TEST(SearchStream, WritesEachRowWithItsRootThenTheSummary) {
    ScriptedSearch search;
    auto stream = OwnStream(search, {.progress = false});
    std::string written;
    ASSERT_TRUE(stream->Run(
        [&](std::string_view text) {
            written += text;
            return true;
        },
        [] { return true; }));
    std::vector<nlohmann::json> lines = Lines(written);
    ASSERT_EQ(lines.size(), 4u) << written;
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(lines[k]["path"], "row" + std::to_string(k) + ".dxf");
        EXPECT_EQ(lines[k]["root"], "図面");
        EXPECT_EQ(lines[k]["bytes"], 1000 * (k + 1));
        EXPECT_TRUE(lines[k]["match_kind"].is_null());  // the --show-match form
    }
    EXPECT_EQ(written.substr(written.find("{\"count\""), 11), "{\"count\":3,");
    EXPECT_EQ(lines[3]["status"], "3 枚見つかりました");
    EXPECT_EQ(lines[3]["stopped"], false);
    EXPECT_EQ(lines[3]["timed_out"], false);
}

TEST(SearchStream, ProgressLinesCarryTheStatusTextWhenAskedFor) {
    ScriptedSearch search;
    search.rows = 2;
    auto stream = OwnStream(search, {.progress = true, .tick = 0ms});
    std::string written;
    stream->Run(
        [&](std::string_view text) {
            written += text;
            return true;
        },
        [] { return true; });
    bool sawProgress = false;
    for (const nlohmann::json& line : Lines(written)) {
        if (!line.contains("progress")) continue;
        sawProgress = true;
        EXPECT_EQ(line["candidates"], 2);
        EXPECT_EQ(line["progress"],
                  "検索中--- 2 枚中 " + std::to_string(line["tested"].get<int>()) + " 枚目");
    }
    EXPECT_TRUE(sawProgress) << written;
}

TEST(SearchStream, AClientThatGoesStopsTheSearchAndGetsNoSummary) {
    ScriptedSearch search;
    search.holdOpen = true;
    auto stream = OwnStream(search, {.tick = 10ms});
    std::atomic<int> asked{0};
    std::string written;
    EXPECT_FALSE(stream->Run(
        [&](std::string_view text) {
            written += text;
            return true;
        },
        [&] { return ++asked < 3; }));
    EXPECT_TRUE(search.sawStop);
    EXPECT_EQ(written.find("count"), std::string::npos);

    // A write that fails stops it too.
    ScriptedSearch failing;
    failing.holdOpen = true;
    auto refused = OwnStream(failing, {.tick = 10ms});
    EXPECT_FALSE(refused->Run([](std::string_view) { return false; }, [] { return true; }));
    EXPECT_TRUE(failing.sawStop);
}

TEST(SearchStream, TheTimeLimitStopsTheSearchAndTheSummarySaysSo) {
    ScriptedSearch search;
    search.holdOpen = true;
    auto stream = OwnStream(search, {.timeLimit = 50ms, .tick = 10ms});
    std::string written;
    auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(stream->Run(
        [&](std::string_view text) {
            written += text;
            return true;
        },
        [] { return true; }));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    nlohmann::json summary = Lines(written).back();
    EXPECT_EQ(summary["count"], 3);
    EXPECT_EQ(summary["stopped"], true);
    EXPECT_EQ(summary["timed_out"], true);
    EXPECT_EQ(summary["status"], "処理はｷｬﾝｾﾙされました");
    EXPECT_NE(summary["messages"][0].get<std::string>().find("limit"), std::string::npos);
}

TEST(SharedRuns, StreamsOfOneQueryWaitingTogetherReceiveOneRunAndLaterOnesRunAgain) {
    ScriptedSearch search;
    SharedRuns runs(search);
    // Three requests of one query wait for the turn; the first leads.
    std::vector<std::unique_ptr<SearchStream>> streams;
    std::shared_ptr<SharedRun> run;
    for (int k = 0; k < 3; ++k) {
        streams.push_back(std::make_unique<SearchStream>(Query(), SearchStreamOptions{}));
        bool leads = false;
        std::shared_ptr<SharedRun> joined = runs.Join(Query(), *streams.back(), leads);
        EXPECT_EQ(leads, k == 0);
        if (k == 0) run = joined;
        EXPECT_EQ(joined, run);
        streams.back()->Attach(joined);
    }
    // Another query waits apart.
    ServeQuery other = Query();
    other.keywords = {"window"};
    SearchStream apart(other, {});
    bool leads = false;
    EXPECT_NE(runs.Join(other, apart, leads), run);
    EXPECT_TRUE(leads);

    run->Begin(std::nullopt);
    // One that comes once the run has begun gets a run of its own.
    SearchStream late(Query(), {});
    EXPECT_NE(runs.Join(Query(), late, leads), run);
    EXPECT_TRUE(leads);

    std::vector<std::string> written(streams.size());
    std::vector<std::thread> writers;
    for (size_t k = 0; k < streams.size(); ++k) {
        writers.emplace_back([&, k] {
            streams[k]->Run(
                [&](std::string_view text) {
                    written[k] += text;
                    return true;
                },
                [] { return true; });
        });
    }
    for (std::thread& writer : writers) writer.join();
    EXPECT_EQ(search.runs, 1);
    for (const std::string& text : written) {
        EXPECT_EQ(text, written[0]);
        ASSERT_EQ(Lines(text).size(), 4u) << text;
        EXPECT_EQ(Lines(text)[3]["count"], 3);
    }
}

TEST(SharedRuns, TheRunGoesOnWhileOneMemberStaysAndStopsWhenTheLastGoes) {
    ScriptedSearch search;
    search.holdOpen = true;
    SharedRuns runs(search);
    SearchStream first(Query(), {.tick = 10ms});
    SearchStream second(Query(), {.tick = 10ms});
    bool leads = false;
    std::shared_ptr<SharedRun> run = runs.Join(Query(), first, leads);
    first.Attach(run);
    second.Attach(runs.Join(Query(), second, leads));
    run->Begin(std::nullopt);
    run.reset();

    // The first client goes at once; the second reads on.
    EXPECT_FALSE(first.Run([](std::string_view) { return false; }, [] { return true; }));
    EXPECT_FALSE(search.sawStop);
    EXPECT_EQ(search.running, 1);
    std::atomic<int> asked{0};
    std::string written;
    EXPECT_FALSE(second.Run(
        [&](std::string_view text) {
            written += text;
            return true;
        },
        [&] { return ++asked < 3; }));
    EXPECT_NE(written.find("row2.dxf"), std::string::npos) << written;
    EXPECT_TRUE(search.sawStop);
    EXPECT_EQ(search.running, 0);
}

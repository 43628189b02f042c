// The API answering from the office index, against a PostgreSQL server the
// test program starts for itself: the rows and the summary are those of the
// same server reading the drawings, over the samples and a tree of its own,
// with the index's places mapped to where the roots lie; a server that is
// down, and a root the index does not hold, end the search with the reason.
#include <gtest/gtest.h>
#include <httplib.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "platform/encoding.h"
#include "serve/index_search.h"
#include "serve/local_search.h"
#include "tests/cli/cli_runner.h"
#include "tests/index/pg_server.h"
#include "tests/serve/serve_test_support.h"
#include "tests/test_support.h"

using serve_testing::RunningServer;
using testing_support::DxfWithTexts;
using testing_support::TempDir;
using testing_support::WriteFileBytes;
namespace fs = std::filesystem;

namespace {

std::string Cp932(const std::string& utf8) { return *Utf8ToCp932(utf8); }

// The body of a GET, split into its JSON lines.
std::vector<nlohmann::json> SearchLines(int port, const std::string& query) {
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(60, 0);
    httplib::Result response = client.Get("/api/search?" + query);
    std::vector<nlohmann::json> lines;
    if (!response) {
        ADD_FAILURE() << "no answer to " << query;
        return lines;
    }
    EXPECT_EQ(response->status, 200) << query << "\n" << response->body;
    const std::string& text = response->body;
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        lines.push_back(nlohmann::json::parse(text.substr(start, end - start)));
    }
    return lines;
}

// The samples and drawings of the test's own (Japanese names, subfolders,
// the keywords' pieces on several lines), indexed where they were written,
// then moved: the server sees the index's place at the new path.
struct IndexedTree {
    IndexedTree() {
        setenv("TZ", "JST-9", 1);
        tzset();
        const fs::path written = dir.path() / "written";
        fs::copy(fs::path(PLOTSIEVE_SOURCE) / "samples", written, fs::copy_options::recursive);
        fs::remove(written / "make_samples.py");
        fs::create_directories(written / "2F" / "詳細");
        WriteFileBytes(written / "2F" / "plan.dxf",
                       DxfWithTexts({Cp932("2階平面図"), "WINDOW W-1", "1/100"}));
        WriteFileBytes(written / "2F" / "詳細" / "窓.dxf",
                       DxfWithTexts({"WINDOW", Cp932("ｶﾞﾗｽ 6mm")}));
        WriteFileBytes(written / "2F" / "notes.txt", "平面図");
        WriteFileBytes(written / "100%_'x'.dxf", DxfWithTexts({"100%", "'; --"}));

        TestPgServer* pg = TestPgServer::Shared();
        if (pg == nullptr) return;
        target = pg->NewDatabase();
        CliRun indexed = CliProcess({"index", "--to", target, "-q", written.string()}).Finish();
        EXPECT_EQ(indexed.status, 0) << indexed.err;

        served = dir.path() / "served";
        fs::rename(written, served);
        index = {.target = target, .mappings = {{written.string(), served.string()}}};
        ready = indexed.status == 0;
    }

    ServeSettings Settings() const {
        return {
            .roots = {*ParseRootArgument("図面=" + served.string() + "=\\\\server\\zumen").root},
            .maxSearches = 2};
    }

    TempDir dir;
    std::string target;
    fs::path served;
    OfficeIndexSettings index;
    bool ready = false;
};

}  // namespace

TEST(OfficeIndexApi, RowsAndSummaryAreThoseOfTheServerReadingTheDrawings) {
    IndexedTree tree;
    ASSERT_TRUE(tree.ready);
    LocalDrawingSearch local(2, 2, std::nullopt);
    IndexDrawingSearch indexed(2, tree.index);
    RunningServer reading(tree.Settings(), local);
    RunningServer asking(tree.Settings(), indexed);
    ASSERT_TRUE(reading.Bound() && asking.Bound());

    const std::string heimen = "%E5%B9%B3%E9%9D%A2%E5%9B%B3";  // 平面図
    size_t rows = 0;
    for (const std::string& query : std::vector<std::string>{
             "keyword=" + heimen, "keyword=" + heimen + "%7C%E9%85%8D%E7%BD%AE%E5%9B%B3",
             "keyword=window", "keyword=window&and=" + heimen, "keyword=window&and=%EF%BD%B6",
             "keyword=" + heimen + "&types=jw,mcd", "keyword=" + heimen + "&dir=2F",
             "keyword=window&dir=2F&no-subfolders", "keyword=" + heimen + "&min-kb=1",
             "keyword=" + heimen + "&modified&after=2000-01-01", "keyword=100%25", "keyword=%27%3B",
             "keyword=%E7%84%A1%E3%81%84%E8%A8%80%E8%91%89", "types=dxf"}) {
        std::vector<nlohmann::json> want = SearchLines(reading.Port(), query);
        std::vector<nlohmann::json> got = SearchLines(asking.Port(), query);
        ASSERT_FALSE(want.empty() || got.empty()) << query;
        nlohmann::json wantSummary = want.back(), gotSummary = got.back();
        want.pop_back();
        got.pop_back();
        EXPECT_EQ(got, want) << query;
        EXPECT_EQ(gotSummary["count"], wantSummary["count"]) << query;
        EXPECT_EQ(gotSummary["status"], wantSummary["status"]) << query;
        EXPECT_EQ(gotSummary["messages"], nlohmann::json::array()) << query;
        rows += want.size();
    }
    EXPECT_GT(rows, 20u);  // the queries found something to compare
}

TEST(OfficeIndexApi, AServerThatIsDownOrARootItDoesNotHoldEndsTheSearchWithTheReason) {
    IndexedTree tree;
    ASSERT_TRUE(tree.ready);
    TempDir elsewhere;
    WriteFileBytes(elsewhere.path() / "a.dxf", DxfWithTexts({"WINDOW"}));
    OfficeIndexSettings down;  // nothing listens on port 1
    down.target = "host=127.0.0.1 port=1 connect_timeout=3";
    struct Case {
        OfficeIndexSettings index;
        fs::path root;
    };
    for (const Case& c : {Case{down, tree.served}, Case{tree.index, elsewhere.path()}}) {
        IndexDrawingSearch indexed(1, c.index);
        ServeSettings settings{.roots = {*ParseRootArgument("r=" + c.root.string()).root}};
        RunningServer server(std::move(settings), indexed);
        std::vector<nlohmann::json> lines = SearchLines(server.Port(), "keyword=window");
        ASSERT_EQ(lines.size(), 1u) << c.root;
        EXPECT_EQ(lines[0]["count"], 0);
        ASSERT_EQ(lines[0]["messages"].size(), 1u) << lines[0];
        EXPECT_NE(lines[0]["messages"][0].get<std::string>().find("the office index could not"),
                  std::string::npos);
    }
    // What serve says at its start.
    EXPECT_NE(CheckOfficeIndex(down), "");
    EXPECT_EQ(CheckOfficeIndex(tree.index), "");
}

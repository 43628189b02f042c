// A window's search through the office index reports what a search session
// reading the drawings reports: the same rows, icons and final count, and
// narrowing keeps the last search's hits; a server that is down is a
// failure, reported before the end.
#include "index/index_search_session.h"

#include <gtest/gtest.h>

#include <set>

#include "index/indexer.h"
#include "index/schema.h"
#include "platform/encoding.h"
#include "search/search_session.h"
#include "tests/index/pg_server.h"
#include "tests/search/recording_front_end.h"
#include "tests/test_support.h"

using testing_support::DxfWithTexts;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

std::string Sjis(const char* utf8) { return Utf8ToCp932(utf8).value(); }

class SilentReport : public IndexerReport {
  public:
    void Progress(const std::string&, const ScanCounts&) override {}
    void Skipped(const std::string&, const std::string&) override {}
};

// The events of a search: rows, icons and statuses, in order.
std::vector<std::string> Reports(const RecordingFrontEnd& frontEnd) {
    std::vector<std::string> reports;
    for (const std::string& event : frontEnd.events) {
        // Icons are asked for the first drawing of a type the search meets:
        // a search of the index meets only its hits.
        if (event.starts_with("row") || event.starts_with("status 3") || event.starts_with("end")) {
            reports.push_back(event);
        }
    }
    return reports;
}

}  // namespace

TEST(IndexSearchSession, ReportsWhatASearchOfTheDrawingsReports) {
    TestPgServer* server = TestPgServer::Shared();
    ASSERT_NE(server, nullptr);
    const std::string target = server->NewDatabase();
    TempDir dir;
    const std::string srv = (dir.path() / "srv").string();
    std::filesystem::create_directories(srv + "/sub");
    WriteFileBytes(srv + "/a.dxf", DxfWithTexts({Sjis("平面図"), Sjis("ガラス")}));
    WriteFileBytes(srv + "/sub/b.dxf", DxfWithTexts({Sjis("配置図")}));
    WriteFileBytes(srv + "/sub/c.DXF", DxfWithTexts({Sjis("ｶﾞﾗｽ")}));
    WriteFileBytes(srv + "/sub/d.sfc",
                   "ISO-10303-21;\n/*SXF\n#10 = text_string_feature('9','8','1',\\'" +
                       Sjis("配置図") + "\\')\nSXF*/\n");
    {
        DbResult<std::unique_ptr<PgConnection>> connection = PgConnection::Connect(target);
        ASSERT_TRUE(connection);
        ASSERT_TRUE(MigrateIndexSchema(**connection));
        SilentReport report;
        std::atomic<bool> cancel{false};
        Indexer indexer(**connection, {}, report, cancel);
        ASSERT_TRUE(indexer.ScanRoot(srv));
    }
    // The client sees the server's tree where it is (a mapping onto itself).
    OfficeIndexSettings settings{.target = target, .mappings = {{srv, srv}}};
    EXPECT_TRUE(settings.Covers(srv + "/sub"));
    EXPECT_FALSE(settings.Covers(dir.path().string()));

    for (const char* keyword : {"図", "ガラス", "", "zzz"}) {
        RecordingFrontEnd local, indexed;
        SearchSession localSession(local, 1);
        std::vector<std::string> failures;
        IndexSearchSession session(
            indexed, [&](const DbError& error) { failures.push_back(error.message); },
            [](std::optional<int64_t>) {});
        // A search, then a narrowing of its hits.
        for (const auto& [text, narrow] :
             {std::pair<const char*, bool>{keyword, false}, {"配置", true}}) {
            local.keyword = indexed.keyword = Sjis(text);
            local.events.clear();
            indexed.events.clear();
            const SearchRequest request{.place = narrow ? "" : srv, .narrow = narrow};
            StartResult started = localSession.StartSearch(request);
            EXPECT_EQ(session.StartSearch(settings, request), started) << keyword;
            localSession.Wait();
            session.Wait();
            EXPECT_TRUE(failures.empty());
            EXPECT_EQ(Reports(indexed), Reports(local)) << keyword << (narrow ? " narrowed" : "");
            // The type of each row has its icon before the row.
            std::set<std::string> icons;
            for (const std::string& event : indexed.events) {
                if (event.starts_with("icon "))
                    icons.insert(event.substr(5, event.find(' ', 5) - 5));
                if (event.starts_with("row ")) {
                    EXPECT_TRUE(icons.count(event.substr(4, event.find(' ', 4) - 4))) << event;
                }
            }
        }
    }
}

TEST(IndexSearchSession, AServerThatIsDownIsAFailureBeforeTheEnd) {
    TempDir dir;
    RecordingFrontEnd frontEnd;
    frontEnd.keyword = "a";
    std::vector<std::string> failures;
    IndexSearchSession session(
        frontEnd,
        [&](const DbError& error) {
            failures.push_back(error.message);
            EXPECT_EQ(error.kind, DbFailure::Unreachable);
        },
        [](std::optional<int64_t>) {});
    OfficeIndexSettings settings{.target = "postgresql://nobody@127.0.0.1:1/x",
                                 .mappings = {{"/srv", dir.path().string()}}};
    ASSERT_EQ(session.StartSearch(settings, {.place = dir.path().string()}), StartResult::Started);
    session.Wait();
    EXPECT_EQ(failures.size(), 1u);
    ASSERT_FALSE(frontEnd.events.empty());
    EXPECT_EQ(frontEnd.events.back(), "ended");
    EXPECT_TRUE(frontEnd.rows.empty());
}

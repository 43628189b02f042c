// The API against a server the test starts on a free loopback port.
#include <gtest/gtest.h>
#include <httplib.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "platform/encoding.h"
#include "serve/local_search.h"
#include "tests/cli/cli_runner.h"
#include "tests/serve/scripted_search.h"
#include "tests/serve/serve_test_support.h"
#include "tests/test_support.h"

using namespace std::chrono_literals;
using serve_testing::RunningServer;
using serve_testing::ScriptedSearch;
using testing_support::DxfWithTexts;
using testing_support::TempDir;
using testing_support::WriteFileBytes;
namespace fs = std::filesystem;

namespace {

// Local times as the command line's runs see them.
struct JapanTime {
    JapanTime() {
        setenv("TZ", "JST-9", 1);
        tzset();
    }
};

std::string Cp932(const std::string& utf8) { return *Utf8ToCp932(utf8); }

// A root of drawings (and one file that is no drawing, and a link to a
// drawing outside the root), served by the engine without a cache.
struct ServedTree {
    ServedTree(ServeSettings settings = {}) {
        fs::create_directories(dir.path() / "root" / "2F");
        fs::create_directories(dir.path() / "outside");
        WriteFileBytes(dir.path() / "root" / "平面図 1F.dxf", DxfWithTexts({Cp932("1階平面図")}));
        WriteFileBytes(dir.path() / "root" / "2F" / "plan.dxf",
                       DxfWithTexts({Cp932("2階平面図"), "WINDOW"}));
        WriteFileBytes(dir.path() / "root" / "2F" / "elevation.dxf", DxfWithTexts({"WINDOW"}));
        WriteFileBytes(dir.path() / "root" / "notes.txt", "平面図");
        WriteFileBytes(dir.path() / "outside" / "secret.dxf", DxfWithTexts({Cp932("平面図 秘")}));
        settings.roots = {
            *ParseRootArgument("図面=" + (dir.path() / "root").string() + "=\\\\server\\drawings")
                 .root};
        settings.maxSearches = 2;
        server = std::make_unique<RunningServer>(std::move(settings), search);
        client = std::make_unique<httplib::Client>("127.0.0.1", server->Port());
    }
    httplib::Result Get(const std::string& target, const httplib::Headers& headers = {}) {
        return client->Get(target.c_str(), headers);
    }
    JapanTime japan;
    TempDir dir;
    LocalDrawingSearch search{2, 2, std::nullopt};
    std::unique_ptr<RunningServer> server;
    std::unique_ptr<httplib::Client> client;
};

std::vector<nlohmann::json> Lines(const std::string& text) {
    std::vector<nlohmann::json> lines;
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        lines.push_back(nlohmann::json::parse(text.substr(start, end - start)));
    }
    return lines;
}

void ExpectSecurityHeaders(const httplib::Response& response, const std::string& what) {
    EXPECT_NE(response.get_header_value("Content-Security-Policy").find("default-src 'self'"),
              std::string::npos)
        << what;
    EXPECT_EQ(response.get_header_value("X-Content-Type-Options"), "nosniff") << what;
    EXPECT_EQ(response.get_header_value("Referrer-Policy"), "no-referrer") << what;
}

}  // namespace

TEST(SearchApi, RowsAreTheSearchCommandsJsonRowsUnderTheirRootInItsOrder) {
    ServedTree tree;
    const std::string root = (tree.dir.path() / "root").string();
    for (const std::string& query :
         {std::string("keyword=%E5%B9%B3%E9%9D%A2%E5%9B%B3"), std::string("keyword=window"),
          std::string("keyword=window&and=%E5%B9%B3%E9%9D%A2"), std::string("types=dxf")}) {
        httplib::Result response = tree.Get("/api/search?" + query);
        ASSERT_TRUE(response) << query;
        EXPECT_EQ(response->status, 200);
        EXPECT_EQ(response->get_header_value("Content-Type"),
                  "application/x-ndjson; charset=utf-8");
        std::vector<nlohmann::json> api = Lines(response->body);
        ASSERT_FALSE(api.empty());
        nlohmann::json summary = api.back();
        api.pop_back();

        std::vector<std::string> args{"search", "--no-cache", "--format", "json", "--show-match"};
        httplib::Params parameters;
        httplib::detail::parse_query_text(query, parameters);
        for (const auto& [name, value] : parameters) {
            args.push_back(name == "keyword" ? "-k" : "--" + name);
            args.push_back(value);
        }
        args.push_back(root);
        CliRun cli = CliProcess(args).Finish();
        nlohmann::json local = nlohmann::json::parse(cli.out);
        ASSERT_EQ(api.size(), local.size()) << query << "\n" << response->body << cli.out;
        EXPECT_EQ(summary["count"], local.size());
        for (size_t k = 0; k < api.size(); ++k) {
            nlohmann::json row = api[k];
            EXPECT_EQ(row["root"], "図面");
            EXPECT_EQ(root + "/" + row["path"].get<std::string>(), local[k]["path"]);
            EXPECT_EQ(root + "/" + row["folder"].get<std::string>(), local[k]["folder"]);
            for (const char* member : {"root", "path", "folder"}) row.erase(member);
            for (const char* member : {"path", "folder"}) local[k].erase(member);
            EXPECT_EQ(row, local[k]) << query;
        }
    }
}

TEST(SearchApi, ALinkOutOfTheRootIsNeitherARowNorADownload) {
    ServedTree tree;
    fs::create_symlink(tree.dir.path() / "outside" / "secret.dxf",
                       tree.dir.path() / "root" / "link.dxf");
    httplib::Result response = tree.Get("/api/search?keyword=%E7%A7%98");  // 秘
    ASSERT_TRUE(response);
    std::vector<nlohmann::json> lines = Lines(response->body);
    ASSERT_EQ(lines.size(), 1u) << response->body;
    EXPECT_EQ(lines[0]["count"], 0);
    EXPECT_EQ(tree.Get("/api/drawing?path=link.dxf")->status, 404);
}

TEST(SearchApi, ADrawingDownloadsWithItsBytesAndItsName) {
    ServedTree tree;
    const fs::path drawing = tree.dir.path() / "root" / "平面図 1F.dxf";
    httplib::Result response =
        tree.Get("/api/drawing?root=%E5%9B%B3%E9%9D%A2&path=%E5%B9%B3%E9%9D%A2%E5%9B%B3%201F.dxf");
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, 200);
    EXPECT_EQ(response->body, testing_support::ReadFileBytes(drawing));
    // As sent (the library's client decodes percent escapes in headers).
    std::string raw = serve_testing::RawGet(
        tree.server->Port(), "/api/drawing?path=%E5%B9%B3%E9%9D%A2%E5%9B%B3%201F.dxf");
    EXPECT_NE(raw.find("\r\nContent-Disposition: attachment; filename=\"___ 1F.dxf\"; "
                       "filename*=UTF-8''%E5%B9%B3%E9%9D%A2%E5%9B%B3%201F.dxf\r\n"),
              std::string::npos)
        << raw.substr(0, 400);
    EXPECT_EQ(response->get_header_value("Content-Disposition"),
              "attachment; filename=\"___ 1F.dxf\"; filename*=UTF-8''平面図 1F.dxf");
    ExpectSecurityHeaders(*response, "download");
    httplib::Result head = tree.client->Head("/api/drawing?path=2F/plan.dxf");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 200);
    EXPECT_TRUE(head->body.empty());
    EXPECT_EQ(head->get_header_value("Content-Length"),
              std::to_string(fs::file_size(tree.dir.path() / "root" / "2F" / "plan.dxf")));
    // Files that are no drawing are not handed out, though they lie under the root.
    EXPECT_EQ(tree.Get("/api/drawing?path=notes.txt")->status, 404);
    EXPECT_EQ(tree.Get("/api/drawing?path=2F")->status, 404);
    httplib::Result missing = tree.Get("/api/drawing");
    EXPECT_EQ(missing->status, 400);
    EXPECT_EQ(nlohmann::json::parse(missing->body)["error"], "give path once");
}

TEST(SearchApi, RootsFoldersAndThePageTablesComeFromTheServer) {
    ServedTree tree;
    httplib::Result roots = tree.Get("/api/roots");
    ASSERT_TRUE(roots);
    EXPECT_EQ(nlohmann::json::parse(roots->body),
              nlohmann::json::parse(R"([{"name": "図面", "share": "\\\\server\\drawings"}])"));
    httplib::Result folders = tree.Get("/api/folders?dir=");
    EXPECT_EQ(nlohmann::json::parse(folders->body)["folders"], nlohmann::json::array({"2F"}));
    EXPECT_EQ(tree.Get("/api/folders?dir=2F/..%2F..")->status, 404);
    nlohmann::json config = nlohmann::json::parse(tree.Get("/api/config")->body);
    EXPECT_EQ(config["columns"].size(), kResultColumnHeaders.size() + 1);
    EXPECT_EQ(config["types"][0]["name"], "dxf");
    for (const char* asset : {"/", "/app.js", "/app.css", "/icon.svg"}) {
        httplib::Result response = tree.Get(asset);
        ASSERT_TRUE(response) << asset;
        EXPECT_EQ(response->status, 200) << asset;
        ExpectSecurityHeaders(*response, asset);
    }
    EXPECT_NE(tree.Get("/")->body.find("<script src=\"app.js\""), std::string::npos);
}

TEST(SearchApi, ErrorsAreJsonWithTheirStatusAndTheSecurityHeaders) {
    ServedTree tree;
    struct Case {
        std::string target;
        int status;
    };
    for (const Case& c :
         {Case{"/nothing", 404}, Case{"/api/search?root=x", 404}, Case{"/api/search?bogus=1", 400},
          Case{"/api/drawing?path=a.dxf", 404}, Case{"/app.exe", 404}}) {
        httplib::Result response = tree.Get(c.target);
        ASSERT_TRUE(response) << c.target;
        EXPECT_EQ(response->status, c.status) << c.target;
        EXPECT_EQ(response->get_header_value("Content-Type"), "application/json; charset=utf-8");
        EXPECT_TRUE(nlohmann::json::parse(response->body)["error"].is_string()) << c.target;
        ExpectSecurityHeaders(*response, c.target);
    }
    for (const char* method : {"POST", "PUT", "DELETE", "PATCH", "OPTIONS"}) {
        httplib::Request request;
        request.method = method;
        request.path = "/api/search";
        httplib::Result response = tree.client->send(request);
        ASSERT_TRUE(response) << method;
        EXPECT_EQ(response->status, 405) << method;
        EXPECT_EQ(response->get_header_value("Allow"), "GET, HEAD");
        ExpectSecurityHeaders(*response, method);
    }
}

TEST(SearchApi, UsersSignInWithBasicCredentials) {
    // A SHA-512 hash of "secret" with the salt "saltsalt".
    std::string error;
    auto users = std::make_shared<UserTable>(*UserTable::FromText(
        "tanaka:$6$saltsalt$"
        "TVLlQcbpFVof5W3Yz4DTP6gRstiNuHwwTt6GLc1E5n0U0aDehy0S5knV8wiOQSpT0Y77vwPZN"
        ".Pq.H91p5hVO1\n",
        error));
    ServedTree tree(ServeSettings{.users = users});
    httplib::Result refused = tree.Get("/api/roots");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 401);
    EXPECT_EQ(refused->get_header_value("WWW-Authenticate"),
              "Basic realm=\"Plotsieve\", charset=\"UTF-8\"");
    tree.client->set_basic_auth("tanaka", "wrong");
    EXPECT_EQ(tree.Get("/")->status, 401);
    tree.client->set_basic_auth("tanaka", "secret");
    EXPECT_EQ(tree.Get("/api/roots")->status, 200);
    EXPECT_EQ(tree.Get("/api/search?keyword=window")->status, 200);
}

TEST(SearchApi, SearchesPastTheLimitWaitTheirTurnAndAClientThatLeavesStopsItsSearch) {
    TempDir dir;
    ScriptedSearch search;
    search.holdOpen = true;
    ServeSettings settings{.roots = {*ParseRootArgument("r=" + dir.path().string()).root},
                           .maxSearches = 1,
                           .queueWait = std::chrono::seconds(1)};
    RunningServer server(std::move(settings), search);

    // The first search runs on, its client reading; the second finds no place.
    int first = serve_testing::Connect(server.Port());
    std::string request = "GET /api/search HTTP/1.1\r\nHost: x\r\n\r\n";
    send(first, request.data(), request.size(), MSG_NOSIGNAL);
    std::string started = serve_testing::ReadUntilQuiet(first, 500ms);
    EXPECT_NE(started.find("row2.dxf"), std::string::npos) << started;
    EXPECT_EQ(search.running, 1);

    httplib::Client second("127.0.0.1", server.Port());
    httplib::Result busy = second.Get("/api/search");
    ASSERT_TRUE(busy);
    EXPECT_EQ(busy->status, 503);
    EXPECT_EQ(busy->get_header_value("Retry-After"), "5");
    EXPECT_EQ(search.mostRunning, 1);

    // The first client goes: its search is stopped, and the place is free.
    close(first);
    for (int k = 0; k < 200 && search.running != 0; ++k) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(search.running, 0);
    EXPECT_TRUE(search.sawStop);
    search.holdOpen = false;
    httplib::Result after = second.Get("/api/search");
    ASSERT_TRUE(after);
    EXPECT_EQ(after->status, 200);
    EXPECT_NE(after->body.find("\"count\":3"), std::string::npos);
}

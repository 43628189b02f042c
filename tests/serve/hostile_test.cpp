// Requests a hostile client sends, over a raw connection: each gets a short
// refusal, nothing outside the root, and the server stays up.
#include <gtest/gtest.h>

#include <filesystem>

#include "serve/local_search.h"
#include "tests/serve/serve_test_support.h"
#include "tests/test_support.h"

using namespace std::chrono_literals;
using serve_testing::RawExchange;
using serve_testing::RawGet;
using serve_testing::RunningServer;
using serve_testing::StatusOf;
using testing_support::DxfWithTexts;
using testing_support::TempDir;
using testing_support::WriteFileBytes;
namespace fs = std::filesystem;

namespace {

// root/plan.dxf and root/sub/deep.dxf; beside the root, secret.dxf, which a
// link in the root points at, and a folder of its own, which another does.
struct HostileFixture : testing::Test {
    HostileFixture() {
        fs::create_directories(dir.path() / "root" / "sub");
        fs::create_directories(dir.path() / "private");
        WriteFileBytes(dir.path() / "root" / "plan.dxf", DxfWithTexts({"PLAN"}));
        WriteFileBytes(dir.path() / "root" / "sub" / "deep.dxf", DxfWithTexts({"DEEP"}));
        WriteFileBytes(dir.path() / "secret.dxf", DxfWithTexts({"SECRET"}));
        WriteFileBytes(dir.path() / "private" / "hidden.dxf", DxfWithTexts({"SECRET"}));
        fs::create_symlink(dir.path() / "secret.dxf", dir.path() / "root" / "out.dxf");
        fs::create_directory_symlink(dir.path() / "private", dir.path() / "root" / "outdir");
        ServeSettings settings;
        settings.roots = {*ParseRootArgument("r=" + (dir.path() / "root").string()).root};
        server = std::make_unique<RunningServer>(std::move(settings), search);
    }
    int Port() const { return server->Port(); }
    // The server still answers an ordinary request.
    void ExpectStillServing() {
        EXPECT_EQ(StatusOf(RawGet(Port(), "/api/drawing?path=plan.dxf")), 200);
    }

    TempDir dir;
    LocalDrawingSearch search{1, 1, std::nullopt};
    std::unique_ptr<RunningServer> server;
};

}  // namespace

TEST_F(HostileFixture, PathsOutOfTheRootAre404WhateverTheirSpelling) {
    for (const std::string& path : std::vector<std::string>{
             "../secret.dxf", "%2e%2e/secret.dxf", "%2E%2E%2Fsecret.dxf", "..%2fsecret.dxf",
             "sub/../../secret.dxf", "sub/%2e%2e/%2e%2e/secret.dxf", "%2F..%2Fsecret.dxf",
             "out.dxf", "outdir/hidden.dxf", "plan.dxf%00.txt", "plan.dxf%00", "%00", "/etc/passwd",
             "%2Fetc%2Fpasswd", std::string(5000, 'a') + ".dxf",
             "sub/" + std::string(300, 'x') + "/../../plan.dxf"}) {
        std::string response = RawGet(Port(), "/api/drawing?root=r&path=" + path);
        EXPECT_EQ(StatusOf(response), 404) << path << "\n" << response.substr(0, 200);
        EXPECT_EQ(response.find("SECRET"), std::string::npos) << path;
    }
    for (const char* dir : {"..", "%2e%2e", "outdir", "sub%2F..%2F..", "sub%00"}) {
        EXPECT_EQ(StatusOf(RawGet(Port(), std::string("/api/search?keyword=secret&dir=") + dir)),
                  404)
            << dir;
        EXPECT_EQ(StatusOf(RawGet(Port(), std::string("/api/folders?dir=") + dir)), 404) << dir;
    }
    // A search of the whole root finds nothing of what lies outside it.
    std::string found = RawGet(Port(), "/api/search?keyword=secret");
    EXPECT_EQ(StatusOf(found), 200);
    EXPECT_NE(found.find("\"count\":0"), std::string::npos) << found;
    ExpectStillServing();
}

TEST_F(HostileFixture, OversizedRequestsAreRefusedBeforeTheyAreTakenWhole) {
    // A request line past the library's bound, and one past the whole head's.
    EXPECT_EQ(StatusOf(RawGet(Port(), "/api/roots?x=" + std::string(9000, 'a'))), 414);
    std::string huge = RawGet(Port(), "/api/roots?x=" + std::string(64 * 1024, 'a'));
    EXPECT_EQ(StatusOf(huge), 431) << huge.substr(0, 200);
    EXPECT_NE(huge.find("X-Content-Type-Options: nosniff"), std::string::npos);
    // Many headers, each short: the head as a whole is bounded.
    std::string flood = "GET /api/roots HTTP/1.1\r\nHost: x\r\n";
    for (int k = 0; k < 2000; ++k) flood += "X-Filler-" + std::to_string(k) + ": 0123456789\r\n";
    EXPECT_EQ(StatusOf(RawExchange(Port(), flood + "\r\n")), 431);
    // A line without its end, sent on and on.
    EXPECT_EQ(
        StatusOf(RawExchange(Port(), "GET /api/roots HTTP/1.1\r\nX: " + std::string(1 << 20, 'b'))),
        431);
    // A body, which no request of the page has.
    EXPECT_EQ(StatusOf(RawExchange(Port(),
                                   "GET /api/roots HTTP/1.1\r\nHost: x\r\n"
                                   "Content-Length: 5\r\n\r\nhello")),
              413);
    ExpectStillServing();
}

TEST_F(HostileFixture, MethodsOtherThanGetAndHeadAreRefused) {
    for (const char* method : {"POST", "PUT", "DELETE", "PATCH", "OPTIONS", "TRACE", "CONNECT"}) {
        std::string response =
            RawExchange(Port(), std::string(method) + " /api/roots HTTP/1.1\r\nHost: x\r\n\r\n");
        EXPECT_EQ(StatusOf(response), 405) << method;
        EXPECT_NE(response.find("Allow: GET, HEAD"), std::string::npos) << method;
    }
    EXPECT_EQ(StatusOf(RawExchange(Port(), "BREW /api/roots HTTP/1.1\r\nHost: x\r\n\r\n")), 400);
    // A TLS greeting where plain HTTP was expected.
    const char greeting[] = "\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\r\n\r\n";
    EXPECT_EQ(StatusOf(RawExchange(Port(), std::string(greeting, sizeof greeting - 1))), 400);
    ExpectStillServing();
}

TEST_F(HostileFixture, PipelinedRequestsAndManyRangesAreServedPlainly) {
    const std::string one = "GET /api/roots HTTP/1.1\r\nHost: x\r\n\r\n";
    std::string both = RawExchange(Port(), one + one, 500ms);
    EXPECT_EQ(StatusOf(both), 200);
    EXPECT_NE(both.find("HTTP/1.1 200", 10), std::string::npos) << both;
    // Many ranges would read the drawing many times over: it comes whole.
    std::string ranges = "bytes=0-1";
    for (int k = 2; k < 400; k += 2) ranges += "," + std::to_string(k) + "-" + std::to_string(k);
    std::string response = RawExchange(Port(),
                                       "GET /api/drawing?path=plan.dxf HTTP/1.1\r\n"
                                       "Host: x\r\nConnection: close\r\nRange: " +
                                           ranges + "\r\n\r\n");
    EXPECT_EQ(StatusOf(response), 200);
    EXPECT_NE(response.find("ENTITIES"), std::string::npos);
}

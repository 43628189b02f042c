// plotsieve-cli extract, run as a user runs it.
#include <gtest/gtest.h>

#include "tests/cli/cli_runner.h"
#include "tests/test_support.h"

using testing_support::TempDir;
using testing_support::WriteFileBytes;

TEST(CliExtract, RawPrintsTheExactExpectedBytesOfRealDrawings) {
    auto fixtures = testing_support::FixturesDir();
    if (!fixtures) GTEST_SKIP() << "fixtures folder absent";
    for (std::string kind : {"dxf", "dwg"}) {
        for (const auto& drawing :
             testing_support::FilesWithExtension(*fixtures / kind, "." + kind)) {
            auto expected = drawing;
            expected.replace_extension(".expected");
            if (!std::filesystem::exists(expected)) continue;  // newer drawings: oracle only
            CliRun run = RunCli("extract --raw " + Quote(drawing));
            EXPECT_EQ(run.status, 0) << drawing;
            EXPECT_EQ(run.out, testing_support::ReadFileBytes(expected)) << drawing;
        }
    }
}

TEST(CliExtract, ConvertsToUtf8OneValuePerLine) {
    TempDir dir;
    WriteFileBytes(dir.path() / "a.dxf",
                   "0\r\n 1\r\n\x95\xbd\x96\xca\x90\x7d\r\n 0\r\n 1\r\nB\r\n");
    CliRun run = RunCli("extract " + Quote(dir.path() / "a.dxf"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "平面図\nB\n");
    run = RunCli("extract --raw " + Quote(dir.path() / "a.dxf"));
    EXPECT_EQ(run.out, "\x95\xbd\x96\xca\x90\x7d\r\nB\r\n");
    // A binary DXF prints nothing and is no error.
    WriteFileBytes(dir.path() / "binary.dxf",
                   std::string("AutoCAD Binary DXF\r\n\x1a\0\n 1\nX\n", 29));
    run = RunCli("extract --raw " + Quote(dir.path() / "binary.dxf"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
}

TEST(CliExtract, UnreadableFilesAreNamedAndTheRestStillPrinted) {
    TempDir dir;
    WriteFileBytes(dir.path() / "a.dxf", "0\n  1\nA\n");
    WriteFileBytes(dir.path() / "b.dxf", "0\n  1\nB\n");
    std::string err = dir.path() / "err.txt";
    CliRun run = RunCli("extract --raw " + Quote(dir.path() / "a.dxf") + " " +
                            Quote(dir.path() / "missing.dxf") + " " + Quote(dir.path() / "b.dxf"),
                        err);
    EXPECT_EQ(run.status, 2);
    std::string a = (dir.path() / "a.dxf").string(), b = (dir.path() / "b.dxf").string();
    std::string missing = (dir.path() / "missing.dxf").string();
    EXPECT_EQ(run.out, "==> " + a + " <==\nA\r\n==> " + missing + " <==\n==> " + b + " <==\nB\r\n");
    EXPECT_NE(testing_support::ReadFileBytes(err).find(missing), std::string::npos);
}

TEST(CliExtract, UsageErrorsExitWithTwo) {
    EXPECT_EQ(RunCli("extract").status, 2);
    EXPECT_EQ(RunCli("extract --bogus x.dxf").status, 2);
    EXPECT_EQ(RunCli("frobnicate").status, 2);
}

// plotsieve-cli extract, run as a user runs it.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <set>

#include "bytes/code_pages.h"
#include "bytes/spaces.h"
#include "tests/cli/cli_runner.h"
#include "tests/test_support.h"

using testing_support::DxfWithTexts;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

// DWG drawings print the lines of every kind of text they hold; their TEXT
// and MTEXT lines are exactly the expected bytes, converted to CP932 from an
// ANSI_1252 drawing's code page (the R12 drawing's block section adds TEXT
// lines after them).
TEST(CliExtract, RawPrintsTheExactExpectedBytesOfRealDrawings) {
    auto fixtures = testing_support::FixturesDir();
    if (!fixtures) GTEST_SKIP() << "fixtures folder absent";
    for (const auto& drawing : testing_support::FilesWithExtension(*fixtures / "dwg", ".dwg")) {
        auto expectedPath = drawing;
        expectedPath.replace_extension(".expected");
        if (!std::filesystem::exists(expectedPath)) continue;  // newer drawings: oracle only
        std::string expected = testing_support::ReadFileBytes(expectedPath);
        CliRun run = RunCli("extract --raw --kinds TEXT,MTEXT " + Quote(drawing));
        EXPECT_EQ(run.status, 0) << drawing;
        std::string head = testing_support::ReadFileBytes(drawing).substr(0, 0x15);
        if (head.compare(0, 6, "AC1009") == 0) {
            EXPECT_EQ(run.out.substr(0, expected.size()), expected) << drawing;
            continue;
        }
        if (head.size() == 0x15 && head[0x13] == 30 && head[0x14] == 0) {
            expected = ToCp932(expected, CodePage::Windows1252);  // ANSI_1252
        }
        EXPECT_EQ(run.out, expected) << drawing;
    }
}

TEST(CliExtract, RawHoldsEveryTextOfRealDxfDrawingsThatTheirOracleLists) {
    auto fixtures = testing_support::FixturesDir();
    if (!fixtures) GTEST_SKIP() << "fixtures folder absent";
    // The kinds whose values are plain text (MTEXT-coded ones need the
    // search's clean-up first).
    const std::set<std::string> plainKinds = {
        "TEXT", "ATTRIB", "ATTDEF", "ATTDEF_TAG", "ATTDEF_PROMPT", "DIMENSION", "TABLE_CELL"};
    for (const auto& drawing : testing_support::FilesWithExtension(*fixtures / "dxf", ".dxf")) {
        std::filesystem::path oracle = drawing.string() + ".oracle.txt";
        if (!std::filesystem::exists(oracle)) continue;
        CliRun run = RunCli("extract --raw " + Quote(drawing));
        EXPECT_EQ(run.status, 0) << drawing;
        std::ifstream in(oracle);
        for (std::string row; std::getline(in, row);) {
            size_t tab = row.find('\t'), tab2 = row.find('\t', tab + 1);
            if (tab2 == std::string::npos || !plainKinds.contains(row.substr(0, tab))) continue;
            std::string line = Utf8ToCp932Lossy(row.substr(tab2 + 1));
            RemoveSpaces(line);
            EXPECT_NE(run.out.find(line + "\r\n"), std::string::npos) << drawing << ": " << row;
        }
    }
}

TEST(CliExtract, ConvertsToUtf8OneValuePerLine) {
    TempDir dir;
    WriteFileBytes(dir.path() / "a.dxf", DxfWithTexts({"\x95\xbd\x96\xca\x90\x7d", "B"}));
    CliRun run = RunCli("extract " + Quote(dir.path() / "a.dxf"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "平面図\nB\n");
    run = RunCli("extract --raw " + Quote(dir.path() / "a.dxf"));
    EXPECT_EQ(run.out, "\x95\xbd\x96\xca\x90\x7d\r\nB\r\n");
    // A binary DXF is read too.
    std::string binary("AutoCAD Binary DXF\r\n\x1a\0", 22);
    for (std::string_view pair : {"0SECTION", "2ENTITIES", "0TEXT", "1X", "0EOF"}) {
        binary += static_cast<char>(pair[0] - '0');  // the code: two bytes, little-endian
        binary += '\0';
        binary += pair.substr(1);
        binary += '\0';
    }
    WriteFileBytes(dir.path() / "binary.dxf", binary);
    run = RunCli("extract --raw " + Quote(dir.path() / "binary.dxf"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "X\r\n");
}

TEST(CliExtract, UnreadableFilesAreNamedAndTheRestStillPrinted) {
    TempDir dir;
    WriteFileBytes(dir.path() / "a.dxf", DxfWithTexts({"A"}));
    WriteFileBytes(dir.path() / "b.dxf", DxfWithTexts({"B"}));
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

// A file of no drawing type is named as such, not printed as empty.
TEST(CliExtract, AFileOfNoDrawingTypeIsNamedAndExitsWithTwo) {
    TempDir dir;
    WriteFileBytes(dir.path() / "notes.txt", "0\nTEXT\n  1\nA\n");
    WriteFileBytes(dir.path() / "a.dxf", DxfWithTexts({"A"}));
    CliRun run =
        Cli({"extract", (dir.path() / "notes.txt").string(), (dir.path() / "a.dxf").string()});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("notes.txt': not a drawing (drawings are .dwg, .dxf"), std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find("A\n"), std::string::npos) << run.out;
}

// A stop signal, once or twice, ends extract after the file being printed:
// its text whole, no later file, and an end by the signal.
TEST(CliExtract, StopSignalsEndAfterTheFileBeingPrinted) {
    TempDir dir;
    std::vector<std::string> args{"extract"};
    for (int k = 0; k < 400; ++k) {
        std::string path = dir.path() / ("f" + std::to_string(k) + ".dxf");
        WriteFileBytes(path, DxfWithTexts({std::string(500, 'a'), "end"}));
        args.push_back(path);
    }
    for (std::vector<int> signals :
         {std::vector<int>{SIGTERM}, std::vector<int>{SIGINT, SIGINT}, std::vector<int>{SIGHUP}}) {
        SCOPED_TRACE(strsignal(signals[0]));
        CliProcess extract(args);
        EXPECT_FALSE(extract.Read(4096).empty());
        for (int number : signals) extract.Signal(number);
        CliRun run = extract.Finish();
        EXPECT_EQ(run.signal, signals[0]);
        ASSERT_GT(run.out.size(), 4u);
        EXPECT_EQ(run.out.substr(run.out.size() - 4), "end\n");
        EXPECT_EQ(run.out.find("f399.dxf"), std::string::npos);
    }
}

TEST(CliExtract, UsageErrorsExitWithTwo) {
    EXPECT_EQ(RunCli("extract").status, 2);
    EXPECT_EQ(RunCli("extract --bogus x.dxf").status, 2);
    EXPECT_EQ(RunCli("frobnicate").status, 2);
    CliRun run = Cli({"extract", "x.dxf", "--kinds"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("--kinds needs a value"), std::string::npos) << run.err;
    run = Cli({"extract", "-x", "x.dxf"});
    EXPECT_NE(run.err.find("unknown option: -x"), std::string::npos) << run.err;
    EXPECT_EQ(Cli({"extract", "--kinds=NOPE", "x.dxf"}).status, 2);
}

TEST(CliExtract, OptionsInEveryGnuFormAndFilesAfterTheirEnd) {
    TempDir dir;
    WriteFileBytes(dir.path() / "-a.dxf", "0\nTEXT\n  1\nA\n0\nTEXT\n  1\nB\n");
    std::string cwd = dir.path();
    for (std::vector<std::string> args :
         {std::vector<std::string>{"extract", "--kinds=MOJI,TEXT", "--", "-a.dxf"},
          std::vector<std::string>{"extract", "--kinds", "text", "./-a.dxf"},
          std::vector<std::string>{"extract", "./-a.dxf", "--kinds", "TEXT"}}) {
        CliRun run = Cli(args, cwd);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "A\nB\n") << args[2];
    }
    EXPECT_EQ(Cli({"extract", "--kinds=MOJI", "--", "-a.dxf"}, cwd).out, "");
    CliRun run = Cli({"extract", "--show-kind", "--raw", "--", "-a.dxf"}, cwd);
    EXPECT_EQ(run.out, "TEXT\tA\r\nTEXT\tB\r\n");
    run = Cli({"extract", "--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("plotsieve-cli ", 0), 0u);
}

TEST(CliExtract, WriteErrorsExitWithTwoAndAClosedPipeEndsQuietly) {
    TempDir dir;
    WriteFileBytes(dir.path() / "a.dxf", "0\nTEXT\n  1\nA\n");
    CliProcess full({"extract", (dir.path() / "a.dxf").string()}, "", "/dev/full");
    CliRun run = full.Finish();
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("cannot write the text: No space left on device"), std::string::npos)
        << run.err;
    // Many files: the first block arrives, then the reader goes away.
    std::vector<std::string> args{"extract"};
    for (int k = 0; k < 2000; ++k) args.push_back((dir.path() / "a.dxf").string());
    CliProcess head(args);
    EXPECT_FALSE(head.Read(1).empty());
    head.CloseOutput();
    run = head.Finish();
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.err, "");
}

TEST(CliExtract, PrintsTheTextAfterCleanUpRawKeepsTheStoredBytes) {
    TempDir dir;
    auto file = dir.path() / "a.dxf";
    WriteFileBytes(file, DxfWithTexts({"45%%d\\U+00B0", "\x95\x5c%%%"}));
    EXPECT_EQ(RunCli("extract " + Quote(file)).out, "45°°\n表%\n");
    EXPECT_EQ(RunCli("extract --raw " + Quote(file)).out, "45%%d\\U+00B0\r\n\x95\x5c%%%\r\n");
    EXPECT_EQ(RunCli("extract --show-kind " + Quote(file)).out, "TEXT\t45°°\nTEXT\t表%\n");
    EXPECT_EQ(RunCli("extract --raw --show-kind " + Quote(file)).out,
              "TEXT\t45%%d\\U+00B0\r\nTEXT\t\x95\x5c%%%\r\n");
}

TEST(CliExtract, KindsLimitTheLinesInBothModes) {
    TempDir dir;
    auto file = dir.path() / "a.dxf";
    WriteFileBytes(file, DxfWithTexts({"A"}));
    EXPECT_EQ(RunCli("extract --kinds text,MTEXT " + Quote(file)).out, "A\n");
    EXPECT_EQ(RunCli("extract --kinds=Text --raw " + Quote(file)).out, "A\r\n");
    CliRun run = RunCli("extract --kinds MTEXT,ATTRIB " + Quote(file));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(RunCli("extract --raw --kinds MOJI " + Quote(file)).out, "");
    // An unknown or missing kind is a usage error.
    std::string err = dir.path() / "err.txt";
    run = RunCli("extract --kinds TEXT,BOGUS " + Quote(file), err);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(testing_support::ReadFileBytes(err).find("BOGUS"), std::string::npos);
    EXPECT_EQ(RunCli("extract --kinds '' " + Quote(file)).status, 2);
    EXPECT_EQ(RunCli("extract " + Quote(file) + " --kinds").status, 2);
}

TEST(CliExtract, MTextParagraphBreaksPrintAsLinesEachWithItsKind) {
    TempDir dir;
    auto file = dir.path() / "a.dxf";
    // 平面 and 配置図 in CP932.
    WriteFileBytes(file,
                   "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\nMTEXT\r\n  1\r\n"
                   "{\\fMS Gothic|b0|i0;\x95\xbd\x96\xca}X\\P\x94\x7a\x92\x75\x90\x7d\r\n"
                   "  0\r\nENDSEC\r\n  0\r\nEOF\r\n");
    CliRun run = RunCli("extract --kinds MTEXT --show-kind " + Quote(file));
    if (run.out.empty()) GTEST_SKIP() << "the DXF reader gives no MTEXT lines yet";
    EXPECT_EQ(run.out, "MTEXT\t平面X\nMTEXT\t配置図\n");
}

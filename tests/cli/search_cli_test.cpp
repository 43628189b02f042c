// plotsieve-cli search, run as a user runs it: keywords, places, filters,
// exit statuses, errors and signals.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "plotsieve_version.h"
#include "tests/cli/cli_runner.h"
#include "tests/test_support.h"

using testing_support::DxfWithTexts;
using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

struct Drawings {
    TempDir dir;
    Drawings() {
        std::filesystem::create_directories(dir.path() / "sub");
        // 平面図 and ｶﾞﾗｽ in CP932.
        WriteFileBytes(dir.path() / "a.dxf", DxfWithTexts({"\x95\xbd\x96\xca\x90\x7d"}));
        WriteFileBytes(dir.path() / "sub" / "B.DXF", DxfWithTexts({"\xb6\xde\xd7\xbd", "plan"}));
        WriteFileBytes(dir.path() / "c.dwg", std::string(2500, 'x'));
    }
    std::string Place() const { return Quote(dir.path()); }
    std::string Path(const char* relative) const { return (dir.path() / relative).string(); }
};

std::string Nul(const std::string& path) { return path + std::string(1, '\0'); }

// `count` drawings with long names, so that their paths fill more than a pipe
// holds (64 KiB) and the program is still writing when the test acts.
void ManyDrawings(const std::filesystem::path& folder, int count) {
    for (int k = 0; k < count; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "%04d", k);
        WriteFileBytes(folder / (std::string(name) + std::string(120, 'x') + ".dxf"), "0\n");
    }
}

}  // namespace

TEST(CliSearch, KeywordsFormatsAndExitStatus) {
    Drawings d;
    CliRun run = RunCli("search -k '平面図|ガラス' --format paths0 " + d.Place());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, Nul(d.Path("a.dxf")) + Nul(d.Path("sub/B.DXF")));
    run = RunCli("search -k nothing " + d.Place());
    EXPECT_EQ(run.status, 1);
    run = RunCli("search -k 'ＰＬＡＮ' --format tsv " + d.Place());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.substr(0, run.out.find('\t')), "B");  // the name as the file spells it
    EXPECT_NE(run.out.find("\t" + d.Path("sub/B.DXF") + "\n"), std::string::npos);
}

TEST(CliSearch, ArgumentsInEveryGnuForm) {
    Drawings d;
    std::string place = d.dir.path();
    std::string both = Nul(d.Path("a.dxf")) + Nul(d.Path("sub/B.DXF"));
    EXPECT_EQ(Cli({"search", "--keyword=平面図", "-0", place}).out, Nul(d.Path("a.dxf")));
    EXPECT_EQ(Cli({"search", "-k平面図", "--format=paths0", place}).out, Nul(d.Path("a.dxf")));
    EXPECT_EQ(Cli({"search", place, "-0", "-k", "平面図"}).out, Nul(d.Path("a.dxf")));
    // Repeated -k adds OR pieces; --and narrows.
    EXPECT_EQ(Cli({"search", "-k", "平面図", "-k", "ガラス", "-0", place}).out, both);
    EXPECT_EQ(Cli({"search", "-k", "平面図", "-k", "ガラス", "--and", "plan", "-0", place}).out,
              Nul(d.Path("sub/B.DXF")));
    // What follows -k is the keyword, even when it looks like an option.
    CliRun run = Cli({"search", "-k", "--help", place});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    // Options after "--" are places.
    run = Cli({"search", "-0", "--", "--no-such-folder"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("--no-such-folder: No such file or directory"), std::string::npos);

    run = Cli({"search", "--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, std::string("plotsieve-cli ") + PLOTSIEVE_VERSION + "\n");
    EXPECT_EQ(Cli({"--version"}).out, run.out);
    run = Cli({"search", "--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("--show-match"), std::string::npos);

    run = Cli({"search", "--bogus", place});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("unknown option: --bogus"), std::string::npos);
    run = Cli({"search", "-x", place});
    EXPECT_NE(run.err.find("unknown option: -x"), std::string::npos);
    run = Cli({"search", place, "--format"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("--format needs a value"), std::string::npos);
    EXPECT_EQ(Cli({"search", place, "-k"}).status, 2);
    EXPECT_EQ(Cli({"search", "--format=xml", place}).status, 2);
    EXPECT_EQ(Cli({"search", place, place}).status, 2);
}

TEST(CliSearch, PlaceDefaultsToTheCurrentFolderAndRelativePlacesGiveRelativePaths) {
    Drawings d;
    std::string cwd = d.dir.path();
    EXPECT_EQ(Cli({"search", "--format", "paths"}, cwd).out, "a.dxf\nc.dwg\nsub/B.DXF\n");
    EXPECT_EQ(Cli({"search", "--format", "paths", "."}, cwd).out,
              "./a.dxf\n./c.dwg\n./sub/B.DXF\n");
    EXPECT_EQ(Cli({"search", "--format", "paths", "sub"}, cwd).out, "sub/B.DXF\n");
    EXPECT_EQ(Cli({"search", "--format", "paths", "sub/"}, cwd).out, "sub/B.DXF\n");
    EXPECT_EQ(Cli({"search", "--format", "paths", "sub/../sub"}, cwd).out, "sub/../sub/B.DXF\n");
    EXPECT_EQ(Cli({"search", "--format", "paths", "--types", "dwg"}, cwd).out, "c.dwg\n");
    // The folder cell is cut from the path as shown.
    CliRun run = Cli({"search", "--format", "tsv", "sub"}, cwd);
    EXPECT_EQ(run.out.substr(0, run.out.find("\t", 6) + 1), "B\tDXF\tsub/\t");
}

TEST(CliSearch, ADrawingGivenAsThePlaceIsSearchedAlone) {
    Drawings d;
    CliRun run = Cli({"search", "-k", "ｶﾞﾗｽ", "-0", d.Path("sub/B.DXF")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, Nul(d.Path("sub/B.DXF")));
    EXPECT_EQ(Cli({"search", "-k", "平面図", d.Path("sub/B.DXF")}).status, 1);
    EXPECT_EQ(Cli({"search", "-0", "sub/B.DXF"}, d.dir.path()).out, Nul("sub/B.DXF"));
    // A file of a type not chosen, or of no drawing type, is refused with a reason.
    run = Cli({"search", "--types", "dwg", d.Path("a.dxf")});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("a.dxf: not a folder, nor a drawing of the chosen types"),
              std::string::npos);
    WriteFileBytes(d.dir.path() / "notes.txt", "");
    EXPECT_EQ(Cli({"search", d.Path("notes.txt")}).status, 2);
}

TEST(CliSearch, MissingPlaceIsAnErrorNotAnEmptyResult) {
    Drawings d;
    CliRun run = Cli({"search", d.Path("missing")});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "plotsieve-cli: " + d.Path("missing") + ": No such file or directory\n");
}

TEST(CliSearch, UnreadableFoldersAndFilesAreNamedAndTheSearchGoesOn) {
    if (!RunsObeyPermissions()) GTEST_SKIP() << "runs cannot give up root's file access";
    Drawings d;
    std::filesystem::create_directories(d.dir.path() / "locked");
    WriteFileBytes(d.dir.path() / "locked" / "hidden.dxf", DxfWithTexts({"plan"}));
    WriteFileBytes(d.dir.path() / "z.dxf", DxfWithTexts({"plan"}));
    chmod(d.Path("locked").c_str(), 0);
    chmod(d.Path("z.dxf").c_str(), 0);
    CliRun run = Cli({"search", "-k", "plan", "-0", d.dir.path()});
    chmod(d.Path("locked").c_str(), 0700);
    EXPECT_EQ(run.status, 2);  // hits, but something was skipped
    EXPECT_EQ(run.out, Nul(d.Path("sub/B.DXF")));
    EXPECT_NE(run.err.find("plotsieve-cli: " + d.Path("locked") + ": Permission denied\n"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("plotsieve-cli: " + d.Path("z.dxf") + ": Permission denied\n"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("1 枚見つかりました"), std::string::npos);
    // The unreadable folder given as the place.
    chmod(d.Path("locked").c_str(), 0);
    run = Cli({"search", "locked"}, d.dir.path());
    chmod(d.Path("locked").c_str(), 0700);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("plotsieve-cli: locked: Permission denied\n"), std::string::npos);
    // Without a keyword no file is read, so an unreadable one is still listed.
    run = Cli({"search", "-0", "--types", "dxf", "--no-subfolders", d.dir.path()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, Nul(d.Path("a.dxf")) + Nul(d.Path("z.dxf")));
}

TEST(CliSearch, NarrowingSortingAndFilters) {
    Drawings d;
    // Every drawing, then only those that also hold "plan".
    CliRun run = RunCli("search --and plan --format paths0 " + d.Place());
    EXPECT_EQ(run.out, Nul(d.Path("sub/B.DXF")));
    run = RunCli("search --sort size --format paths0 " + d.Place());
    EXPECT_EQ(run.out.substr(run.out.rfind('\0', run.out.size() - 2) + 1), Nul(d.Path("c.dwg")));
    run = RunCli("search --min-kb 2 --format paths0 " + d.Place());
    EXPECT_EQ(run.out, Nul(d.Path("c.dwg")));
    run = RunCli("search --no-subfolders --types dxf --format paths0 " + d.Place());
    EXPECT_EQ(run.out, Nul(d.Path("a.dxf")));
    run = RunCli("search --modified --before 2000-01-01 " + d.Place());
    EXPECT_EQ(run.status, 1);
    run = RunCli("search --created --after 2000-01-01 --format paths0 " + d.Place());
    EXPECT_EQ(run.status, 0);
}

TEST(CliSearch, TimesInTheFormTheJsonWritesAreAccepted) {
    TempDir dir;
    WriteFileBytes(dir.path() / "a.dxf", "0\n");
    // 2021-06-01 00:00:00 UTC, 09:00 in the runs' zone.
    timespec times[2] = {{1622505600, 0}, {1622505600, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (dir.path() / "a.dxf").c_str(), times, 0), 0);
    std::string place = dir.path();
    auto hits = [&](std::vector<std::string> limits) {
        std::vector<std::string> args{"search", "-0", place};
        args.insert(args.end(), limits.begin(), limits.end());
        return Cli(args).status == 0;
    };
    CliRun json = Cli({"search", "--format", "json", place});
    EXPECT_NE(json.out.find("\"modified_iso\": \"2021-06-01T09:00:00+09:00\""), std::string::npos)
        << json.out;
    EXPECT_TRUE(hits({"--before", "2021-06-01T09:00:00+09:00"}));
    EXPECT_TRUE(hits({"--after", "2021-06-01T09:00:00+09:00"}));
    EXPECT_FALSE(hits({"--before", "2021-06-01T08:59:59+09:00"}));
    EXPECT_TRUE(hits({"--after", "2021-06-01T00:00:00Z"}));
    EXPECT_FALSE(hits({"--after", "2021-05-31T20:00:01-04:00"}));
    EXPECT_TRUE(hits({"--before", "2021-06-01T09:00"}));  // local time
    EXPECT_FALSE(hits({"--before", "2021-06-01 08:59"}));
    EXPECT_TRUE(hits({"--between", "2021-06-01", "2021-06-01"}));
    EXPECT_TRUE(hits({"--between=2021-05-31T23:00Z", "2021-06-01T01:00+0000"}));
    EXPECT_FALSE(hits({"--between", "2021-06-02", "2021-06-03"}));
    for (const char* bad : {"2021-06-01T09", "2021-02-29T00:00Z", "2021-06-01T09:00+9",
                            "2021-06-01T09:00:00+09:00x", "2021-6-1"}) {
        EXPECT_EQ(Cli({"search", place, "--before", bad}).status, 2) << bad;
    }
}

TEST(CliSearch, NfdKeywordIsComposedBeforeItIsConverted) {
    TempDir dir;
    WriteFileBytes(dir.path() / "a.dxf", DxfWithTexts({"\x83\x4b\x83\x89\x83\x58"}));  // ガラス
    // カ and a combining voiced mark: refused before, one voiced kana now.
    CliRun run =
        Cli({"search", "-k", "\xe3\x82\xab\xe3\x82\x99\xe3\x83\xa9\xe3\x82\xb9", "-0", dir.path()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, Nul((dir.path() / "a.dxf").string()));
}

TEST(CliSearch, RefusalsAndUsageErrorsExitWithTwo) {
    Drawings d;
    std::string err = (d.dir.path() / "err.txt").string();
    EXPECT_EQ(RunCli("search --types '' " + d.Place(), err).status, 2);
    EXPECT_NE(ReadFileBytes(err).find("検索するファイルの種類を指定してください"),
              std::string::npos);
    EXPECT_EQ(RunCli("search ''", err).status, 2);
    EXPECT_NE(ReadFileBytes(err).find("ファイルを検索する場所を指定してください"),
              std::string::npos);
    EXPECT_EQ(RunCli("search -k '😀' " + d.Place(), err).status, 2);
    EXPECT_NE(ReadFileBytes(err).find("CP932"), std::string::npos);
    EXPECT_EQ(RunCli("search --before 2020-02-30 " + d.Place()).status, 2);
    EXPECT_EQ(RunCli("search --min-kb -3 " + d.Place()).status, 2);
    EXPECT_EQ(RunCli("").status, 2);
    // The final count reaches stderr, unless asked to be quiet.
    EXPECT_EQ(RunCli("search -k 平面図 " + d.Place(), err).status, 0);
    EXPECT_NE(ReadFileBytes(err).find("1 枚見つかりました"), std::string::npos);
    CliRun quiet = Cli({"search", "-q", "-k", "平面図", d.dir.path()});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "");
}

TEST(CliSearch, WriteErrorsExitWithTwoAndAClosedPipeEndsQuietly) {
    Drawings d;
    CliProcess full({"search", "--format", "tsv", d.dir.path()}, "", "/dev/full");
    CliRun run = full.Finish();
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("cannot write the results: No space left on device"), std::string::npos)
        << run.err;
    // Help and version check their writes too.
    for (std::vector<std::string> args :
         {std::vector<std::string>{"search", "--help"}, std::vector<std::string>{"--help"},
          std::vector<std::string>{"--version"}}) {
        CliProcess help(args, "", "/dev/full");
        run = help.Finish();
        EXPECT_EQ(run.status, 2) << args[0];
        EXPECT_NE(run.err.find("No space left on device"), std::string::npos) << run.err;
    }

    TempDir many;
    ManyDrawings(many.path(), 1000);
    CliProcess head({"search", "--format", "paths", many.path()});
    EXPECT_FALSE(head.Read(1).empty());  // the first row arrives before the search ends
    head.CloseOutput();
    run = head.Finish();
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.err.find("cannot write"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("見つかりました"), std::string::npos) << run.err;
}

// SIGINT (Ctrl-C), SIGTERM (timeout, kill) and SIGHUP (a closed terminal),
// once or twice in quick succession (timeout -s INT signals the process and
// its group): the rows found so far in a closed array, the cancel text, and
// an end by the first signal.
TEST(CliSearch, StopSignalsKeepTheRowsSoFarPrintTheCancelTextAndEndByTheSignal) {
    TempDir many;
    ManyDrawings(many.path(), 1000);
    for (std::vector<int> signals :
         {std::vector<int>{SIGINT}, std::vector<int>{SIGTERM}, std::vector<int>{SIGHUP},
          std::vector<int>{SIGINT, SIGINT}, std::vector<int>{SIGTERM, SIGINT}}) {
        SCOPED_TRACE(std::string(strsignal(signals[0])) + " x" + std::to_string(signals.size()));
        CliProcess search({"search", "--format", "json", "--threads", "2", many.path()});
        EXPECT_FALSE(search.Read(4096).empty());
        for (int number : signals) search.Signal(number);
        CliRun run = search.Finish();
        // Two signals sent at once may arrive in either order (the lower
        // number first): the first to arrive ends it.
        EXPECT_NE(std::find(signals.begin(), signals.end(), run.signal), signals.end())
            << run.signal;
        EXPECT_NE(run.err.find("処理はｷｬﾝｾﾙされました"), std::string::npos) << run.err;
        size_t rows = 0;
        for (size_t at = run.out.find("\"path\""); at != std::string::npos;
             at = run.out.find("\"path\"", at + 1)) {
            ++rows;
        }
        EXPECT_GT(rows, 0u);
        EXPECT_LT(rows, 1000u);
        EXPECT_EQ(run.out.substr(0, 1), "[");
        ASSERT_GT(run.out.size(), 4u);
        EXPECT_EQ(run.out.substr(run.out.size() - 4), "}\n]\n");
        // Every row whole: as many ends of objects as starts.
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '{'),
                  std::count(run.out.begin(), run.out.end(), '}'));
    }
    // Rows of tsv end whole too.
    CliProcess tsv({"search", "--format", "tsv", "--threads", "2", many.path()});
    EXPECT_FALSE(tsv.Read(4096).empty());
    tsv.Signal(SIGTERM);
    tsv.Signal(SIGTERM);
    CliRun run = tsv.Finish();
    EXPECT_EQ(run.signal, SIGTERM);
    ASSERT_FALSE(run.out.empty());
    EXPECT_EQ(run.out.back(), '\n');
}

// Limits no drawing can meet and keywords that match nothing are refused
// with one line and a hint, as the window refuses them.
TEST(CliSearch, ImpossibleLimitsAndEmptyKeywordsAreRefusedInOneLine) {
    Drawings d;
    for (std::vector<std::string> args :
         {std::vector<std::string>{"search", "-k", " ", d.dir.path()},
          std::vector<std::string>{"search", "-k", " | ", d.dir.path()},
          std::vector<std::string>{"search", "--min-kb", "10", "--max-kb", "1", d.dir.path()},
          std::vector<std::string>{"search", "--between", "2024-02-01", "2024-01-01", d.dir.path()},
          std::vector<std::string>{"search", "--bogus", d.dir.path()}}) {
        SCOPED_TRACE(args[1] + " " + args[2]);
        CliRun run = Cli(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_LE(std::count(run.err.begin(), run.err.end(), '\n'), 2) << run.err;
        EXPECT_EQ(run.err.find("usage:"), std::string::npos) << run.err;
    }
    CliRun run = Cli({"search", "--bogus"});
    EXPECT_EQ(run.err,
              "plotsieve-cli search: unknown option: --bogus\n"
              "Try 'plotsieve-cli search --help' for more information.\n");
    run = Cli({"frobnicate"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err,
              "plotsieve-cli: unknown command 'frobnicate'\n"
              "Try 'plotsieve-cli --help' for more information.\n");
    // Equal limits stay accepted (no drawing here is 1 kB: no hit, status 1);
    // -k '' lists every drawing.
    EXPECT_EQ(
        Cli({"search", "-q", "--types", "dxf", "--min-kb", "1", "--max-kb", "1", d.dir.path()})
            .status,
        1);
    EXPECT_EQ(Cli({"search", "-q", "--types", "dxf", "--between", "2000-01-01", "2000-01-01",
                   d.dir.path()})
                  .status,
              1);
    EXPECT_EQ(Cli({"search", "-q", "--types", "dxf", "-k", "", d.dir.path()}).status, 0);
}

TEST(CliSearch, SxfDrawingsAreTheirOwnTypeAndFoldedKeywordsFindThem) {
    TempDir dir;
    // 平面図 in Shift_JIS in the SFC, and as \X2\ hex in the P21 beside ∅45.
    WriteFileBytes(dir.path() / "a.sfc",
                   "ISO-10303-21;\n/*SXF\n#10 = text_string_feature('9','8','1',\\'"
                   "\x95\xbd\x96\xca\x90\x7d\\')\nSXF*/\n");
    WriteFileBytes(dir.path() / "b.P21",
                   "ISO-10303-21;\nDATA;\n#10=TEXT_LITERAL('n','\\X2\\5E73976256F3\\X0\\',#1,'a',"
                   ".RIGHT.,#2);\n#20=TEXT_LITERAL('n','\\X2\\2205\\X0\\45',#1,'a',.RIGHT.,#2);\n");
    WriteFileBytes(dir.path() / "c.dxf", DxfWithTexts({"\x95\xbd\x96\xca\x90\x7d"}));
    std::string place = Quote(dir.path());
    CliRun run = RunCli("search -k 平面図 --types sxf --sort name --format paths " + place);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              (dir.path() / "a.sfc").string() + "\n" + (dir.path() / "b.P21").string() + "\n");
    run = RunCli("search -k 平面図 --types dxf,dwg,jw,mcd,dra --format paths " + place);
    EXPECT_EQ(run.out, (dir.path() / "c.dxf").string() + "\n");
    // Ø is no CP932 character: the keyword folds to φ45, as ∅45 in the drawing does.
    run = RunCli("search -k Ø45 --format paths " + place);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, (dir.path() / "b.P21").string() + "\n");
    // A character with no CP932 form at all is still refused.
    run = Cli({"search", "-k", "房间", dir.path()});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("cannot contain"), std::string::npos);
}

// plotsieve-cli search, run as a user runs it.
#include <gtest/gtest.h>

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

}  // namespace

TEST(CliSearch, KeywordsFormatsAndExitStatus) {
    Drawings d;
    CliRun run = RunCli("search -k '平面図|ガラス' --format paths0 " + d.Place());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              d.Path("a.dxf") + std::string(1, '\0') + d.Path("sub/B.DXF") + std::string(1, '\0'));
    run = RunCli("search -k nothing " + d.Place());
    EXPECT_EQ(run.status, 1);
    run = RunCli("search -k 'ＰＬＡＮ' --format tsv " + d.Place());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.substr(0, run.out.find('\t')), "b");  // the shown name is lower-cased
    EXPECT_NE(run.out.find("\t" + d.Path("sub/B.DXF") + "\n"), std::string::npos);
}

TEST(CliSearch, NarrowingSortingAndFilters) {
    Drawings d;
    // Every drawing, then only those that also hold "plan".
    CliRun run = RunCli("search --and plan --format paths0 " + d.Place());
    EXPECT_EQ(run.out, d.Path("sub/B.DXF") + std::string(1, '\0'));
    run = RunCli("search --sort size --format paths0 " + d.Place());
    EXPECT_EQ(run.out.substr(run.out.rfind('\0', run.out.size() - 2) + 1),
              d.Path("c.dwg") + std::string(1, '\0'));
    run = RunCli("search --min-kb 2 --format paths0 " + d.Place());
    EXPECT_EQ(run.out, d.Path("c.dwg") + std::string(1, '\0'));
    run = RunCli("search --no-subfolders --types dxf --format paths0 " + d.Place());
    EXPECT_EQ(run.out, d.Path("a.dxf") + std::string(1, '\0'));
    run = RunCli("search --modified --before 2000-01-01 " + d.Place());
    EXPECT_EQ(run.status, 1);
    run = RunCli("search --created --after 2000-01-01 --format paths0 " + d.Place());
    EXPECT_EQ(run.status, 0);
}

TEST(CliSearch, JsonCarriesCellsPathBytesAndTimes) {
    Drawings d;
    CliRun run = RunCli("search --types dwg --format json " + d.Place());
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\"name\": \"c\", \"type\": \"dwg\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"size\": \"2KB\""), std::string::npos);
    EXPECT_NE(run.out.find("\"bytes\": 2500"), std::string::npos);
    EXPECT_NE(run.out.find("\"path\": \"" + d.Path("c.dwg") + "\""), std::string::npos);
    EXPECT_NE(run.out.find("\"modified_iso\": \"20"), std::string::npos);
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
    EXPECT_EQ(RunCli("search").status, 2);
    // The final count always reaches stderr.
    EXPECT_EQ(RunCli("search -k 平面図 " + d.Place(), err).status, 0);
    EXPECT_NE(ReadFileBytes(err).find("1 枚見つかりました"), std::string::npos);
}

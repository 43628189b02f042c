// What plotsieve-cli search writes: names as they are, each format's
// escapes, display widths, the header, where each drawing matched.
#include <gtest/gtest.h>

#include "tests/cli/cli_runner.h"
#include "tests/test_support.h"

using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) lines.push_back(line);
    return lines;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
        fields.push_back(line.substr(start, tab - start));
    }
    fields.push_back(line.substr(start));
    return fields;
}

}  // namespace

TEST(CliSearchOutput, BackslashIsAnOrdinaryCharacterOfAName) {
    TempDir dir;
    WriteFileBytes(dir.path() / "back\\slash.dxf", "0\n");
    WriteFileBytes(dir.path() / "a.dwg\\b.dxf", "0\n");
    WriteFileBytes(dir.path() / "c.dwg", "0\n");
    CliRun run = Cli({"search", "--format", "tsv", "--sort", "type"}, dir.path());
    std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    // By type: dwg, then the two dxf in path order; tsv escapes the backslash.
    EXPECT_EQ(Fields(lines[0])[0], "c");
    std::vector<std::string> fields = Fields(lines[1]);
    fields.resize(3);
    EXPECT_EQ(fields, (std::vector<std::string>{"a.dwg\\\\b", "dxf", ""}));
    EXPECT_EQ(Fields(lines[2])[0], "back\\\\slash");
    EXPECT_EQ(Fields(lines[2])[6], "back\\\\slash.dxf");
    run = Cli({"search", "--format", "json", "--types", "dxf", "--sort", "name"}, dir.path());
    EXPECT_NE(run.out.find("\"name\": \"back\\\\slash\", \"type\": \"dxf\", \"folder\": \"\""),
              std::string::npos)
        << run.out;
    EXPECT_EQ(Cli({"search", "-0", "--sort", "name", "--types", "dxf"}, dir.path()).out,
              std::string("a.dwg\\b.dxf\0back\\slash.dxf\0", 27));
}

TEST(CliSearchOutput, TsvEscapesAndWritesIsoTimes) {
    TempDir dir;
    WriteFileBytes(dir.path() / "tab\there\nand.DXF", "0\n");
    CliRun run = Cli({"search", "--format", "tsv"}, dir.path());
    std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 1u) << run.out;
    std::vector<std::string> fields = Fields(lines[0]);
    ASSERT_EQ(fields.size(), 7u);
    EXPECT_EQ(fields[0], "tab\\there\\nand");
    EXPECT_EQ(fields[1], "DXF");
    EXPECT_EQ(fields[3], "0.002KB");
    for (int k : {4, 5}) {
        EXPECT_EQ(fields[k].size(), 25u) << fields[k];  // 2026-01-02T03:04:05+09:00
        EXPECT_EQ(fields[k].substr(10, 1), "T");
        EXPECT_EQ(fields[k].substr(19), "+09:00");
    }
    EXPECT_EQ(fields[6], "tab\\there\\nand.DXF");
    // paths writes the bytes as they are; paths0 is the safe form for such names.
    EXPECT_EQ(Cli({"search", "-0"}, dir.path()).out, std::string("tab\there\nand.DXF\0", 17));
}

TEST(CliSearchOutput, JsonCarriesCellsExactPathBytesAndTimes) {
    TempDir dir;
    WriteFileBytes(dir.path() / "c.DWG", std::string(2500, 'x'));
    WriteFileBytes(dir.path() / "\x95\xbd.dxf", "0\n");  // a CP932 name copied from Windows
    CliRun run = Cli({"search", "--format", "json", "--sort", "name"}, dir.path());
    EXPECT_EQ(run.status, 0);
    std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out;
    EXPECT_EQ(lines[0], "[");
    EXPECT_NE(lines[1].find("{\"name\": \"c\", \"type\": \"DWG\", \"folder\": \"\", \"size\": "
                            "\"2KB\""),
              std::string::npos)
        << lines[1];
    EXPECT_NE(lines[1].find("\"path\": \"c.DWG\", \"bytes\": 2500, \"created_iso\": \"20"),
              std::string::npos);
    EXPECT_EQ(lines[1].find("path_bytes"), std::string::npos);
    // Not UTF-8: replacement characters in the text, the exact bytes in base64.
    EXPECT_NE(lines[2].find("\"path\": \"\xEF\xBF\xBD\xEF\xBF\xBD.dxf\""), std::string::npos)
        << lines[2];
    EXPECT_NE(lines[2].find("\"path_bytes\": \"lb0uZHhm\""), std::string::npos) << lines[2];
    EXPECT_EQ(lines[3], "]");
    run = Cli({"search", "--format", "json", "-k", "nothing"}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "[]\n");
    // The table decodes such a name as CP932 (a lone lead byte is U+FFFD).
    run = Cli({"search", "--types", "dxf"}, dir.path());
    EXPECT_EQ(run.out.substr(0, 4), "\xE5\xB9\xB3 ") << run.out;  // 平
}

// Names stored as CP932 bytes (copied from a Windows share) read in the table
// and in json's "name" and "folder" as the window shows them; tsv, paths and
// json's "path_bytes" keep the exact bytes.
TEST(CliSearchOutput, Cp932NamesAreDecodedForReadingAndKeptExactElsewhere) {
    TempDir dir;
    const std::string plan = "\x95\xbd\x96\xca\x90\x7d";  // 平面図
    const std::string folder = "\x90\x7d\x96\xca";        // 図面
    std::filesystem::create_directories(dir.path() / folder / "utf8-図");
    WriteFileBytes(dir.path() / folder / "utf8-図" / (plan + ".dxf"), "0\n");
    CliRun table = Cli({"search"}, dir.path());
    EXPECT_EQ(table.status, 0) << table.err;
    EXPECT_EQ(table.out.rfind("平面図  dxf  図面/utf8-図/  ", 0), 0u) << table.out;
    CliRun json = Cli({"search", "--format", "json"}, dir.path());
    EXPECT_NE(
        json.out.find("{\"name\": \"平面図\", \"type\": \"dxf\", \"folder\": \"図面/utf8-図/\""),
        std::string::npos)
        << json.out;
    std::string path = folder + "/utf8-図/" + plan + ".dxf";
    EXPECT_NE(json.out.find("\"path_bytes\": \"kH2Wyi91dGY4LeWbsy+VvZbKkH0uZHhm\""),
              std::string::npos)
        << json.out;
    CliRun tsv = Cli({"search", "--format", "tsv"}, dir.path());
    EXPECT_EQ(tsv.out.rfind(plan + "\tdxf\t" + folder + "/utf8-図/\t", 0), 0u) << tsv.out;
    EXPECT_NE(tsv.out.find("\t" + path + "\n"), std::string::npos) << tsv.out;
    EXPECT_EQ(Cli({"search", "--format", "paths"}, dir.path()).out, path + "\n");
}

TEST(CliSearchOutput, TableHeaderOnlyOnATerminalAndWidthsFromTheCharacterDatabase) {
    TempDir dir;
    for (const char* name : {"abcdef", "ｶﾞﾗｽ", "\xe3\x81\x8b\xe3\x82\x99\xe3\x83\xa9\xe3\x82\xb9",
                             "\xf0\x9f\x98\x80", "e\xcc\x81"}) {
        WriteFileBytes(dir.path() / (std::string(name) + ".dxf"), "0\n");
    }
    CliRun run = Cli({"search", "--sort", "name"}, dir.path());
    std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 5u) << run.out;  // no header: stdout is no terminal
    // Every name is padded to the widest (6 columns) and two spaces.
    EXPECT_EQ(lines[0].substr(0, 11), "abcdef  dxf");
    EXPECT_EQ(lines[1].substr(0, 13),
              "e\xcc\x81"
              "       dxf");  // e + combining acute: 1
    EXPECT_EQ(lines[2].substr(0, 17), "\xe3\x81\x8b\xe3\x82\x99\xe3\x83\xa9\xe3\x82\xb9  dxf");
    EXPECT_EQ(lines[3].substr(0, 19), "ｶﾞﾗｽ    dxf");                // half-width: 4
    EXPECT_EQ(lines[4].substr(0, 13), "\xf0\x9f\x98\x80      dxf");  // emoji: 2

    // Under a terminal (script gives the program a pseudo-terminal) the header comes first.
    std::string command;
    for (const std::string& w : CliLauncher()) command += "'" + w + "' ";
    command += "search --sort name " + Quote(dir.path());
    std::string shell = "env -i";
    for (const std::string& e : CleanEnvironment()) shell += " '" + e + "'";
    shell += " script -qec \"" + command + "\" /dev/null";
    FILE* pipe = popen(shell.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
    EXPECT_EQ(out.rfind("ﾌｧｲﾙ名  ﾀｲﾌﾟ  ﾌｫﾙﾀﾞ", 0), 0u) << out;
}

TEST(CliSearchOutput, ShowMatchAddsWhereEachDrawingMatchedAsALastCell) {
    TempDir dir;
    // A line that does not match, then one that does; the cell shows it after
    // its clean-up (%%c is drawn as φ) in UTF-8, a tab in it escaped.
    WriteFileBytes(dir.path() / "a.dxf",
                   "0\nTEXT\n  1\nplan\n0\nTEXT\n  1\n%%c\x95\xbd\x96\xca\x90\x7d\tX\n");
    CliRun run = Cli({"search", "--show-match", "--format", "tsv", "-k", "平面"}, dir.path());
    std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 1u) << run.out;
    std::vector<std::string> fields = Fields(lines[0]);
    ASSERT_EQ(fields.size(), 9u);  // the cells, the path, kind and text
    EXPECT_EQ(fields[7], "TEXT");
    EXPECT_EQ(fields[8], "φ平面図\\tX");
    run = Cli({"search", "--show-match", "--format", "json", "-k", "平面"}, dir.path());
    EXPECT_NE(run.out.find("\"match_kind\": \"TEXT\", \"match_text\": \"φ平面図\\tX\"}"),
              std::string::npos)
        << run.out;
    run = Cli({"search", "--show-match", "-k", "平面"}, dir.path());
    EXPECT_NE(run.out.find("  TEXT: φ平面図\\tX\n"), std::string::npos) << run.out;
    // Without a keyword no text is read, so there is nothing to show.
    run = Cli({"search", "--show-match", "--format", "json"}, dir.path());
    EXPECT_NE(run.out.find("\"match_kind\": null, \"match_text\": null}"), std::string::npos);
    run = Cli({"search", "--show-match", "--format", "tsv"}, dir.path());
    EXPECT_EQ(run.out.substr(run.out.size() - 3), "\t\t\n");
}

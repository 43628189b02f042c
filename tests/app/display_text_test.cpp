#include "app/display_text.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/column_sort.h"
#include "tests/test_support.h"

using testing_support::Hex;

namespace {

ResultRecord Record(const std::string& fullPath) {
    ResultRecord record;
    record.fullPath = fullPath;
    std::string shown = fullPath;
    for (char& c : shown) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    record.shownPath = shown;
    return record;
}

}  // namespace

TEST(DisplayText, NameCopiedFromWindowsShowsAsCp932AndUtf8FoldersStay) {
    EXPECT_EQ(DisplayPath("/home/図面/a.dxf"), "/home/図面/a.dxf");
    EXPECT_EQ(DisplayPath("/home/図面/" + Hex("95 BD 96 CA 90 7D") + ".dxf"),
              "/home/図面/平面図.dxf");
    // A trail byte 0x5C is no separator on this system, and stays in its character.
    EXPECT_EQ(DisplayPath("/d/" + Hex("95 5C") + "/x.dxf"), "/d/表/x.dxf");
    // Bytes that are no CP932 character show as replacement characters.
    EXPECT_EQ(DisplayPath("/d/" + Hex("FF FF") + ".dxf"), "/d/\uFFFD\uFFFD.dxf");
}

TEST(DisplayText, CellsOfACp932NameKeepCharactersWhoseTrailByteIsALetter) {
    // ア is 83 41: lowering the bytes of the path would make the trail byte
    // 0x61, another character.
    ResultRecord record = Record("/DATA/" + Hex("83 41 83 4E") + "Plan.DXF");
    record.size = 999;
    ResultCells cells = DisplayCells(record);
    EXPECT_EQ(cells.name, "アクplan");
    EXPECT_EQ(cells.type, "dxf");
    EXPECT_EQ(cells.folder, "/data/");
    EXPECT_EQ(cells.size, "0.999KB");
    // UTF-8 paths show their lower-cased form as before.
    EXPECT_EQ(DisplayCells(Record("/DATA/平面図.DXF")).name, "平面図");
}

TEST(DisplayText, MatchCellNamesTheKindAndShowsOneLine) {
    ResultRecord record = Record("/a.dxf");
    EXPECT_EQ(MatchCell(record), "");
    record.matchText = Hex("94 72 89 8C 91 8B") + "\t(2F)";  // 排煙窓
    record.matchKind = TextKind::Text;
    EXPECT_EQ(MatchCell(record), "TEXT: 排煙窓 (2F)");
    record.matchKind = TextKind::JwText;
    EXPECT_EQ(MatchCell(record).substr(0, 6), "MOJI: ");
    record.matchKind.reset();
    EXPECT_EQ(MatchCell(record), "排煙窓 (2F)");
    // A long line is cut at 200 characters.
    record.matchText = std::string(300, 'x');
    EXPECT_EQ(MatchCell(record), std::string(200, 'x') + "…");
}

TEST(ColumnSort, NamesSortAsTheFileManagerDoesNumbersAsNumbers) {
    std::vector<ResultRecord> records = {Record("/d/plan10.dxf"), Record("/d/plan9.dxf"),
                                         Record("/d/plan2.dxf"), Record("/c/plan9.dxf")};
    auto order = [&](ResultColumn column) {
        std::vector<ResultRecord> sorted = records;
        std::stable_sort(sorted.begin(), sorted.end(), [&](const auto& a, const auto& b) {
            return CompareForColumn(a, MakeColumnSortKeys(a), b, MakeColumnSortKeys(b), column) < 0;
        });
        std::vector<std::string> paths;
        for (const ResultRecord& record : sorted) paths.push_back(record.fullPath);
        return paths;
    };
    // Equal names follow by folder.
    EXPECT_EQ(order(ResultColumn::Name),
              (std::vector<std::string>{"/d/plan2.dxf", "/c/plan9.dxf", "/d/plan9.dxf",
                                        "/d/plan10.dxf"}));
    EXPECT_EQ(order(ResultColumn::Folder),
              (std::vector<std::string>{"/c/plan9.dxf", "/d/plan2.dxf", "/d/plan9.dxf",
                                        "/d/plan10.dxf"}));
    records[0].size = 5;
    records[1].size = 1;
    records[2].size = 5;
    records[3].size = 3;
    EXPECT_EQ(order(ResultColumn::Size),
              (std::vector<std::string>{"/d/plan9.dxf", "/c/plan9.dxf", "/d/plan2.dxf",
                                        "/d/plan10.dxf"}));
}

#include "results/result_record.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "results/sort.h"
#include "tests/test_support.h"

using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

ResultRecord Shown(const std::string& path) {
    ResultRecord record;
    record.shownPath = path;
    return record;
}

}  // namespace

TEST(FormatResultCells, CutsNameTypeAndFolderFromTheShownPath) {
    ResultCells cells = FormatResultCells(Shown("/a/plan.rev.dxf"));
    EXPECT_EQ(cells.name, "plan.rev");
    EXPECT_EQ(cells.type, "dxf");
    EXPECT_EQ(cells.folder, "/a/");
    cells = FormatResultCells(Shown("/a/.dxf"));
    EXPECT_EQ(cells.name, "");
    EXPECT_EQ(cells.type, "dxf");
    cells = FormatResultCells(Shown("/a.b/noext"));
    EXPECT_EQ(cells.name, "noext");
    EXPECT_EQ(cells.type, "");
    EXPECT_EQ(cells.folder, "/a.b/");
    cells = FormatResultCells(Shown("/図面/配置図..dwg"));
    EXPECT_EQ(cells.name, "配置図.");
    EXPECT_EQ(cells.type, "dwg");
    EXPECT_EQ(cells.folder, "/図面/");
}

TEST(SplitPath, BackslashIsAnOrdinaryCharacterOfANativeName) {
    PathParts parts = SplitPath("/a\\b/back\\slash.d\\x.dxf");
    EXPECT_EQ(parts.folder, "/a\\b/");
    EXPECT_EQ(parts.name, "back\\slash.d\\x");
    EXPECT_EQ(parts.type, "dxf");
}

TEST(FormatSizeCell, KilobytesOfOneThousandTruncated) {
    EXPECT_EQ(FormatSizeCell(0), "0.000KB");
    EXPECT_EQ(FormatSizeCell(5), "0.005KB");
    EXPECT_EQ(FormatSizeCell(999), "0.999KB");
    EXPECT_EQ(FormatSizeCell(1000), "1KB");
    EXPECT_EQ(FormatSizeCell(1999), "1KB");
    EXPECT_EQ(FormatSizeCell(1000000), "1000KB");
    EXPECT_EQ(FormatSizeCell(5'000'000'000), "5000000KB");  // past 2 GiB
}

TEST(FormatTimeCell, TwoDigitFieldsInLocalTime) {
    auto time = LocalTimeToEpoch(2000, 3, 5, 9, 7, 30);
    ASSERT_TRUE(time);
    EXPECT_EQ(FormatTimeCell(*time), "00/03/05 09:07");
    auto late = LocalTimeToEpoch(2040, 12, 31, 23, 59, 0);  // after 2038
    ASSERT_TRUE(late);
    EXPECT_EQ(FormatTimeCell(*late), "40/12/31 23:59");
    EXPECT_FALSE(LocalTimeToEpoch(2001, 2, 30, 0, 0, 0));
}

TEST(MakeResultRecord, TakesTheFileStatusAndKeepsBothPaths) {
    TempDir dir;
    WriteFileBytes(dir.path() / "Plan.DXF", std::string(1500, 'x'));
    auto record = MakeResultRecord(dir.path() / "Plan.DXF", "shown");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->size, 1500);
    EXPECT_EQ(record->fullPath, (dir.path() / "Plan.DXF").string());
    EXPECT_EQ(record->shownPath, "shown");
    EXPECT_NE(record->creationTime, 0);
    EXPECT_NE(record->modificationTime, 0);
    EXPECT_FALSE(MakeResultRecord(dir.path() / "gone.dxf", "gone"));
}

TEST(CompareResultRecords, TextKeysFollowCharacterCodes) {
    EXPECT_EQ(CompareResultRecords(Shown("/b/a.dxf"), Shown("/a/z.dxf"), SortKey::FullPath), 1);
    EXPECT_EQ(CompareResultRecords(Shown("/a/z.dxf"), Shown("/a/z.dxf"), SortKey::FullPath), 0);
    EXPECT_EQ(CompareResultRecords(Shown("/a/z"), Shown("/a/z.dxf"), SortKey::FullPath), -1);
    // DWG, DXF, dwg, dxf in exactly that order.
    std::vector<std::string> order{"/x.DWG", "/y.DXF", "/a.dwg", "/b.dxf"};
    for (size_t i = 0; i + 1 < order.size(); ++i) {
        EXPECT_EQ(CompareResultRecords(Shown(order[i]), Shown(order[i + 1]), SortKey::Extension),
                  -1)
            << order[i];
    }
    EXPECT_EQ(CompareResultRecords(Shown("/a.b/x"), Shown("/c"), SortKey::Extension), 0);
}

TEST(CompareResultRecords, NumberKeysCompareStoredValues) {
    ResultRecord small, large;
    small.size = 999;
    large.size = 1000;
    small.creationTime = 5;
    large.creationTime = -5;
    small.modificationTime = large.modificationTime = 7;
    EXPECT_EQ(CompareResultRecords(small, large, SortKey::Size), -1);
    EXPECT_EQ(CompareResultRecords(small, large, SortKey::CreationTime), 1);
    EXPECT_EQ(CompareResultRecords(small, large, SortKey::ModificationTime), 0);
}

TEST(CompareCp932Text, DoubleByteCharactersCompareAsOneValue) {
    using testing_support::Hex;
    EXPECT_EQ(CompareCp932Text("A", "a"), -1);
    // Half-width katakana (one byte) goes before every double-byte character.
    EXPECT_EQ(CompareCp932Text(Hex("DF"), Hex("81 40")), -1);
    EXPECT_EQ(CompareCp932Text(Hex("88 9F"), Hex("88 A0")), -1);
    EXPECT_EQ(CompareCp932Text("ab", "abc"), -1);
    EXPECT_EQ(CompareCp932Text("abc", "ab"), 1);
    EXPECT_EQ(CompareCp932Text("", ""), 0);
}

namespace {

// A record and its column keys, the keys standing in for the front end's.
struct Row {
    ResultRecord record;
    ColumnSortKeys keys;
};

Row MakeRow(const std::string& fullPath, const std::string& name, const std::string& folder,
            int64_t size) {
    Row row;
    row.record.fullPath = row.record.shownPath = fullPath;
    row.record.size = size;
    row.keys = {.name = name, .type = "dxf", .folder = folder, .match = ""};
    return row;
}

int Compare(const Row& a, const Row& b, ResultColumn column) {
    return CompareForColumn(a.record, a.keys, b.record, b.keys, column);
}

}  // namespace

TEST(CompareForColumn, RowsEqualInTheColumnFollowByNameFolderThenFullPath) {
    const Row a = MakeRow("/d/a.dxf", "a", "/d/", 5);
    const Row b = MakeRow("/c/b.dxf", "b", "/c/", 5);
    const Row aElsewhere = MakeRow("/c/a.dxf", "a", "/c/", 1);
    // Keys that collate alike but paths that differ (as "A.dxf" and "a.dxf"
    // may for the desktop's collation): the full path settles it.
    const Row aUpper = MakeRow("/d/A.dxf", "a", "/d/", 5);
    EXPECT_EQ(Compare(a, b, ResultColumn::Size), -1);           // equal sizes: by name
    EXPECT_EQ(Compare(aElsewhere, a, ResultColumn::Name), -1);  // equal names: by folder
    EXPECT_EQ(Compare(aUpper, a, ResultColumn::Name), -1);      // all else equal: by path
    EXPECT_EQ(Compare(a, a, ResultColumn::Name), 0);
    // The column first: sizes as numbers, folders by their keys.
    EXPECT_EQ(Compare(aElsewhere, b, ResultColumn::Size), -1);
    EXPECT_EQ(Compare(b, a, ResultColumn::Folder), -1);
    // The order is whole and its two directions agree, in every column.
    const Row rows[] = {a, b, aElsewhere, aUpper};
    for (int c = 0; c < kResultColumnCount; ++c) {
        const auto column = static_cast<ResultColumn>(c);
        for (const Row& x : rows) {
            for (const Row& y : rows) {
                EXPECT_EQ(Compare(x, y, column), -Compare(y, x, column)) << c;
                EXPECT_EQ(Compare(x, y, column) == 0, x.record.fullPath == y.record.fullPath) << c;
            }
        }
    }
}

TEST(CompareForColumn, TimesAndMatchesSortByTheirOwnColumn) {
    Row early = MakeRow("/z.dxf", "z", "/", 1), late = MakeRow("/a.dxf", "a", "/", 1);
    early.record.creationTime = 10;
    late.record.creationTime = 20;
    early.record.modificationTime = 30;
    late.record.modificationTime = 5;
    early.keys.match = "b";
    late.keys.match = "a";
    early.keys.type = "dwg";
    late.keys.type = "dxf";
    EXPECT_EQ(Compare(early, late, ResultColumn::Created), -1);
    EXPECT_EQ(Compare(early, late, ResultColumn::Modified), 1);
    EXPECT_EQ(Compare(early, late, ResultColumn::Match), 1);
    EXPECT_EQ(Compare(early, late, ResultColumn::Type), -1);
    EXPECT_EQ(Compare(early, late, ResultColumn::Name), 1);
}

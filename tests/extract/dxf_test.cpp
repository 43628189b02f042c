#include "extract/dxf.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

using testing_support::Hex;

namespace {

std::string Dxf(std::string_view bytes) { return ExtractDxfText(AsBytes(bytes)); }

}  // namespace

TEST(ExtractDxfText, GroupOneLineInEachWrittenForm) {
    EXPECT_EQ(Dxf("0\r\nTEXT\r\n 1\r\nABC\r\n0\r\n"), "ABC\r\n");
    EXPECT_EQ(Dxf("  0\r\nTEXT\r\n  1\r\nABC\r\n  0\r\n"), "ABC\r\n");
    EXPECT_EQ(Dxf("  0\nTEXT\n  1\nABC\n  0\n"), "ABC\r\n");
    EXPECT_EQ(Dxf("0\nTEXT\n 1\nABC\n0\n"), "ABC\r\n");
}

TEST(ExtractDxfText, OtherCodeLinesAreNotGroupOne) {
    // A bare "1" (an unpadded value), three spaces, and codes 10, 11, 100.
    EXPECT_EQ(Dxf(" 70\r\n1\r\nX\r\n"), "");
    EXPECT_EQ(Dxf("0\r\n   1\r\nX\r\n"), "");
    EXPECT_EQ(Dxf("0\r\n 10\r\nX\r\n 11\r\nY\r\n100\r\nZ\r\n  11\r\nW\r\n"), "");
    // Something other than a line end before the spaces, or a lone CR after.
    EXPECT_EQ(Dxf("0\r\nA 1\r\nX\r\n"), "");
    EXPECT_EQ(Dxf("0\r\n 1\rX\r\n"), "");
    // On the very first line nothing precedes the code line.
    EXPECT_EQ(Dxf(" 1\r\nX\r\n"), "");
    EXPECT_EQ(Dxf("0\r\n     1\r\nX\r\n"), "");
}

TEST(ExtractDxfText, ValuesInFileOrderWithEmptyOnes) {
    EXPECT_EQ(Dxf("0\r\n 1\r\nA\r\n 0\r\n 1\r\n\r\n 0\r\n 1\r\nB\r\n"), "A\r\n\r\nB\r\n");
    // A value line followed at once by another group-one code line.
    EXPECT_EQ(Dxf("0\n  1\nA\n  1\nB\n"), "A\r\nB\r\n");
    // A value that looks like a group-one code line is still only a value.
    EXPECT_EQ(Dxf("0\n  1\n 1\nB\n"), "1\r\n");
}

TEST(ExtractDxfText, ValueEndsAtFirstLineEndOrAtEndOfData) {
    EXPECT_EQ(Dxf("0\r\n 1\r\nAB\nC\r\n"), "AB\r\n");
    EXPECT_EQ(Dxf("0\r\n 1\r\nAB"), "AB\r\n");
    EXPECT_EQ(Dxf("0\r\n 1\r\n"), "\r\n");
    EXPECT_EQ(Dxf(std::string_view("0\n 1\nA\0B\n", 10)), std::string("A\0B\r\n", 5));
    // A code line cut off by the end of the data has no value line.
    EXPECT_EQ(Dxf("0\r\n 1"), "");
    EXPECT_EQ(Dxf("0\r\n 1\r"), "");
}

TEST(ExtractDxfText, SpacesAreDeletedAtCharacterBoundaries) {
    EXPECT_EQ(Dxf("0\r\n 1\r\nK 12 3\r\n"), "K123\r\n");
    EXPECT_EQ(Dxf("0\r\n 1\r\n    \r\n"), "\r\n");
    // Full-width space between two kanji goes; 0x88 0x81 then 0x40 stays.
    EXPECT_EQ(Dxf("0\r\n 1\r\n" + Hex("95 BD 81 40 96 CA") + "\r\n"), Hex("95 BD 96 CA 0D 0A"));
    EXPECT_EQ(Dxf("0\r\n 1\r\n" + Hex("88 81 40") + "\r\n"), Hex("88 81 40 0D 0A"));
    // 0x20 as the second byte of a (malformed) double-byte character stays.
    EXPECT_EQ(Dxf("0\r\n 1\r\n" + Hex("88 20 41 20") + "\r\n"), Hex("88 20 41 0D 0A"));
}

TEST(ExtractDxfText, TrailBytesThatLookLikeMarkersDoNotHideText) {
    // 0x31 ('1') and 0x20 occur as trail bytes of kanji in values.
    std::string value = Hex("8C 31 88 20 82 31");
    EXPECT_EQ(Dxf("0\n  1\n" + value + "\n  1\nZ\n"), Hex("8C 31 88 20 82 31 0D 0A 5A 0D 0A"));
}

TEST(ExtractDxfText, BinaryAndForeignDataGiveNothing) {
    std::string binary = "AutoCAD Binary DXF\r\n\x1a";
    binary += std::string(1, '\0') + "\n 1\nTEXT\n";
    EXPECT_EQ(Dxf(binary), "");
    EXPECT_EQ(Dxf(""), "");
    EXPECT_EQ(Dxf("\x89PNG\r\n\x1a\n"), "");
}

TEST(ExtractDxfText, FindsMarkersAcrossEveryBlockOffset) {
    // The scan works in blocks of 32 or 16 bytes; a marker must be found
    // wherever it falls, by both.
    for (size_t pad = 0; pad < 80; ++pad) {
        std::string data(pad, 'x');
        data += "\n  1\nV\n";
        data += std::string(pad % 7, 'y');
        for (bool wide : {true, false}) {
            EXPECT_EQ(ExtractDxfTextWithFilter(AsBytes(data), wide), "V\r\n") << "padding " << pad;
        }
    }
}

TEST(ExtractDxfText, RealDrawingsGiveTheirExpectedText) {
    auto fixtures = testing_support::FixturesDir();
    if (!fixtures) GTEST_SKIP() << "fixtures folder absent";
    auto drawings = testing_support::FilesWithExtension(*fixtures / "dxf", ".dxf");
    ASSERT_FALSE(drawings.empty());
    for (const auto& drawing : drawings) {
        auto expected = drawing;
        expected.replace_extension(".expected");
        if (!std::filesystem::exists(expected)) continue;  // newer drawings: oracle only
        EXPECT_EQ(Dxf(testing_support::ReadFileBytes(drawing)),
                  testing_support::ReadFileBytes(expected))
            << drawing;
    }
}

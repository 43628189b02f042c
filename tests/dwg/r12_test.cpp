#include "dwg/r12.h"

#include <gtest/gtest.h>

#include "dwg/dwg.h"
#include "tests/dwg/dwg_builder.h"
#include "tests/test_support.h"

using dwg_testing::R12File;
using dwg_testing::R12HandleText;
using dwg_testing::R12Record;
using dwg_testing::R12TextData;
using testing_support::Hex;

namespace {

std::string Extract(const std::string& file) {
    return dwg_testing::ReadBothWays(ExtractDwgText, file).Joined();
}

// ReadR12Entities alone: its result, and its lines joined in `out`.
bool Entities(const std::string& file, std::string& out) {
    MemorySource source(AsBytes(file));
    ExtractedText text;
    bool read = ReadR12Entities(source, text);
    out = text.Joined();
    return read;
}

}  // namespace

TEST(ReadR12Entities, TextRecordsInFileOrderWithSpacesRemoved) {
    std::string file = R12File(R12HandleText("AB") + R12HandleText("C D"));
    EXPECT_EQ(Extract(file), "AB\r\nCD\r\n");
    std::string out;
    EXPECT_TRUE(Entities(file, out));
    EXPECT_EQ(out, "AB\r\nCD\r\n");
}

TEST(ReadR12Entities, FullWidthSpacesGoAfterTheEmptyLineTest) {
    std::string file = R12File(R12HandleText(Hex("81 40 81 40")) +
                               R12HandleText(Hex("95 BD 81 40 96 CA 20 88 81 40")));
    EXPECT_EQ(Extract(file), "\r\n" + Hex("95 BD 96 CA 88 81 40 0D 0A"));
}

TEST(ReadR12Entities, ZeroBytesAreDroppedAndEmptyValuesGiveNoLine) {
    std::string file = R12File(R12HandleText(std::string("A\0B", 3)) + R12HandleText("") +
                               R12HandleText(std::string(3, '\0')) + R12HandleText("C"));
    EXPECT_EQ(Extract(file), "AB\r\nC\r\n");
}

// Fixed fault: only records with flags exactly 0x20 were read; real drawings
// set other flag bits, each announcing a field before the TEXT data.
TEST(ReadR12Entities, FlagBitsAnnounceOptionalFields) {
    const std::string handle = Hex("02 1F 03");
    const std::string data = R12TextData("T");
    const std::string eed = Hex("05 00") + "EEDEE";
    std::string records;
    records += R12Record(7, 0x61, Hex("02") + eed + Hex("07") + handle + data);  // extra, colour
    records += R12Record(7, 0x60, Hex("00") + handle + data);
    records += R12Record(7, 0x04, std::string(8, '\x3F') + data);    // elevation
    records += R12Record(7, 0x02, Hex("05 00") + data);              // line type
    records += R12Record(7, 0x08, std::string(8, '\x3F') + data);    // thickness
    records += R12Record(7, 0x40, Hex("04") + Hex("01 00") + data);  // viewport
    records += R12Record(7, 0x00, data);
    // Everything at once, in the published order.
    records += R12Record(7, 0x6F,
                         Hex("06") + eed + Hex("07") + Hex("05 00") + std::string(16, '\x3F') +
                             handle + Hex("01 00") + data);
    EXPECT_EQ(Extract(R12File(records)), "T\r\nT\r\nT\r\nT\r\nT\r\nT\r\nT\r\nT\r\n");
}

TEST(ReadR12Entities, FlagsWithNoKnownFieldAreSteppedOver) {
    const std::string data = R12TextData("X");
    std::string records = R12Record(7, 0x10, data) + R12Record(7, 0xA0, Hex("01 01") + data) +
                          R12Record(7, 0x40, Hex("01") + data) +  // extra-flags bit 0x01
                          R12Record(7, 0x40, Hex("10") + data) + R12HandleText("ok");
    EXPECT_EQ(Extract(R12File(records)), "ok\r\n");
}

TEST(ReadR12Entities, OtherRecordsAreSteppedOver) {
    std::string line = R12Record(1, 0x20, Hex("01 05") + std::string(48, '\x07'));
    std::string deleted = R12HandleText("gone");
    deleted[0] = static_cast<char>(0x87);  // a deleted TEXT
    std::string block = R12Record(12, 0x20, Hex("01 05") + R12TextData("name"));
    EXPECT_EQ(Extract(R12File(line + deleted + block + R12HandleText("Z"))), "Z\r\n");
}

TEST(ReadR12Entities, NegativeTextLengthGivesNoLine) {
    std::string data(24, '\0');
    data += Hex("FE FF") + "abc";
    std::string records = R12Record(7, 0x00, data) + R12HandleText("next");
    EXPECT_EQ(Extract(R12File(records)), "next\r\n");
}

TEST(ReadR12Entities, WalkStopsFourBytesBeforeTheFirstMarker) {
    // The first marker lies inside a record's own bytes: a record that starts
    // 4 bytes before it is not read, one that starts 5 bytes before it is.
    const std::string marker = Hex("3B 91 97 AB 07 91");
    auto textAround = [&](size_t markerAt) {
        std::string body = std::string(24, '\0') + Hex("02 00") + "xy";
        std::string record = R12Record(7, 0x00, body);
        record.replace(markerAt, marker.size(), marker);
        return record;
    };
    EXPECT_EQ(Extract(R12File(R12HandleText("in") + textAround(4))), "in\r\n");
    EXPECT_EQ(Extract(R12File(R12HandleText("in") + textAround(5))), "in\r\nxy\r\n");
    // Records after the marker are never read.
    std::string after = R12File(R12HandleText("in")) + R12HandleText("after");
    EXPECT_EQ(Extract(after), "in\r\n");
}

TEST(ReadR12Entities, NoEntitySectionGivesNothing) {
    std::string noMarker = R12File(R12HandleText("A"));
    noMarker.resize(noMarker.size() - 21);
    std::string out;
    EXPECT_FALSE(Entities(noMarker, out));
    EXPECT_EQ(out, "");

    std::string zeroStart = R12File(R12HandleText("A"));
    for (int k = 0; k < 4; ++k) zeroStart[0x14 + k] = 0;
    EXPECT_FALSE(Entities(zeroStart, out));

    // The marker before the start: the start moved beyond it.
    std::string late = R12File(R12HandleText("A"));
    late[0x15] = 0x10;
    EXPECT_FALSE(Entities(late, out));
    EXPECT_EQ(Extract(late), "");
}

TEST(ReadR12Entities, WalkEndsAtRecordLengthsOfZeroOrLess) {
    for (uint8_t high : {0x00, 0x80, 0xFF}) {
        std::string stuck = R12Record(1, 0, "abcd");
        stuck[2] = 0;
        stuck[3] = static_cast<char>(high);
        std::string file = R12File(R12HandleText("before") + stuck + R12HandleText("after"));
        EXPECT_EQ(Extract(file), "before\r\n") << int(high);
    }
}

TEST(ReadR12Entities, FieldsPastTheRecordEndTheWalk) {
    // The text length says 100 bytes; the record holds 3.
    std::string data(24, '\0');
    data += Hex("64 00") + "abc";
    std::string records =
        R12HandleText("before") + R12Record(7, 0x20, Hex("00") + data) + R12HandleText("after");
    EXPECT_EQ(Extract(R12File(records)), "before\r\n");
    // A handle length beyond the record.
    std::string handle = R12Record(7, 0x20, Hex("F0 01"));
    EXPECT_EQ(Extract(R12File(R12HandleText("A") + handle + R12HandleText("B"))), "A\r\n");
}

TEST(ReadR12Entities, RecordRunningPastTheFileEndsTheWalk) {
    std::string big = R12HandleText("big");
    big[2] = 0x00;
    big[3] = 0x70;  // 28 KB
    std::string file = R12File(R12HandleText("A") + big);
    EXPECT_EQ(Extract(file), "A\r\n");
}

TEST(ExtractDwgText, VersionIsTheFirstSixBytesCutAtZero) {
    std::string records = R12HandleText("A");
    EXPECT_EQ(Extract(R12File(records)), "A\r\n");
    EXPECT_EQ(Extract(R12File(records, "AC1018")), "");
    EXPECT_EQ(Extract(R12File(records, "ac1009")), "");
    EXPECT_EQ(Extract(R12File(records, std::string("AC10\0\0", 6))), "");
    EXPECT_EQ(Extract(R12File(records, std::string("AC1009", 6))), "A\r\n");
    EXPECT_EQ(Extract("AC100"), "");
    EXPECT_EQ(Extract("AC1009"), "");
    EXPECT_EQ(Extract(""), "");
}

TEST(ReadR12Entities, AttributesGiveTheirValuesDefinitionsAlsoPromptAndTag) {
    std::string records = dwg_testing::R12Attrib("the value", "TAG") + R12HandleText("text") +
                          dwg_testing::R12Attdef("default", "Your name", "NAME") +
                          dwg_testing::R12Attdef("", "", "ONLYTAG") +
                          dwg_testing::R12Attrib(std::string("\0\0", 2), "T");
    ExtractedText text = dwg_testing::ReadBothWays(ExtractDwgText, R12File(records));
    EXPECT_EQ(text.Joined(), "thevalue\r\ntext\r\ndefault\r\nYourname\r\nNAME\r\nONLYTAG\r\n");
    EXPECT_EQ(dwg_testing::Kinds(text), "ATVPGG");
    // A negative length ends the record's values.
    std::string cut = R12Record(15, 0x20,
                                "\x01\x06" + std::string(24, '\0') + Hex("01 00") + "v" +
                                    Hex("FF FF") + Hex("01 00") + "t");
    EXPECT_EQ(Extract(R12File(cut + R12HandleText("next"))), "v\r\nnext\r\n");
}

TEST(ReadR12Blocks, BlockSectionLinesFollowTheEntitySection) {
    std::string blocks = R12Record(12, 0x00, std::string(30, '\x33')) + R12HandleText("in block") +
                         dwg_testing::R12Attdef("d", "p", "T") + R12Record(13, 0x00, "");
    ExtractedText text = dwg_testing::ReadBothWays(
        ExtractDwgText, dwg_testing::R12FileWithBlocks(R12HandleText("entity"), blocks));
    EXPECT_EQ(text.Joined(), "entity\r\ninblock\r\nd\r\np\r\nT\r\n");
    EXPECT_EQ(dwg_testing::Kinds(text), "TTVPG");
    // Without an entity section's end marker the blocks are still read.
    std::string noMarker = dwg_testing::R12FileWithBlocks(R12HandleText("entity"), blocks);
    noMarker[0x40 + R12HandleText("entity").size() + 4] = 'x';
    EXPECT_EQ(Extract(noMarker), "inblock\r\nd\r\np\r\nT\r\n");
}

TEST(ReadR12Blocks, DamageEndsTheBlockWalkOnly) {
    std::string stuck = R12Record(1, 0, "abcd");
    stuck[2] = stuck[3] = 0;
    std::string blocks = R12HandleText("b1") + stuck + R12HandleText("b2");
    EXPECT_EQ(Extract(dwg_testing::R12FileWithBlocks(R12HandleText("e"), blocks)), "e\r\nb1\r\n");
    // A block section said to run past the end of the file stops there.
    std::string file = dwg_testing::R12FileWithBlocks(R12HandleText("e"), R12HandleText("b1"));
    file[0x22] = 0x7F;
    EXPECT_EQ(Extract(file), "e\r\nb1\r\n");
    // A start beyond the file reads nothing.
    file[0x1F] = 0x70;
    EXPECT_EQ(Extract(file), "e\r\n");
}

TEST(ReadR12Entities, RecordsAreReadInPieces) {
    std::string records;
    for (int k = 0; k < 3000; ++k) records += R12HandleText("line " + std::to_string(k));
    std::string file = dwg_testing::R12FileWithBlocks(records, records);
    dwg_testing::PieceSource source(file);
    ExtractedText text;
    ExtractDwgText(source, text);
    EXPECT_EQ(text.size(), 6000u);
    EXPECT_LE(source.largestRead, size_t{64} << 10);
    EXPECT_LE(source.bytesRead, 4 * file.size());
}

TEST(ExtractDwgText, StopsWhenTheTextIsFull) {
    std::string records;
    for (int k = 0; k < 100; ++k) records += R12HandleText("0123456789");
    std::string file = R12File(records);
    MemorySource source(AsBytes(file));
    // Room for five lines and half of a sixth.
    ExtractedText text(5 * (10 + ExtractedText::kLineCost) + ExtractedText::kLineCost + 5);
    ExtractDwgText(source, text);
    EXPECT_TRUE(text.Full());
    EXPECT_EQ(text.ByteCount(), 55u);
    EXPECT_EQ(text.size(), 6u);
}

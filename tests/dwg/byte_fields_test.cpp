#include "dwg/byte_fields.h"

#include <gtest/gtest.h>

#include "tests/dwg/dwg_builder.h"
#include "tests/test_support.h"

using dwg_testing::View;
using testing_support::Hex;

TEST(ReadModularChar, SevenBitGroupsLeastSignificantFirst) {
    std::string bytes = Hex("3F 81 01 FF FF FF FF 0F");
    ByteCursor c;
    EXPECT_EQ(ReadModularChar(View(bytes), c), 63u);
    EXPECT_EQ(c.pos, 1u);
    EXPECT_EQ(ReadModularChar(View(bytes), c), 129u);
    EXPECT_EQ(c.pos, 3u);
    EXPECT_EQ(ReadModularChar(View(bytes), c), 0xFFFFFFFFu);  // five bytes, 32 bits set
    EXPECT_EQ(c.pos, 8u);
    EXPECT_FALSE(c.overrun);
}

TEST(ReadSignedModularChar, SignInTheLastByte) {
    std::string bytes = Hex("41 3F 81 41 C0 00 85 01");
    ByteCursor c;
    EXPECT_EQ(ReadSignedModularChar(View(bytes), c), -1);
    EXPECT_EQ(ReadSignedModularChar(View(bytes), c), 63);
    // 0x81 0x41: groups 1 and 0x41, the sign bit (bit 13) cleared: -129.
    EXPECT_EQ(ReadSignedModularChar(View(bytes), c), -129);
    EXPECT_EQ(ReadSignedModularChar(View(bytes), c), 64);  // C0 00: 0x40 in the first group
    EXPECT_EQ(ReadSignedModularChar(View(bytes), c), 133);
    EXPECT_EQ(c.pos, 8u);
    EXPECT_FALSE(c.overrun);
}

TEST(ReadModularChar, EndOfDataOrOverlongFormIsDamage) {
    std::string cut = Hex("81 82");
    ByteCursor c;
    EXPECT_EQ(ReadModularChar(View(cut), c), 0u);
    EXPECT_TRUE(c.overrun);
    EXPECT_EQ(c.pos, 2u);
    std::string endless = Hex("80 80 80 80 80 80 01");
    ByteCursor d;
    ReadSignedModularChar(View(endless), d);
    EXPECT_TRUE(d.overrun);
    ByteCursor e;
    ReadModularChar(ByteView{}, e);
    EXPECT_TRUE(e.overrun);
}

// Fixed fault: sizes of 32 KB or more were taken as two bytes.
TEST(ReadModularShort, SizesOf32KBOrMoreTakeTwoWords) {
    std::string bytes = Hex("34 12  00 80 01 00  FF FF 03 00");
    ByteCursor c;
    EXPECT_EQ(ReadModularShort(View(bytes), c), 0x1234u);
    EXPECT_EQ(c.pos, 2u);
    EXPECT_EQ(ReadModularShort(View(bytes), c), 0x8000u);
    EXPECT_EQ(c.pos, 6u);
    EXPECT_EQ(ReadModularShort(View(bytes), c), 0x7FFFu | (3u << 15));
    EXPECT_EQ(c.pos, 10u);
    EXPECT_FALSE(c.overrun);
}

TEST(ReadModularShort, ThirdWordOrEndOfDataIsDamage) {
    std::string three = Hex("00 80 00 80 01 00");
    ByteCursor c;
    ReadModularShort(View(three), c);
    EXPECT_TRUE(c.overrun);
    std::string cut = Hex("00 80 01");
    ByteCursor d;
    EXPECT_EQ(ReadModularShort(View(cut), d), 0u);
    EXPECT_TRUE(d.overrun);
}

TEST(ReadFixedFields, NumbersThatDoNotFitReadAsZero) {
    std::string bytes = Hex("01 02 03 04");
    EXPECT_EQ(ReadLe16At(View(bytes), 2), 0x0403u);
    EXPECT_EQ(ReadLe16At(View(bytes), 3), 0u);
    EXPECT_EQ(ReadLe32At(View(bytes), 0), 0x04030201u);
    EXPECT_EQ(ReadLe32At(View(bytes), 1), 0u);
    EXPECT_EQ(ReadBe16At(View(bytes), 0), 0x0102u);
    EXPECT_EQ(ReadBe16At(View(bytes), 9), 0u);
}

#include "dwg/bit_cursor.h"

#include <gtest/gtest.h>

#include "tests/dwg/dwg_builder.h"
#include "tests/test_support.h"

using dwg_testing::Bits;
using dwg_testing::BitWriter;
using dwg_testing::View;
using testing_support::Hex;

TEST(ReadBits, TakesBitsFromTheMostSignificantEnd) {
    std::string bytes = Hex("AB CD EF");
    BitCursor c{5};
    EXPECT_EQ(ReadBits(View(bytes), c, 12), 0x79Bu);
    EXPECT_EQ(c.bit, 17u);
    EXPECT_EQ(ReadBits(View(bytes), c, 7), 0x6Fu);
    EXPECT_FALSE(c.overrun);
}

TEST(ReadBits, ThirtyTwoBitsAcrossFiveBytes) {
    std::string bytes = Hex("12 34 56 78 9A");
    BitCursor c;
    EXPECT_EQ(ReadBits(View(bytes), c, 32), 0x12345678u);
    c.bit = 4;
    EXPECT_EQ(ReadBits(View(bytes), c, 32), 0x23456789u);
    EXPECT_EQ(c.bit, 36u);
    EXPECT_FALSE(c.overrun);
}

TEST(ReadBits, LastBitsOfTheDataNeedNoLookAhead) {
    // The window beyond the last bit is never needed: no overrun.
    std::string bytes = Hex("F0");
    BitCursor c{4};
    EXPECT_EQ(ReadBits(View(bytes), c, 4), 0u);
    EXPECT_FALSE(c.overrun);
    c.bit = 0;
    EXPECT_EQ(ReadBits(View(bytes), c, 8), 0xF0u);
    EXPECT_FALSE(c.overrun);
}

TEST(ReadBits, BitsPastTheEndReadAsZeroAndOverrunSticks) {
    std::string bytes = Hex("FF");
    BitCursor c{4};
    EXPECT_EQ(ReadBits(View(bytes), c, 8), 0xF0u);  // four real bits, four zeros
    EXPECT_TRUE(c.overrun);
    c.bit = 0;
    EXPECT_EQ(ReadBits(View(bytes), c, 8), 0xFFu);
    EXPECT_TRUE(c.overrun);  // stays set
    BitCursor empty;
    EXPECT_EQ(ReadBits(ByteView{}, empty, 32), 0u);
    EXPECT_TRUE(empty.overrun);
}

TEST(SkipBits, PastTheEndStopsAtTheEnd) {
    std::string bytes = Hex("00 00");
    BitCursor c;
    SkipBits(View(bytes), c, 16);
    EXPECT_EQ(c.bit, 16u);
    EXPECT_FALSE(c.overrun);
    SkipBits(View(bytes), c, 1);
    EXPECT_EQ(c.bit, 16u);
    EXPECT_TRUE(c.overrun);
    BitCursor far{3};
    SkipBits(View(bytes), far, ~uint64_t{0});
    EXPECT_EQ(far.bit, 16u);
    EXPECT_TRUE(far.overrun);
}

TEST(ReadBitShort, EachCodeReadsItsWidth) {
    auto bits = Bits("00 00110100 00010010  01 11111111  10  11");
    BitCursor c;
    EXPECT_EQ(ReadBitShort(View(bits), c), 0x1234u);
    EXPECT_EQ(c.bit, 18u);
    EXPECT_EQ(ReadBitShort(View(bits), c), 255u);
    EXPECT_EQ(c.bit, 28u);
    EXPECT_EQ(ReadBitShort(View(bits), c), 0u);
    EXPECT_EQ(c.bit, 30u);
    EXPECT_EQ(ReadBitShort(View(bits), c), 256u);
    EXPECT_EQ(c.bit, 32u);
    EXPECT_FALSE(c.overrun);
}

TEST(ReadBitShort, SixteenBitFormIsNeverNegative) {
    auto bits = Bits("00 11111111 11111111");
    BitCursor c;
    EXPECT_EQ(ReadBitShort(View(bits), c), 65535u);
}

TEST(ReadBitLong, EachCodeReadsItsWidth) {
    auto bits = Bits("00 00000001 00000010 00000011 00000100  01 10000000  10  11");
    BitCursor c;
    EXPECT_EQ(ReadBitLong(View(bits), c), 0x04030201u);
    EXPECT_EQ(c.bit, 34u);
    EXPECT_EQ(ReadBitLong(View(bits), c), 0x80u);
    EXPECT_EQ(c.bit, 44u);
    EXPECT_EQ(ReadBitLong(View(bits), c), 0u);
    EXPECT_EQ(c.bit, 46u);
    ReadBitLong(View(bits), c);
    EXPECT_EQ(c.bit, 48u);
    EXPECT_FALSE(c.overrun);
}

TEST(ReadRawLong, FirstByteIsLeastSignificant) {
    std::string bytes = Hex("01 02 03 04");
    BitCursor c;
    EXPECT_EQ(ReadRawLong(View(bytes), c), 0x04030201u);
    EXPECT_EQ(c.bit, 32u);
}

TEST(ReadRawDouble, EightBytesLittleEndianAtAnyBit) {
    BitWriter w;
    w.Raw(5, 3);
    w.RawDouble(-1234.5);
    BitCursor c{3};
    EXPECT_EQ(ReadRawDouble(View(w.bytes()), c), -1234.5);
    EXPECT_EQ(c.bit, 67u);
    EXPECT_FALSE(c.overrun);
}

TEST(ReadBitDouble, EachCodeReadsItsWidth) {
    BitWriter w;
    w.Raw(1, 2);  // 01: 1.0
    w.Raw(2, 2);  // 10: 0.0
    w.Raw(0, 2);  // 00: a raw double
    w.RawDouble(3.25);
    BitCursor c;
    EXPECT_EQ(ReadBitDouble(View(w.bytes()), c), 1.0);
    EXPECT_EQ(c.bit, 2u);
    EXPECT_EQ(ReadBitDouble(View(w.bytes()), c), 0.0);
    EXPECT_EQ(c.bit, 4u);
    EXPECT_EQ(ReadBitDouble(View(w.bytes()), c), 3.25);
    EXPECT_EQ(c.bit, 70u);
    EXPECT_FALSE(c.overrun);
}

TEST(ReadDefaultDouble, EachCodeReadsItsWidthOverTheDefault) {
    // 10 then 01: 2 + 48 + 2 + 32 bits, patching the default's bytes.
    double target = 1.0e10;
    uint64_t t;
    std::memcpy(&t, &target, 8);
    BitWriter w;
    w.Raw(2, 2);
    w.Byte((t >> 32) & 0xFF);
    w.Byte((t >> 40) & 0xFF);
    for (int k = 0; k < 4; ++k) w.Byte((t >> (8 * k)) & 0xFF);
    w.Raw(1, 2);
    for (int k = 0; k < 4; ++k) w.Byte((t >> (8 * k)) & 0xFF);
    w.Raw(0, 2);
    w.Raw(3, 2);
    w.RawDouble(-7.0);
    BitCursor c;
    EXPECT_EQ(ReadDefaultDouble(View(w.bytes()), c, 1.0e10 + 1.0), target);
    EXPECT_EQ(c.bit, 50u);
    EXPECT_EQ(ReadDefaultDouble(View(w.bytes()), c, target + 0.5), target);
    EXPECT_EQ(c.bit, 84u);
    EXPECT_EQ(ReadDefaultDouble(View(w.bytes()), c, 42.0), 42.0);
    EXPECT_EQ(c.bit, 86u);
    EXPECT_EQ(ReadDefaultDouble(View(w.bytes()), c, 42.0), -7.0);
    EXPECT_EQ(c.bit, 152u);
    EXPECT_FALSE(c.overrun);
}

TEST(ReadHandleRef, CodeCounterThenCounterBytes) {
    auto bits = Bits("0101 0010 00000001 00000010  0011 0000  1");
    BitCursor c;
    HandleRef first = ReadHandleRef(View(bits), c);
    EXPECT_EQ(first.code, 5u);
    EXPECT_EQ(first.counter, 2u);
    EXPECT_EQ(first.value, 0x0102u);
    EXPECT_EQ(c.bit, 24u);
    HandleRef second = ReadHandleRef(View(bits), c);  // counter 0: no value bytes
    EXPECT_EQ(second.code, 3u);
    EXPECT_EQ(c.bit, 32u);
    EXPECT_EQ(ReadBit(View(bits), c), 1u);
}

TEST(SkipExtendedData, SkipsEveryBlockUpToSizeZero) {
    BitWriter w;
    w.BitShort(3);
    w.Handle(5, "\x12\x34");
    w.Bytes("abc");
    w.BitShort(300);
    w.Handle(5, "\x01");
    w.Bytes(std::string(300, 'x'));
    w.BitShort(0);
    size_t end = w.bits();
    w.Raw(0x5A, 8);
    BitCursor c;
    SkipExtendedData(View(w.bytes()), c);
    EXPECT_EQ(c.bit, end);
    EXPECT_EQ(ReadBits(View(w.bytes()), c, 8), 0x5Au);
    EXPECT_FALSE(c.overrun);
}

TEST(SkipExtendedData, EndsWhenSizesRunPastTheData) {
    BitWriter w;
    w.BitShort(60000);
    w.Handle(5, "\x01");
    w.Bytes("short");
    BitCursor c;
    SkipExtendedData(View(w.bytes()), c);
    EXPECT_TRUE(c.overrun);
    EXPECT_EQ(c.bit, w.bytes().size() * 8);
    // Every bit set: sizes of 256 again and again, until the end.
    std::string ones(64, '\xFF');
    BitCursor d;
    SkipExtendedData(View(ones), d);
    EXPECT_TRUE(d.overrun);
}

TEST(ReadTextValue, CountThenBytesWithZeroBytesKept) {
    BitWriter w;
    w.Raw(1, 1);  // off the byte boundary
    w.Text(std::string("A\0B", 3));
    BitCursor c{1};
    EXPECT_EQ(ReadTextValue(View(w.bytes()), c), std::string("A\0B", 3));
    EXPECT_EQ(c.bit, 1u + 10u + 24u);
    BitWriter empty;
    empty.Text("");
    BitCursor e;
    EXPECT_EQ(ReadTextValue(View(empty.bytes()), e), "");
    EXPECT_EQ(e.bit, 2u);
}

// Fixed fault: a count of 258 or more gave "Errorcode1220" instead of the text.
TEST(ReadTextValue, LongTextsAreReadWhole) {
    for (size_t count : {257u, 258u, 4000u, 65535u}) {
        std::string text(count, 'n');
        text.back() = 'Z';
        BitWriter w;
        w.Text(text);
        w.Byte(0xA5);
        BitCursor c;
        EXPECT_EQ(ReadTextValue(View(w.bytes()), c), text) << count;
        EXPECT_EQ(c.bit, 18u + 8 * count) << count;
        EXPECT_EQ(ReadBits(View(w.bytes()), c, 8), 0xA5u);
        EXPECT_FALSE(c.overrun);
    }
}

TEST(ReadTextValue, CountPastTheEndReadsNothing) {
    BitWriter w;
    w.BitShort(10);
    w.Bytes("123456789");  // one byte short
    BitCursor c;
    EXPECT_EQ(ReadTextValue(View(w.bytes()), c), "");
    EXPECT_TRUE(c.overrun);
    EXPECT_EQ(c.bit, w.bytes().size() * 8);
}

TEST(ReadObjectType, EachCodeReadsItsWidth) {
    // 00: one byte; 01: one byte above 0x1F0; 10 and 11: a raw short.
    auto bits = Bits("00 00000001  01 00000100  10 11110100 00000001  11 00110100 00010010");
    BitCursor c;
    EXPECT_EQ(ReadObjectType(View(bits), c), 1u);
    EXPECT_EQ(c.bit, 10u);
    EXPECT_EQ(ReadObjectType(View(bits), c), 0x1F4u);
    EXPECT_EQ(c.bit, 20u);
    EXPECT_EQ(ReadObjectType(View(bits), c), 0x1F4u);
    EXPECT_EQ(c.bit, 38u);
    EXPECT_EQ(ReadObjectType(View(bits), c), 0x1234u);
    EXPECT_FALSE(c.overrun);
}

TEST(ReadBitLongLong, ByteCountThenBytesLowFirst) {
    auto bits =
        Bits("000  001 11111111  011 00000001 00000010 00000011  111" + std::string(7 * 8, '1'));
    BitCursor c;
    EXPECT_EQ(ReadBitLongLong(View(bits), c), 0u);
    EXPECT_EQ(c.bit, 3u);
    EXPECT_EQ(ReadBitLongLong(View(bits), c), 255u);
    EXPECT_EQ(ReadBitLongLong(View(bits), c), 0x030201u);
    EXPECT_EQ(ReadBitLongLong(View(bits), c), 0xFFFFFFFFFFFFFFu);
    EXPECT_FALSE(c.overrun);
}

TEST(ReadRawShort, LowByteFirst) {
    auto bits = Bits("1 00110100 00010010");
    BitCursor c{1};
    EXPECT_EQ(ReadRawShort(View(bits), c), 0x1234u);
    EXPECT_EQ(c.bit, 17u);
}

TEST(ReadUnicodeText, CountOfUnitsThenTheirBytes) {
    BitWriter w;
    w.Bit(true);  // off the byte boundary
    w.BitShort(2);
    w.Bytes(std::string("A\0\x73\x5E", 4));
    BitCursor c{1};
    EXPECT_EQ(ReadUnicodeText(View(w.bytes()), c), std::string("A\0\x73\x5E", 4));
    EXPECT_EQ(c.bit, 1u + 10 + 32);
    EXPECT_FALSE(c.overrun);
    // A count past the end reads nothing and overruns.
    BitWriter over;
    over.BitShort(3);
    over.Bytes("ab");
    BitCursor o;
    EXPECT_EQ(ReadUnicodeText(View(over.bytes()), o), "");
    EXPECT_TRUE(o.overrun);
}

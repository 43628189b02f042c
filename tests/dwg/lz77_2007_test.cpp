#include "dwg/lz77_2007.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/test_support.h"

using testing_support::Hex;

namespace {

struct Result {
    bool ok = false;
    std::string out;
};

Result Decompress(const std::string& compressed, size_t size) {
    std::vector<uint8_t> exact(compressed.begin(), compressed.end());  // over-reads trip ASan
    std::vector<uint8_t> out;
    Result result;
    result.ok = DecompressLz77R2007({exact.data(), exact.size()}, size, out);
    EXPECT_EQ(out.size(), size);
    result.out.assign(out.begin(), out.end());
    return result;
}

// The first opcode of a literal run of `length` bytes.
std::string FirstRun(size_t length) {
    if (length < 8) return std::string{'\x20', '\0', '\0', static_cast<char>(length)};
    if (length < 0x17) return std::string(1, static_cast<char>(length - 8));
    length -= 0x17;
    if (length < 0xFF) return std::string{'\x0F', static_cast<char>(length)};
    std::string op = "\x0F\xFF";
    length -= 0xFF;
    for (;; length -= 0xFFFF) {
        size_t part = std::min<size_t>(length, 0xFFFF);
        op += static_cast<char>(part & 0xFF);
        op += static_cast<char>(part >> 8);
        if (part != 0xFFFF) return op;
    }
}

// "ABCDEFGH": opcode 0x00 starts a run of 8 literal bytes, stored as they are.
const std::string kPrefix = Hex("00 41 42 43 44 45 46 47 48");

std::string Repeat(std::string_view unit, size_t size) {
    std::string text;
    while (text.size() < size) text += unit;
    return text.substr(0, size);
}

}  // namespace

TEST(DecompressLz77R2007, LiteralRunsAreStoredInBlocksInReverseOrder) {
    const std::string stored = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn";
    struct Case {
        size_t length;
        std::string expected;
    } cases[] = {
        {1, "A"},
        {2, "BA"},
        {3, "CBA"},
        {4, "ABCD"},                // one 4-byte block
        {5, "EABCD"},               // 4, 1
        {6, "FBCDEA"},              // 1, 4, 1
        {8, "ABCDEFGH"},            // one 8-byte block
        {16, "IJKLMNOPABCDEFGH"},   // 8, 8
        {17, "JKLMNOPQIABCDEFGH"},  // 8, 1, 8
        {31,
         "e"
         "abcd"
         "STUVWXYZ"
         "KLMNOPQR"
         "CDEFGHIJ"
         "B"
         "A"},                                             // 1, 1, 8, 8, 8, 4, 1
        {32, "YZabcdefQRSTUVWXIJKLMNOPABCDEFGH"},          // a chunk: four blocks of 8
        {40, "YZabcdefQRSTUVWXIJKLMNOPABCDEFGHghijklmn"},  // a chunk, then 8
    };
    for (const Case& c : cases) {
        Result r = Decompress(FirstRun(c.length) + stored.substr(0, c.length), c.length);
        EXPECT_TRUE(r.ok) << c.length;
        EXPECT_EQ(r.out, c.expected) << c.length;
    }
}

TEST(DecompressLz77R2007, EveryLiteralRunLengthKeepsEachByteOnce) {
    // Runs of 1 to 300 distinct-enough bytes come out as a rearrangement of
    // their bytes: no block lost, none doubled.
    for (size_t length = 1; length <= 300; ++length) {
        std::string stored;
        for (size_t k = 0; k < length; ++k) stored += static_cast<char>(k % 251);
        Result r = Decompress(FirstRun(length) + stored, length);
        ASSERT_TRUE(r.ok) << length;
        std::string a = r.out, b = stored;
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        EXPECT_EQ(a, b) << length;
    }
}

TEST(DecompressLz77R2007, LongLiteralLengthsAreExtended) {
    // 0x0F: 0x17 + the next byte; a byte of 0xFF adds 16-bit words, each
    // 0xFFFF followed by another.
    for (size_t length : {0x17u, 0x17u + 0xFEu, 0x17u + 0xFFu, 0x17u + 0xFFu + 0xFFFFu + 3u}) {
        std::string stored(length, 'q');
        Result r = Decompress(FirstRun(length) + stored, length);
        EXPECT_TRUE(r.ok) << length;
        EXPECT_EQ(r.out, stored) << length;
    }
    EXPECT_EQ(FirstRun(0x17 + 0xFF + 0xFFFF + 3), Hex("0F FF FF FF 03 00"));
}

TEST(DecompressLz77R2007, EachBackReferenceOpcode) {
    struct Case {
        const char* what;
        std::string compressed;
        std::string expected;
    } cases[] = {
        // 0x3? to 0xF?: length = high nibble; offset = low nibble + 1 + (byte & 0xF8) * 2.
        {"short", kPrefix + Hex("47 00"),
         "ABCDEFGH"
         "ABCD"},
        // 0x1?: length = low nibble + 3; offset = byte + 1 + (byte2 & 0xF8) << 5.
        {"medium", kPrefix + Hex("12 07 00"),
         "ABCDEFGH"
         "ABCDE"},
        // 0x0?: length = low nibble + 0x13 (+ 0x10 when byte2 has 0x80); offset 2 repeats.
        {"long", kPrefix + Hex("01 01 00"), "ABCDEFGH" + Repeat("GH", 20)},
        {"long + 0x10", kPrefix + Hex("01 01 80"), "ABCDEFGH" + Repeat("GH", 36)},
        // 0x2?, bit 3 clear: 16-bit offset; length = low 3 bits + (byte & 0xF8).
        {"16-bit offset", kPrefix + Hex("23 08 00 08"),
         "ABCDEFGH"
         "ABCDEFGHABC"},
        // 0x2?, bit 3 set: offset + 1; length = low 3 bits + byte * 8 + (byte2 & 0xF8) * 256
        // + 0x100.
        {"16-bit offset, long", kPrefix + Hex("29 07 00 00 00"), Repeat("ABCDEFGH", 8 + 257)},
        // The low 3 bits of the last byte count the literal bytes that follow.
        {"literals after", kPrefix + Hex("47 02 59 58"),
         "ABCDEFGH"
         "ABCD"
         "XY"},
        // None: the next opcode is another back-reference...
        {"chained", kPrefix + Hex("47 00 38 00"),
         "ABCDEFGH"
         "ABCD"
         "DEF"},
        // ...0xF? read as 0x0?...
        {"0xF? as 0x0?", kPrefix + Hex("47 00 F1 01 00"),
         "ABCDEFGH"
         "ABCD" +
             Repeat("CD", 20)},
        // ...or 0x0? that starts a literal run of op + 8 bytes.
        {"literal run", kPrefix + Hex("47 00 00 31 32 33 34 35 36 37 38"),
         "ABCDEFGH"
         "ABCD"
         "12345678"},
        // A first opcode 0x2?: two unused bytes, then the first run's length.
        {"first 0x2?", Hex("20 FF FF 03 43 42 41 32 00"),
         "ABC"
         "ABC"},
    };
    for (const Case& c : cases) {
        Result r = Decompress(c.compressed, c.expected.size());
        EXPECT_TRUE(r.ok) << c.what;
        EXPECT_EQ(r.out, c.expected) << c.what;
    }
}

TEST(DecompressLz77R2007, OutputTheDataDoesNotReachStaysZero) {
    Result r = Decompress(kPrefix, 10);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.out, std::string("ABCDEFGH\0\0", 10));
}

TEST(DecompressLz77R2007, DamageStopsAtTheFirstBadInstruction) {
    struct Case {
        const char* what;
        std::string compressed;
        size_t size;
    } cases[] = {
        {"empty", "", 4},
        {"first 0x2? with no literals", Hex("20 00 00 00 41"), 4},
        {"reference before the start", kPrefix + Hex("40 10"), 20},          // offset 33 of 8
        {"reference to unwritten bytes", kPrefix + Hex("20 00 00 08"), 20},  // offset 0
        {"reference past the size", kPrefix + Hex("47 00"), 11},
        {"literals past the size", kPrefix, 7},
        {"instruction cut short", kPrefix + Hex("12 07"), 20},
        {"0x2? cut short", kPrefix + Hex("29 07 00 00"), 300},
        {"literal run cut short", Hex("00 41 42 43"), 8},
        {"announced literals missing", kPrefix + Hex("47 02"), 20},
        {"announced run missing", kPrefix + Hex("47 00 00"), 30},
        {"run length cut short", Hex("0F"), 40},
        {"run length addition cut short", Hex("0F FF 01"), 400},
    };
    for (const Case& c : cases) {
        Result r = Decompress(c.compressed, c.size);
        EXPECT_FALSE(r.ok) << c.what;
    }
    // What was written before the damage stays.
    Result r = Decompress(kPrefix + Hex("40 10"), 12);
    EXPECT_EQ(r.out.substr(0, 8), "ABCDEFGH");
}

#include "dwg/lz77_2004.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dwg/back_reference.h"
#include "tests/dwg/r2004_builder.h"
#include "tests/test_support.h"

using dwg_testing::LiteralLength;
using testing_support::Hex;

namespace {

struct Result {
    bool ok = false;
    std::string out;
};

// Decompresses an exact-size copy of `stream`, so an over-read trips the
// sanitizer.
Result Decompress(const std::string& stream, size_t outSize = 0x10000) {
    std::vector<uint8_t> copy(stream.begin(), stream.end());
    std::vector<uint8_t> out;
    bool ok = DecompressLz77_2004({copy.data(), copy.size()}, outSize, out);
    return {ok, std::string(out.begin(), out.end())};
}

// What a successful stream gave after its first `skip` bytes ("!" when it failed).
std::string Tail(const Result& r, size_t skip) {
    if (!r.ok || r.out.size() < skip) return "!";
    return r.out.substr(skip);
}

std::string Pattern(size_t count) {
    std::string bytes;
    for (size_t k = 0; k < count; ++k) bytes += static_cast<char>('a' + k % 23);
    return bytes;
}

// A two-byte offset field for `value` (14 bits) with `literals` (0-3).
std::string TwoByteOffset(uint32_t value, int literals = 0) {
    return {static_cast<char>((value & 0x3F) << 2 | literals), static_cast<char>(value >> 6)};
}

}  // namespace

TEST(DecompressLz77_2004, LiteralRunsInEachLengthForm) {
    // 0x01-0x0F: that value + 3.
    EXPECT_EQ(Decompress(Hex("01") + "abcd" + Hex("11")).out, "abcd");
    EXPECT_EQ(Decompress(Hex("0F") + Pattern(18) + Hex("11")).out, Pattern(18));
    // 0x00: 0x0F + 0xFF for each further 0x00 + the first non-zero byte, + 3.
    EXPECT_EQ(Decompress(Hex("00 01") + Pattern(19) + Hex("11")).out, Pattern(19));
    EXPECT_EQ(Decompress(Hex("00 00 05") + Pattern(278) + Hex("11")).out, Pattern(278));
    EXPECT_EQ(Decompress(LiteralLength(1000) + Pattern(1000) + Hex("11")).out, Pattern(1000));
    // An empty stream and bytes after the end opcode.
    Result empty = Decompress(Hex("11 41 42"));
    EXPECT_TRUE(empty.ok);
    EXPECT_EQ(empty.out, "");
}

TEST(DecompressLz77_2004, EachBackReferenceForm) {
    // 0x40-0xFF: length (op >> 4) - 1, offset (next << 2 | op >> 2 & 3) + 1.
    // 0x4C 0x00: 3 bytes from 4 back, then a literal length byte (0x01: 4).
    Result r = Decompress(Hex("01") + "abcd" + Hex("4C 00 01") + "wxyz" + Hex("11"));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.out, "abcdabcwxyz");
    // The low two bits of the opcode: that many literals, then an opcode.
    EXPECT_EQ(Decompress(Hex("01") + "abcd" + Hex("E6 00") + "!!" + Hex("11")).out,
              "abcd"
              "cdcdcdcdcdcdc"
              "!!");

    // 0x21-0x3F: length (op & 0x1F) + 2, two-byte offset + 1.
    EXPECT_EQ(
        Decompress(Hex("01") + "abcd" + Hex("21") + TwoByteOffset(3, 1) + "!" + Hex("11")).out,
        "abcdabc!");
    // 0x20: the length runs on: 0x1F + 0xFF per 0x00 + the non-zero byte, + 2.
    Result longCopy =
        Decompress(Hex("01") + "abcd" + Hex("20 00 01") + TwoByteOffset(0) + Hex("11"));
    EXPECT_EQ(longCopy.out, "abcd" + std::string(0x1F + 0xFF + 1 + 2, 'd'));

    // 0x12-0x17: length (op & 7) + 2, offset + 0x4000; 0x10 runs on over 7.
    // (Only what follows the long literal run is compared.)
    std::string far = LiteralLength(0x4002) + Pattern(0x4002);
    EXPECT_EQ(Tail(Decompress(far + Hex("12") + TwoByteOffset(2) + Hex("11")), 0x4002), "abcd");
    EXPECT_EQ(Tail(Decompress(far + Hex("10 01") + TwoByteOffset(0) + Hex("11")), 0x4002),
              Pattern(12).substr(2));
    // 0x18-0x1F: the 0x08 bit adds another 0x4000 to the offset.
    std::string farther = LiteralLength(0x8001) + Pattern(0x8001);
    EXPECT_EQ(Tail(Decompress(farther + Hex("19") + TwoByteOffset(1) + Hex("11")), 0x8001), "abc");
    EXPECT_FALSE(Decompress(farther + Hex("19") + TwoByteOffset(2) + Hex("11")).ok);
}

TEST(DecompressLz77_2004, BackReferencesStayInsideWhatWasWritten) {
    // Four bytes written; an offset of 5 reaches before them.
    Result before = Decompress(Hex("01") + "abcd" + Hex("50 01 11"));
    EXPECT_FALSE(before.ok);
    EXPECT_EQ(before.out, "abcd");  // what came before the damage
    // A copy as the very first opcode has nothing to copy.
    EXPECT_FALSE(Decompress(Hex("40 00 11")).ok);
    // The farthest legal offset is the whole output.
    EXPECT_TRUE(Decompress(Hex("01") + "abcd" + Hex("4C 00 11")).ok);
}

TEST(DecompressLz77_2004, OutputStopsAtTheStatedSize) {
    std::string stream = Hex("01") + "abcd" + Hex("4C 00 11");  // 7 bytes
    EXPECT_TRUE(Decompress(stream, 7).ok);
    Result over = Decompress(stream, 6);
    EXPECT_FALSE(over.ok);
    EXPECT_EQ(over.out, "abcd");
    EXPECT_FALSE(Decompress(Hex("01") + "abcd" + Hex("11"), 3).ok);  // literals over it

    // A stream that claims the whole address space allocates what its input can
    // give, not what it claims.
    std::vector<uint8_t> tiny = {0x01, 'a', 'b', 'c', 'd', 0x11};
    std::vector<uint8_t> out;
    EXPECT_TRUE(DecompressLz77_2004({tiny.data(), tiny.size()}, SIZE_MAX, out));
    EXPECT_EQ(out.size(), 4u);
    EXPECT_LT(out.capacity(), size_t{1} << 20);
}

TEST(DecompressLz77_2004, InputCutShortIsDamage) {
    EXPECT_FALSE(Decompress("").ok);
    EXPECT_FALSE(Decompress(Hex("05") + "abc").ok);                              // literals cut
    EXPECT_FALSE(Decompress(Hex("00 00")).ok);                                   // length cut
    EXPECT_FALSE(Decompress(Hex("01") + "abcd").ok);                             // no end opcode
    EXPECT_FALSE(Decompress(Hex("01") + "abcd" + Hex("21 0C")).ok);              // offset cut
    EXPECT_FALSE(Decompress(Hex("01") + "abcd" + Hex("20 00 00")).ok);           // length run cut
    EXPECT_FALSE(Decompress(Hex("01") + "abcd" + Hex("4D 00") + Hex("11")).ok);  // literal cut
}

TEST(DecompressLz77_2004, LowBytesAreNoOpcodes) {
    // After a literal run the next byte is an opcode; 0x00-0x0F is none.
    EXPECT_FALSE(Decompress(Hex("01") + "abcd" + Hex("05 11")).ok);
}

// Both decompressors' back-references: an overlapping copy repeats the
// pattern before it, as a copy byte by byte would.
TEST(CopyBackReference, RepeatsThePatternLikeACopyByteByByte) {
    for (size_t distance = 1; distance <= 40; ++distance) {
        for (size_t length = 1; length <= 300; length += (length < 50 ? 1 : 37)) {
            std::vector<uint8_t> expected(distance + length + 8, 0xEE);
            for (size_t k = 0; k < distance; ++k) expected[k] = static_cast<uint8_t>(k * 7 + 1);
            std::vector<uint8_t> actual = expected;
            for (size_t k = 0; k < length; ++k) expected[distance + k] = expected[k];
            CopyBackReference(actual.data() + distance, distance, length);
            ASSERT_EQ(actual, expected) << "distance " << distance << ", length " << length;
        }
    }
}

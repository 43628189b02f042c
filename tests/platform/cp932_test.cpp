#include "platform/cp932.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"
#include "tests/test_support.h"

using testing_support::Hex;

TEST(Cp932CharLength, LeadBytesTakeTheNextByte) {
    for (int b = 0; b < 256; ++b) {
        bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        EXPECT_EQ(IsCp932LeadByte(static_cast<uint8_t>(b)), lead) << b;
    }
    std::string text = Hex("41 88 20 DF E0");  // A, 0x88 0x20, half-width ﾟ, lone lead
    EXPECT_EQ(Cp932CharLength(text, 0), 1u);
    EXPECT_EQ(Cp932CharLength(text, 1), 2u);
    EXPECT_EQ(Cp932CharLength(text, 3), 1u);
    EXPECT_EQ(Cp932CharLength(text, 4), 1u);  // a lead byte in the last position
}

TEST(Encoding, ConvertsBothWaysIncludingWindowsOnlyCharacters) {
    // 平面図, the full-width tilde and minus (which plain SHIFT_JIS refuses),
    // and half-width katakana ｶﾞ.
    std::string utf8 = "平面図～－ｶﾞ";
    auto cp932 = Utf8ToCp932(utf8);
    ASSERT_TRUE(cp932);
    EXPECT_EQ(*cp932, Hex("95 BD 96 CA 90 7D 81 60 81 7C B6 DE"));
    EXPECT_EQ(Cp932ToUtf8(*cp932), utf8);
}

TEST(Encoding, RefusesWhatCp932CannotHoldAndMarksBadBytes) {
    EXPECT_FALSE(Utf8ToCp932("emoji \xF0\x9F\x98\x80"));
    EXPECT_FALSE(Utf8ToCp932("\xff"));
    // A lead byte with no valid trail, and a lone lead byte at the end.
    EXPECT_EQ(Cp932ToUtf8(Hex("41 81 0A 42 81")), "A\xEF\xBF\xBD\nB\xEF\xBF\xBD");
}

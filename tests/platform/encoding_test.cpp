#include "platform/encoding.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

using testing_support::Hex;

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

TEST(Encoding, KeywordCharactersCp932LacksFoldAsTheDrawingsDo) {
    // The diameter signs give φ 83 D3, ² gives 2, µ gives μ 83 CA.
    for (const char* diameter : {"\u00D845", "\u00F845", "\u220545", "\u230045", "φ45"}) {
        EXPECT_EQ(Utf8ToCp932(diameter), Hex("83 D3") + "45") << diameter;
    }
    EXPECT_EQ(Utf8ToCp932("M\u00B2"), "M2");
    EXPECT_EQ(Utf8ToCp932("10\u00B5m"), "10" + Hex("83 CA") + "m");
    // The folded characters may sit among others CP932 holds.
    EXPECT_EQ(Utf8ToCp932("平\u00B3\r\n面"), Hex("95 BD") + "3\r\n" + Hex("96 CA"));
    // What has no CP932 form at all is still refused: simplified Chinese 间.
    EXPECT_FALSE(Utf8ToCp932("房\u95F4"));
    EXPECT_FALSE(Utf8ToCp932("\xC3"));  // a cut sequence
}

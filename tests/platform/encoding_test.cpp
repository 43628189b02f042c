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

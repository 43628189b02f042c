#include <gtest/gtest.h>

#include "bytes/cp932.h"
#include "bytes/match_at.h"
#include "bytes/spaces.h"
#include "tests/test_support.h"

using testing_support::Hex;

TEST(MatchAt, ComparesInPlaceAndNeverPastTheEnd) {
    std::string data = Hex("41 42 43 0D 0A");
    ByteView view = AsBytes(data);
    EXPECT_EQ(MatchAt(view, 3, "\r\n"), 5u);
    EXPECT_EQ(MatchAt(view, 2, "\r\n"), 0u);
    EXPECT_EQ(MatchAt(view, 4, "\r\n"), 0u);  // one byte left
    EXPECT_EQ(MatchAt(view, 5, "\r\n"), 0u);
    EXPECT_EQ(MatchAt(view, 99, "A"), 0u);
    EXPECT_EQ(MatchAt(view, 7, ""), 7u);
    EXPECT_EQ(MatchAt(view, 0, "ABC"), 3u);
    // A view shorter than its buffer hides the bytes beyond it.
    EXPECT_EQ(MatchAt(ByteView{view.data, 4}, 3, "\r\n"), 0u);
}

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

TEST(RemoveSpaces, FullWidthThenAsciiAtCharacterBoundaries) {
    std::string text = Hex("81 40 41 20 81 81 40 20");
    RemoveFullWidthSpaces(text);
    EXPECT_EQ(text, Hex("41 20 81 81 40 20"));
    RemoveSpaces(text);
    EXPECT_EQ(text, Hex("41 81 81 40"));
    std::string trailing = Hex("41 81");  // a lead byte at the very end
    RemoveSpaces(trailing);
    EXPECT_EQ(trailing, Hex("41 81"));
}

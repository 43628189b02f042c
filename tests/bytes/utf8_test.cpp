#include "bytes/utf8.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/test_support.h"

using testing_support::Hex;

namespace {

// The UTF-8 form of a code point, written out from the bit patterns.
std::string Encode(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// Utf8CharLength over an exact-size copy, so a read past the end trips ASan.
size_t LengthAtStart(const std::string& bytes, char32_t* codePoint = nullptr) {
    std::unique_ptr<char[]> copy(new char[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    return Utf8CharLength(std::string_view(copy.get(), bytes.size()), 0, codePoint);
}

}  // namespace

TEST(Utf8CharLength, EveryCharacterDecodesToItselfAndSurrogatesToNothing) {
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        const std::string bytes = Encode(c);
        const auto code = static_cast<uint32_t>(c);
        char32_t decoded = 0xFFFFFFFF;
        const size_t length = LengthAtStart(bytes, &decoded);
        if (c >= 0xD800 && c <= 0xDFFF) {
            ASSERT_EQ(length, 0u) << std::hex << code;
            ASSERT_EQ(static_cast<uint32_t>(decoded), 0xFFFFFFFFu)
                << std::hex << code;  // left as it was
        } else {
            ASSERT_EQ(length, bytes.size()) << std::hex << code;
            ASSERT_EQ(static_cast<uint32_t>(decoded), code) << std::hex << code;
        }
    }
}

TEST(Utf8CharLength, RefusesOverlongFormsStrayBytesAndCutSequences) {
    for (const char* bad : {
             "80",           // a continuation byte alone
             "BF 41",        //
             "C0 AF",        // "/" in two bytes
             "C1 BF",        // U+007F in two bytes
             "E0 9F BF",     // U+07FF in three bytes
             "F0 8F BF BF",  // U+FFFF in four bytes
             "ED A0 80",     // U+D800, a surrogate
             "ED BF BF",     // U+DFFF
             "F4 90 80 80",  // U+110000, past the last code point
             "F5 80 80 80",  // a lead byte no character starts with
             "FF",           //
             "E5 B9",        // 平 cut at the end
             "F0 9F 98",     // an emoji cut at the end
             "E5 41 B3",     // a letter where a continuation byte must be
             "C3 C3 A9",     // a lead byte where a continuation byte must be
         }) {
        EXPECT_EQ(LengthAtStart(Hex(bad)), 0u) << bad;
    }
    // The edges that are characters.
    EXPECT_EQ(LengthAtStart(Hex("C2 80")), 2u);        // U+0080
    EXPECT_EQ(LengthAtStart(Hex("E0 A0 80")), 3u);     // U+0800
    EXPECT_EQ(LengthAtStart(Hex("ED 9F BF")), 3u);     // U+D7FF
    EXPECT_EQ(LengthAtStart(Hex("EE 80 80")), 3u);     // U+E000
    EXPECT_EQ(LengthAtStart(Hex("F0 90 80 80")), 4u);  // U+10000
    EXPECT_EQ(LengthAtStart(Hex("F4 8F BF BF")), 4u);  // U+10FFFF
    // A position inside the text: the character there, not the text's first.
    const std::string text = "a平b";
    EXPECT_EQ(Utf8CharLength(text, 1), 3u);
    EXPECT_EQ(Utf8CharLength(text, 2), 0u);  // inside 平
    EXPECT_EQ(Utf8CharLength(text, 4), 1u);
}

TEST(IsValidUtf8, WholeTextsOfCharactersOnly) {
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("plan 平面図 😀"));
    EXPECT_TRUE(IsValidUtf8(std::string("a\0b", 3)));     // a zero byte is U+0000
    EXPECT_FALSE(IsValidUtf8(Hex("95 BD 96 CA 90 7D")));  // 平面図 in CP932
    EXPECT_FALSE(IsValidUtf8(Hex("C0 AF")));              // overlong "/"
    EXPECT_FALSE(IsValidUtf8(Hex("ED A0 80")));           // a surrogate
    EXPECT_FALSE(IsValidUtf8(Hex("F4 90 80 80")));        // beyond U+10FFFF
    EXPECT_FALSE(IsValidUtf8(Hex("E5 B9")));              // cut at the end
    EXPECT_FALSE(IsValidUtf8(Hex("E5 41 B3")));           // no continuation byte
    EXPECT_FALSE(IsValidUtf8("平面図" + Hex("E5")));      // good, then a cut character
}

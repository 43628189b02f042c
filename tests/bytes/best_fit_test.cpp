#include "bytes/best_fit.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "bytes/code_pages.h"
#include "tests/test_support.h"

using testing_support::Hex;

namespace {

// The best fit of each code point, back to back; "!" where one has none.
std::string Fits(std::u32string_view codePoints) {
    std::string out;
    for (char32_t c : codePoints) {
        if (!AppendBestFitCp932(out, c)) out += '!';
    }
    return out;
}

bool Holds(const std::vector<char32_t>& sources, char32_t c) {
    return std::find(sources.begin(), sources.end(), c) != sources.end();
}

}  // namespace

TEST(BestFit, DiameterSignsAreThePhiThatPercentCDraws) {
    EXPECT_EQ(Fits(U"\u00D8\u00F8\u2205\u2300"), Hex("83 D3 83 D3 83 D3 83 D3"));
    // "MIN. Ø35MM", "∅2.3794".
    EXPECT_EQ(Utf8ToCp932Lossy("MIN. \u00D835MM"), "MIN. " + Hex("83 D3") + "35MM");
    EXPECT_EQ(Utf8ToCp932Lossy("\u22052.3794"), Hex("83 D3") + "2.3794");
}

TEST(BestFit, CompatibilityFormsThatCp932HoldsStandIn) {
    // ² ³ ¹ -> digits, µ -> Greek mu 83 CA, ﬁ -> "fi", a no-break space -> a
    // space, the Kangxi radical ⼀ -> 一 88 EA, ㌀ -> アパート.
    EXPECT_EQ(Fits(U"M\u00B2\u00B3\u00B9"), "M231");
    EXPECT_EQ(Fits(U"\u00B5m"), Hex("83 CA") + "m");
    EXPECT_EQ(Fits(U"\uFB01\u00A0"), "fi ");
    EXPECT_EQ(Fits(U"\u2F00"), Hex("88 EA"));
    EXPECT_EQ(Fits(U"\u3300"), Hex("83 41 83 70 81 5B 83 67"));
    // Mathematical bold digit one (past U+FFFF) -> "1".
    EXPECT_EQ(Fits(U"\U0001D7CF"), "1");
}

TEST(BestFit, WhatCp932HoldsStaysAsItIs) {
    // ① ㈱ ㌔ and Ⅰ have NFKC forms of their own, but CP932 holds them.
    EXPECT_EQ(Fits(U"\u2460\u3231\u3314\u2160"), Hex("87 40 87 8A 87 60 87 54"));
    EXPECT_EQ(Fits(U"A\u5E73"), "A" + Hex("95 BD"));
}

TEST(BestFit, ControlCharactersButTabShowNothing) {
    std::string out = "x";
    for (char32_t c : {U'\0', U'\n', U'\r', U'\x1B', U'\x7F', U'\x85', U'\x9F'}) {
        EXPECT_TRUE(AppendBestFitCp932(out, c)) << static_cast<uint32_t>(c);
    }
    EXPECT_EQ(out, "x");
    EXPECT_EQ(Fits(U"a\tb"), "a\tb");
    // So do those a UTF-16 string holds.
    EXPECT_EQ(Utf16LeToCp932(AsBytes(Hex("41 00 0A 00 42 00"))), "AB");
}

TEST(BestFit, CharactersWithoutAFormAppendNothing) {
    // Simplified Chinese 间 and 单, an emoji, é (its NFKC form is itself),
    // combining marks.
    EXPECT_EQ(Fits(U"\u95F4\u5355\U0001F600\u00E9\u0301"), "!!!!!");
    std::string out;
    AppendCp932(out, U'\u95F4');
    EXPECT_EQ(out, std::string(1, kUnmappableByte));
}

TEST(BestFit, SourcesNameWhereElseACharacterComesFrom) {
    std::vector<char32_t> phi = BestFitSourcesOf(0x83D3);
    for (char32_t c : {U'\u00D8', U'\u00F8', U'\u2205', U'\u2300'}) EXPECT_TRUE(Holds(phi, c));
    EXPECT_TRUE(Holds(BestFitSourcesOf(0x88EA), U'\u2F00'));  // 一 from ⼀
    EXPECT_TRUE(Holds(BestFitSourcesOf('2'), U'\u00B2'));
    // 月 is in ㋀ ("1月"): a form of several characters names each of them.
    EXPECT_TRUE(Holds(BestFitSourcesOf(0x8C8E), U'\u32C0'));
    // A character's own code point is not among its sources.
    EXPECT_FALSE(Holds(BestFitSourcesOf(0x88EA), U'\u4E00'));
}

#include "match/keywords.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"
#include "tests/test_support.h"

using testing_support::Hex;

namespace {

// CP932 text from UTF-8 source literals.
std::string Sjis(const char* utf8) { return Utf8ToCp932(utf8).value(); }

bool Matches(const char* textUtf8, const char* keywordUtf8) {
    return TextMatchesKeywords(Sjis(textUtf8), PrepareKeywords(Sjis(keywordUtf8)));
}

}  // namespace

TEST(PrepareKeywords, SplitsAtHalfWidthBarsTrimsAndDropsEmptyPieces) {
    EXPECT_EQ(PrepareKeywords("a||b"), (KeywordList{Hex("82 81"), Hex("82 82")}));
    EXPECT_EQ(PrepareKeywords("|a"), KeywordList{Hex("82 81")});
    EXPECT_EQ(PrepareKeywords("a|"), KeywordList{Hex("82 81")});
    EXPECT_EQ(PrepareKeywords(" a \t| b\r\n"), (KeywordList{Hex("82 81"), Hex("82 82")}));
    EXPECT_EQ(PrepareKeywords(""), KeywordList{""});
    EXPECT_TRUE(PrepareKeywords("   ").empty());
    EXPECT_TRUE(PrepareKeywords("|").empty());
    // Inner spaces, half- and full-width, are left out; a piece of spaces only is dropped.
    EXPECT_EQ(PrepareKeywords("a b"), KeywordList{Hex("82 81 82 82")});
    EXPECT_EQ(PrepareKeywords(Sjis("a　b")), KeywordList{Hex("82 81 82 82")});
    EXPECT_TRUE(PrepareKeywords(Hex("81 40")).empty());
    EXPECT_EQ(PrepareKeywords(Sjis("　 |a")), KeywordList{Hex("82 81")});
}

TEST(PrepareKeywords, BarAsTrailByteOrFullWidthIsNoSeparator) {
    // 0x7C as the trail byte of a kanji (0x8F 0x7C) and the full-width ｜.
    EXPECT_EQ(PrepareKeywords(Hex("8F 7C")).size(), 1u);
    EXPECT_EQ(PrepareKeywords(Sjis("平｜面")).size(), 1u);
    EXPECT_EQ(PrepareKeywords(Sjis("平面|図")).size(), 2u);
}

TEST(NormaliseWidth, AsciiAndHalfWidthKanaBecomeFullWidth) {
    EXPECT_EQ(NormaliseWidth("A0z~\\"), Hex("82 60 82 4F 82 9A 81 50 81 8F"));
    EXPECT_EQ(NormaliseWidth(Sjis("ｱｲｰ｡")), Sjis("アイー。"));
    // Double-byte characters, line ends, zero and other single bytes stay.
    EXPECT_EQ(NormaliseWidth(Hex("95 BD 0D 0A 00 80 A0 FD")), Hex("95 BD 0D 0A 00 80 A0 FD"));
    // The whole text is read: a zero byte does not end it.
    EXPECT_EQ(NormaliseWidth(std::string("a\0b", 3)), Hex("82 81 00 82 82"));
}

TEST(NormaliseWidth, ComposesKanaWithSoundMarks) {
    EXPECT_EQ(NormaliseWidth(Sjis("ｶﾞﾗｽ")), Sjis("ガラス"));
    EXPECT_EQ(NormaliseWidth(Sjis("カ゛ラス")), Sjis("ガラス"));
    EXPECT_EQ(NormaliseWidth(Sjis("ﾊﾟﾈﾙ")), Sjis("パネル"));
    EXPECT_EQ(NormaliseWidth(Sjis("ハ゜ネル")), Sjis("パネル"));
    EXPECT_EQ(NormaliseWidth(Sjis("ｳﾞｨ")), Sjis("ヴィ"));
    EXPECT_EQ(NormaliseWidth(Sjis("ﾂﾞﾄﾞﾎﾞﾎﾟ")), Sjis("ヅドボポ"));
    EXPECT_EQ(NormaliseWidth(Sjis("か゛は゜")), Sjis("がぱ"));
    // A mark that composes with nothing stays a mark of its own.
    EXPECT_EQ(NormaliseWidth(Sjis("ｱﾞ")), Sjis("ア゛"));
    EXPECT_EQ(NormaliseWidth(Sjis("ｶﾟ")), Sjis("カ゜"));
    EXPECT_EQ(NormaliseWidth(Sjis("ﾞｶ")), Sjis("゛カ"));
    EXPECT_EQ(NormaliseWidth(Sjis("ガ゛")), Sjis("ガ゛"));
    EXPECT_EQ(NormaliseWidth(Sjis("漢ﾞ")), Sjis("漢゛"));
}

TEST(LowerCaseCp932, FoldsSingleAndDoubleByteCapitalsOnly) {
    std::string text = Sjis("ABCｚＡＺΑΩАЯЁОⅠ漢") + Hex("83 41");
    LowerCaseCp932(text);
    EXPECT_EQ(text, Sjis("abcｚａｚαωаяёоⅰ漢") + Hex("83 41"));
    // A trail byte in A-Z is part of its character and stays.
    std::string kanji = Hex("88 41 5A");
    LowerCaseCp932(kanji);
    EXPECT_EQ(kanji, Hex("88 41 7A"));
}

TEST(ContainsAtCharacterBoundary, NeverMatchesFromATrailByte) {
    // 0x82 0x60 0x82 is found inside 0x88 0x82 0x60 0x82 0x61, starting on a trail byte.
    EXPECT_FALSE(ContainsAtCharacterBoundary(Hex("88 82 60 82 61"), Hex("82 60")));
    EXPECT_TRUE(ContainsAtCharacterBoundary(Hex("88 82 82 60"), Hex("82 60")));
    EXPECT_TRUE(ContainsAtCharacterBoundary(Hex("88 82 60 82 60"), Hex("82 60")));
    EXPECT_TRUE(ContainsAtCharacterBoundary("", ""));
    EXPECT_FALSE(ContainsAtCharacterBoundary("", "a"));
}

TEST(TextMatchesKeywords, BlindToCaseAndWidth) {
    EXPECT_TRUE(Matches("ABC", "abc"));
    EXPECT_TRUE(Matches("ａｂｃ", "abc"));
    EXPECT_TRUE(Matches("ＡＢＣ", "abc"));
    EXPECT_TRUE(Matches("abc", "ＡＢＣ"));
    EXPECT_TRUE(Matches("アイ", "ｱｲ"));
    EXPECT_TRUE(Matches("ｱｲ", "アイ"));
    EXPECT_TRUE(Matches("ガラス", "ｶﾞﾗｽ"));
    EXPECT_TRUE(Matches("ｶﾞﾗｽ", "ガラス"));
    EXPECT_TRUE(Matches("カ゛ラス", "ガラス"));
    EXPECT_FALSE(Matches("カラス", "ガラス"));
    EXPECT_TRUE(Matches("2階平面図\r\n", "平面図|配置図"));
    EXPECT_TRUE(Matches("配置図\r\n", "平面図|配置図"));
    EXPECT_FALSE(Matches("立面図\r\n", "平面図|配置図"));
}

TEST(TextMatchesKeywords, EmptyTextPiecesAndValueBoundaries) {
    EXPECT_TRUE(TextMatchesKeywords("", PrepareKeywords("")));
    EXPECT_FALSE(TextMatchesKeywords("abc", PrepareKeywords(" | ")));
    EXPECT_FALSE(Matches("", "a"));
    // A keyword never spans two values.
    EXPECT_FALSE(Matches("ab\r\ncd\r\n", "bc"));
}

TEST(TextMatchesKeywords, ZeroBytesDoNotHideLaterValues) {
    // DWG values from R14 on keep a trailing zero byte.
    std::string text = std::string("first\0\r\n", 8) + Sjis("平面図") + std::string("\0\r\n", 3);
    EXPECT_TRUE(TextMatchesKeywords(text, PrepareKeywords(Sjis("平面図"))));
}

TEST(LowerCaseAndNormalise, EqualsLowerCasingThenNormalising) {
    for (const char* utf8 : {"ABC ｶﾞﾗｽ", "ＡＢＣΩЯ", "Ⅰ漢ｶﾞ\r\n", "xYz~ﾊﾟ"}) {
        std::string text = Sjis(utf8);
        std::string lowered = text;
        LowerCaseCp932(lowered);
        EXPECT_EQ(LowerCaseAndNormalise(text), NormaliseWidth(lowered)) << utf8;
    }
    std::string bytes =
        Hex("41 00 88 41 5A 0D 0A 80 FF 81");  // zero, odd bytes, lone lead at the end
    std::string lowered = bytes;
    LowerCaseCp932(lowered);
    EXPECT_EQ(LowerCaseAndNormalise(bytes), NormaliseWidth(lowered));
}

TEST(MatchForm, LeavesOutSpacesAtCharacterBoundariesOnly) {
    EXPECT_EQ(MatchForm(Sjis("平 面　図")), Sjis("平面図"));
    EXPECT_EQ(MatchForm("A b"), Sjis("ａｂ"));
    // 81 40 that starts on a trail byte (88 81, then @) is no space; neither is
    // the 20 that a lead byte takes with it.
    EXPECT_EQ(MatchForm(Hex("88 81 40")), Hex("88 81 81 97"));
    EXPECT_EQ(MatchForm(Hex("88 20 20 41")), Hex("88 20 82 81"));
    // Line ends and control bytes stay, so a keyword still never spans two values.
    EXPECT_EQ(MatchForm(" \r\n "), "\r\n");
    // A kana and a sound mark parted by a space stay two characters, as with the space kept.
    EXPECT_EQ(MatchForm(Sjis("ｶ ﾞﾗｽ")), Sjis("カ゛ラス"));
    EXPECT_EQ(MatchForm(Sjis("ｶﾞ ﾗｽ")), Sjis("ガラス"));
}

TEST(TextMatchesKeywords, SpacesIgnoredOnBothSidesInEveryForm) {
    for (const char* text : {"this is", "thisis", "this　is", " t h i s i s "}) {
        for (const char* keyword : {"this is", "thisis", "THIS　IS", "ｔｈｉｓ ｉｓ"}) {
            EXPECT_TRUE(Matches(text, keyword)) << text << " / " << keyword;
        }
    }
    EXPECT_TRUE(Matches("平 面 図", "平面図"));
    EXPECT_TRUE(Matches("平　面　図", "平面図"));
    EXPECT_TRUE(Matches("平面図", "平 面　図"));
    // Width folding and sound marks still hold across removed spaces.
    EXPECT_TRUE(Matches("ｶﾞ ﾗ ｽ", "ガラス"));
    EXPECT_TRUE(Matches("ア イ", "ｱｲ"));
    EXPECT_FALSE(Matches("this\r\nis", "this is"));
}

// The keyword rule without the spaces rule: the lower-cased, normalised keyword
// found at a character boundary of the lower-cased, normalised text.
static bool MatchesByOldRule(const std::string& text, const std::string& keyword) {
    std::string piece = keyword;
    while (!piece.empty() && piece.front() == ' ') piece.erase(0, 1);
    while (!piece.empty() && piece.back() == ' ') piece.pop_back();
    if (piece.empty()) return false;
    return ContainsAtCharacterBoundary(LowerCaseAndNormalise(text), LowerCaseAndNormalise(piece));
}

TEST(TextMatchesKeywords, IgnoringSpacesKeepsEveryMatchAndFindsPhrasesWithSpaces) {
    // The fault: a phrase with a space was never found in DXF and DWG text
    // (whose readers remove spaces), nor a word without spaces in JW_CAD text
    // that keeps them.
    EXPECT_FALSE(MatchesByOldRule("thisis", "this is"));
    EXPECT_TRUE(Matches("thisis", "this is"));
    EXPECT_FALSE(MatchesByOldRule(Sjis("平 面 図"), Sjis("平面図")));
    EXPECT_TRUE(Matches("平 面 図", "平面図"));
    // Every match the rule gave is kept.
    const char* texts[] = {"this is",   "thisis",   "平 面　図", "ｶ ﾞﾗｽ", "カ゛ ラス",
                           "ａ　Ｂ ｃ", "x y\r\nz", "ガ ラ ス",  "Ab　",  "漢 ﾞ"};
    const char* keywords[] = {"this is", "s i", "平 面", "面　図", "ｶ",  "ｶﾞ",  "ﾗｽ", "a b", "B c",
                              "y",       "x y", "z",     "ラ ス",  "Ab", "b　", "漢", "゛"};
    for (const char* text : texts) {
        for (const char* keyword : keywords) {
            std::string t = Sjis(text), k = Sjis(keyword);
            if (MatchesByOldRule(t, k)) {
                EXPECT_TRUE(TextMatchesKeywords(t, PrepareKeywords(k))) << text << " / " << keyword;
            }
        }
    }
}

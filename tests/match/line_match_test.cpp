#include "match/line_match.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"
#include "tests/test_support.h"

namespace {

std::string Sjis(const char* utf8) { return Utf8ToCp932(utf8).value(); }

// A drawing's text from (kind, UTF-8 line) pairs.
ExtractedText Lines(std::initializer_list<std::pair<TextKind, const char*>> lines) {
    ExtractedText text;
    for (const auto& [kind, utf8] : lines) text.Add(kind, Sjis(utf8));
    return text;
}

std::optional<LineMatch> Find(const ExtractedText& text, const char* keywordUtf8) {
    return FindMatchingLine(text, PrepareKeywords(Sjis(keywordUtf8)));
}

}  // namespace

TEST(FindMatchingLine, KeepsTheFirstMatchingLineAfterCleanUpAndItsKind) {
    ExtractedText text = Lines({{TextKind::Text, "1階平面図"},
                                {TextKind::MText, "{\\fMS Gothic|b0;配置}図\\P縮尺 1/100"},
                                {TextKind::Attrib, "配置図"},
                                {TextKind::JwText, "立 面 図"}});
    std::optional<LineMatch> match = Find(text, "配置図");
    ASSERT_TRUE(match);
    EXPECT_EQ(match->text, Sjis("配置図"));
    EXPECT_EQ(match->kind, TextKind::MText);
    // The part of an MTEXT value after its paragraph break.
    match = Find(text, "縮尺1/100");
    ASSERT_TRUE(match);
    EXPECT_EQ(match->text, Sjis("縮尺 1/100"));
    // Spaces ignored; the line is kept as the drawing shows it.
    match = Find(text, "立面図");
    ASSERT_TRUE(match);
    EXPECT_EQ(match->text, Sjis("立 面 図"));
    EXPECT_EQ(match->kind, TextKind::JwText);
    // The first line holding any piece wins, whatever the order of the pieces.
    match = Find(text, "立面|平面");
    ASSERT_TRUE(match);
    EXPECT_EQ(match->kind, TextKind::Text);
}

TEST(FindMatchingLine, AKeywordNeverSpansTwoLines) {
    ExtractedText text = Lines({{TextKind::Text, "平面"}, {TextKind::Text, "図"}});
    EXPECT_FALSE(Find(text, "平面図"));
    EXPECT_FALSE(Find(Lines({{TextKind::MText, "平面\\P図"}}), "平面図"));
    // A TEXT value's "\P" is text, so nothing is broken there.
    EXPECT_TRUE(Find(Lines({{TextKind::Text, "a\\Pb"}}), "a\\Pb"));
    EXPECT_FALSE(Find(Lines({}), "a"));
    EXPECT_FALSE(FindMatchingLine(Lines({{TextKind::Text, "a"}}), KeywordList{}));
}

TEST(FindMatchingLine, CodesAndEscapesMatchAsTheyDraw) {
    EXPECT_TRUE(Find(Lines({{TextKind::Text, "45%%d"}}), "45°"));
    EXPECT_TRUE(Find(Lines({{TextKind::Dimension, "94\\U+00B0"}}), "94°"));
    EXPECT_TRUE(Find(Lines({{TextKind::MText, "\\A1;{\\H0.7x;表}示"}}), "表示"));
    // A character CP932 cannot hold matches nothing a user can type.
    EXPECT_FALSE(Find(Lines({{TextKind::Text, "\\U+1F600"}}), "?"));
}

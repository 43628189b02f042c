#include "match/matched_lines.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace {

std::string Sjis(const char* utf8) { return Utf8ToCp932(utf8).value(); }

ExtractedText Lines(std::initializer_list<std::pair<TextKind, const char*>> lines) {
    ExtractedText text;
    for (const auto& [kind, utf8] : lines) text.Add(kind, Sjis(utf8));
    return text;
}

// Each found line as "KIND text" with its marks bracketed, in UTF-8.
std::vector<std::string> Shown(const ExtractedText& text, std::vector<const char*> searches,
                               size_t limit = 100) {
    std::vector<KeywordList> lists;
    for (const char* search : searches) lists.push_back(PrepareKeywords(Sjis(search)));
    std::vector<std::string> shown;
    for (const MatchedLine& line : FindMatchedLines(text, lists, limit)) {
        std::string marked;
        size_t at = 0;
        for (auto [first, last] : line.marks) {
            marked += line.text.substr(at, first - at) + "[" +
                      line.text.substr(first, last - first) + "]";
            at = last;
        }
        marked += line.text.substr(at);
        shown.push_back(std::string(TextKindName(line.kind)) + " " + Cp932ToUtf8(marked));
    }
    return shown;
}

}  // namespace

TEST(FindMatchedLines, MarksEachPlaceOfEachPieceInTheLinesAsWritten) {
    ExtractedText text = Lines({{TextKind::Text, "1F Plan / 2F PLAN"},
                                {TextKind::Attrib, "no match here"},
                                {TextKind::JwText, "ｐｌａｎ と p l a n"},
                                {TextKind::Text, "ｶﾞﾗｽ戸 ガラス"}});
    EXPECT_EQ(Shown(text, {"plan|ガラス"}),
              (std::vector<std::string>{"TEXT 1F [Plan] / 2F [PLAN]",
                                        "MOJI [ｐｌａｎ] と [p l a n]", "TEXT [ｶﾞﾗｽ]戸 [ガラス]"}));
}

TEST(FindMatchedLines, TakesThePiecesOfTheNarrowingSearchesTooAndMergesTouchingMarks) {
    ExtractedText text = Lines(
        {{TextKind::Text, "平面図"}, {TextKind::Text, "立面図"}, {TextKind::Text, "平面立面"}});
    EXPECT_EQ(Shown(text, {"平面", "立面"}),
              (std::vector<std::string>{"TEXT [平面]図", "TEXT [立面]図", "TEXT [平面立面]"}));
    // Overlapping pieces make one mark.
    EXPECT_EQ(Shown(text, {"平面図|面図"}),
              (std::vector<std::string>{"TEXT [平面図]", "TEXT 立[面図]"}));
}

TEST(FindMatchedLines, ShowsThePartOfACleanedLineAndNeverMatchesATrailByte) {
    ExtractedText text =
        Lines({{TextKind::MText, "{\\fMS Gothic|b0;縮尺}\\P1/100 表"}, {TextKind::Text, "ソ表"}});
    // Only the part after the paragraph break holds the piece.
    EXPECT_EQ(Shown(text, {"1/100"}), (std::vector<std::string>{"MTEXT [1/100] 表"}));
    // 表 is 95 5C and ソ 83 5C: the byte 5C of a backslash is no match.
    EXPECT_TRUE(Shown(text, {"\\"}).empty());
}

TEST(FindMatchedLines, ListsNothingForTheEmptyKeywordAndStopsAtTheLimit) {
    ExtractedText text =
        Lines({{TextKind::Text, "a1"}, {TextKind::Text, "a2"}, {TextKind::Text, "a3"}});
    EXPECT_TRUE(Shown(text, {""}).empty());
    EXPECT_EQ(Shown(text, {"a"}, 2).size(), 2u);
    EXPECT_TRUE(Shown(ExtractedText(), {"a"}).empty());
}

#include "match/text_signature.h"

#include <gtest/gtest.h>

#include <random>

#include "bytes/cp932.h"
#include "match/text_cleanup.h"
#include "platform/encoding.h"

namespace {

std::string Sjis(const char* utf8) { return Utf8ToCp932(utf8).value(); }

bool MayMatch(const std::string& signature, const char* keywordUtf8) {
    return SignatureQuery(PrepareKeywords(Sjis(keywordUtf8))).MayMatch(signature);
}

// Every piece of two or more bytes that starts and ends at a character
// boundary of each line's match form: what a keyword could find there.
void ExpectNoPieceRuledOut(const ExtractedText& text) {
    std::string signature = MakeTextSignature(text);
    for (size_t i = 0; i < text.size(); ++i) {
        std::string folded = MatchForm(CleanLine(text[i].kind, text[i].text));
        for (size_t start = 0; start < folded.size(); start += Cp932CharLength(folded, start)) {
            for (size_t end = start + Cp932CharLength(folded, start); end <= folded.size();
                 end += end < folded.size() ? Cp932CharLength(folded, end) : 1) {
                std::string piece = folded.substr(start, end - start);
                if (piece.size() < 2) continue;
                ASSERT_TRUE(SignatureQuery({piece}).MayMatch(signature))
                    << "line " << i << " piece at " << start << " of " << piece.size() << " bytes";
                if (end == folded.size()) break;
            }
        }
    }
}

}  // namespace

TEST(TextSignature, WhatAKeywordFindsIsNeverRuledOut) {
    ExtractedText text;
    text.Add(TextKind::MText, Sjis("{\\fMS Gothic|b0|i0;平面}図\\P\\H0.7x;配置図 \\S1#4;"));
    text.Add(TextKind::Text, Sjis("THIS is ｶﾞﾗｽ　戸 45%%d"));
    text.Add(TextKind::Dimension, Sjis("\\U+00B0 表示"));
    text.Add(TextKind::JwText, Sjis("平 面 図"));
    ExpectNoPieceRuledOut(text);
    // And as a person types them: other case, other width, other spaces.
    std::string signature = MakeTextSignature(text);
    for (const char* keyword :
         {"平面図", "this is", "ガラス", "ｶﾞﾗｽ戸", "1/4", "45°", "配置図", "表示", "ＴＨＩＳ"}) {
        EXPECT_TRUE(MayMatch(signature, keyword)) << keyword;
    }
}

TEST(TextSignature, AKeywordWithNoPieceThereIsRuledOut) {
    ExtractedText text;
    text.Add(TextKind::Text, Sjis("平面図"));
    text.Add(TextKind::MText, Sjis("縮尺 1/100"));
    std::string signature = MakeTextSignature(text);
    EXPECT_FALSE(MayMatch(signature, "配置図"));
    EXPECT_FALSE(MayMatch(signature, "立面図|断面図"));
    EXPECT_TRUE(MayMatch(signature, "配置図|平面"));  // one piece is enough
    EXPECT_TRUE(MayMatch(signature, "1/100"));
    // The signature of no text rules out every piece of two bytes or more.
    EXPECT_FALSE(MayMatch(MakeTextSignature(ExtractedText()), "図"));
}

TEST(TextSignature, LargeTextsTakeMoreBitsAndStillRuleOutNothingTheyHold) {
    std::mt19937 random(7);
    ExtractedText text;
    std::string line;
    for (int k = 0; k < 4000; ++k) {
        // Kanji of the first level (lead 0x88 to 0x9F), in lines of 20.
        line += static_cast<char>(0x88 + random() % 0x18);
        line += static_cast<char>(0x40 + random() % 0x3F);
        if (k % 20 == 19) {
            text.Add(TextKind::Text, line);
            line.clear();
        }
    }
    std::string signature = MakeTextSignature(text);
    EXPECT_GT(signature.size(), MakeTextSignature(ExtractedText()).size());
    ExpectNoPieceRuledOut(text);
}

TEST(TextSignature, SaysMaybeWhenItCannotTell) {
    ExtractedText text;
    text.Add(TextKind::Text, Sjis("平面図"));
    std::string signature = MakeTextSignature(text);
    // A piece of one byte has no pair; every query says maybe then.
    EXPECT_TRUE(SignatureQuery({"x", Sjis("配置")}).MayMatch(signature));
    // No keywords, an empty or a malformed signature: maybe.
    EXPECT_TRUE(SignatureQuery().MayMatch(signature));
    EXPECT_TRUE(SignatureQuery(KeywordList{}).MayMatch(signature));
    SignatureQuery other(PrepareKeywords(Sjis("配置図")));
    EXPECT_TRUE(other.MayMatch(""));
    EXPECT_TRUE(other.MayMatch(signature.substr(0, signature.size() - 1)));
    std::string badSize = signature;
    badSize[0] = 17;
    EXPECT_TRUE(other.MayMatch(badSize));
    EXPECT_FALSE(other.MayMatch(signature));
}

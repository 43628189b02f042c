#include "match/text_cleanup.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"
#include "tests/test_support.h"

using testing_support::Hex;

namespace {

// CP932 text from UTF-8 source literals.
std::string Sjis(const char* utf8) { return Utf8ToCp932(utf8).value(); }

std::string MText(const char* utf8) { return CleanLine(TextKind::MText, Sjis(utf8)); }

}  // namespace

TEST(CleanLine, MTextCodesInsideWordsLeaveTheWord) {
    EXPECT_EQ(MText("{\\fMS Gothic|b0|i0;平面}図"), Sjis("平面図"));
    EXPECT_EQ(MText("\\A1;平面図"), Sjis("平面図"));
    EXPECT_EQ(MText("{\\H0.7x;平}{\\W0.8;面}\\C1;図\\c16711680;"), Sjis("平面図"));
    EXPECT_EQ(MText("\\T1.1;\\Q15;\\Fromans|c0;\\pxi-3,l3,t3;平面図"), Sjis("平面図"));
    EXPECT_EQ(MText("\\L平\\l\\O面\\o\\K図\\k\\X"), Sjis("平面図"));
    // The kinds that carry MTEXT codes all lose them.
    for (TextKind kind : {TextKind::MultiLeader, TextKind::TableCell, TextKind::Dimension}) {
        EXPECT_EQ(CleanLine(kind, "{\\H2;ab}c\\Pd"), "abc\nd");
    }
}

TEST(CleanLine, MTextBreaksStacksAndEscapes) {
    EXPECT_EQ(MText("平面図\\P配置図\\N立面図"), Sjis("平面図\n配置図\n立面図"));
    EXPECT_EQ(MText("1\\S1/2;\\S3#4;\\S+0.1^-0.2;"), "11/23/4+0.1/-0.2");
    EXPECT_EQ(MText("\\S1\\#2^3;"), "1#2/3");  // an escaped separator is text
    EXPECT_EQ(MText("a\\\\b\\{c\\}d\\~e"), "a\\b{c}d e");
    // A code without its closing ";" is text; an unknown code is text.
    EXPECT_EQ(MText("\\H2.5"), "\\H2.5");
    EXPECT_EQ(MText("x\\S1/2"), "x\\S1/2");
    EXPECT_EQ(MText("C:\\Z\\"), "C:\\Z\\");
}

TEST(CleanLine, PercentCodes) {
    for (TextKind kind : {TextKind::Text, TextKind::MText, TextKind::AttdefPrompt}) {
        EXPECT_EQ(CleanLine(kind, "%%c50 45%%d %%p0.5 100%%%"), Sjis("φ50 45° ±0.5 100%"))
            << +static_cast<int>(kind);
    }
    EXPECT_EQ(CleanLine(TextKind::Text, "%%C%%D%%P"), Sjis("φ°±"));
    EXPECT_EQ(CleanLine(TextKind::Text, "%%uA%%UB%%oC%%OD"), "ABCD");
    EXPECT_EQ(CleanLine(TextKind::Text, "%%065%%176%%177"), Sjis("A°±"));
    // Controls draw nothing; a code point CP932 has no form for draws as a
    // character no keyword holds, one it stands in for as that form.
    EXPECT_EQ(CleanLine(TextKind::Text, "a%%010b%%999"), "ab" + Hex("FF"));
    EXPECT_EQ(CleanLine(TextKind::Text, "%%216%%178"), Sjis("φ2"));
    // Anything else stays.
    EXPECT_EQ(CleanLine(TextKind::Text, "50% %%x %%12 %%"), "50% %%x %%12 %%");
}

TEST(CleanLine, UnicodeAndCodePageEscapes) {
    EXPECT_EQ(CleanLine(TextKind::Text, "94\\U+00B0"), Sjis("94°"));
    EXPECT_EQ(CleanLine(TextKind::Attrib, "\\U+5e73\\U+9762\\U+56F3"), Sjis("平面図"));
    EXPECT_EQ(CleanLine(TextKind::Text, "\\U+00B0C"), Sjis("°C"));
    // Past U+FFFF (five digits, or a surrogate pair): one character CP932 cannot hold.
    EXPECT_EQ(CleanLine(TextKind::Text, "a\\U+1F600b"), "a" + Hex("FF") + "b");
    EXPECT_EQ(CleanLine(TextKind::Text, "a\\U+D83D\\U+DE00b"), "a" + Hex("FF") + "b");
    EXPECT_EQ(CleanLine(TextKind::Text, "\\U+D83Dx\\U+0100"), Hex("FF") + "x" + Hex("FF"));
    // \M+1XXXX is a CP932 double-byte code; the other pages give a character CP932 lacks.
    EXPECT_EQ(CleanLine(TextKind::MText, "\\M+195BD\\M+196CA"), Sjis("平面"));
    EXPECT_EQ(CleanLine(TextKind::Text, "\\M+2A4A1\\M+10041"), Hex("FF FF"));
    // Short or other forms stay.
    EXPECT_EQ(CleanLine(TextKind::Text, "\\U+00B \\M+6A4A1 \\U00B0"), "\\U+00B \\M+6A4A1 \\U00B0");
    // In TEXT a backslash and braces are text.
    EXPECT_EQ(CleanLine(TextKind::Text, "{\\H2;a}\\P"), "{\\H2;a}\\P");
}

TEST(CleanLine, TrailBytesThatLookLikeCodesStayPartOfTheirCharacter) {
    // 表 95 5C, ソ 83 5C, ボ 83 7B, マ 83 7D; 81 25 is a lead byte and a "%".
    EXPECT_EQ(MText("表P表示"), Sjis("表P表示"));
    EXPECT_EQ(MText("ソH1;ボマ"), Sjis("ソH1;ボマ"));
    EXPECT_EQ(MText("{表}\\P{ソ}"), Sjis("表\nソ"));
    EXPECT_EQ(CleanLine(TextKind::Text, Sjis("表U+00B0")), Sjis("表U+00B0"));
    EXPECT_EQ(CleanLine(TextKind::Text, Hex("81 25 25 64")), Hex("81 25 25 64"));
    EXPECT_EQ(CleanLine(TextKind::Text, Hex("81 25 25 25 64")), Hex("81 25 81 8B"));
    // Inside a code's argument: 表 ends no font name early, and a stack keeps it whole.
    EXPECT_EQ(MText("\\f表;a"), "a");
    EXPECT_EQ(MText("\\S表/ソ;"), Sjis("表/ソ"));
    // A lead byte cut off by the end stays as it is.
    EXPECT_EQ(MText("a\\P"), "a\n");
    EXPECT_EQ(CleanLine(TextKind::MText, Hex("41 95")), Hex("41 95"));
}

TEST(CleanLine, OtherFormatsUnchangedAndNothingEverGrows) {
    for (TextKind kind : {TextKind::JwText, TextKind::McdText, TextKind::DraCadText,
                          TextKind::SxfText, TextKind::SxfTitleBlock}) {
        EXPECT_EQ(CleanLine(kind, "{\\H2;a}%%d\\U+00B0"), "{\\H2;a}%%d\\U+00B0");
        EXPECT_FALSE(MayNeedCleanup(kind, "%%d"));
    }
    EXPECT_FALSE(MayNeedCleanup(TextKind::Text, "{a}"));
    EXPECT_TRUE(MayNeedCleanup(TextKind::MText, "{a}"));
    EXPECT_TRUE(MayNeedCleanup(TextKind::Text, "%"));
    for (const char* line : {"%%d", "%%%", "\\P", "\\U+00B0", "\\M+195BD", "%%176", "\\~"}) {
        EXPECT_LE(CleanLine(TextKind::MText, line).size(), std::string_view(line).size());
    }
    std::string out = "kept";
    AppendCleanLine(TextKind::Text, "%%d", out);
    EXPECT_EQ(out, "kept" + Sjis("°"));
}

TEST(CleanLine, UnclosedCodesInALongLineAreReadInOnePass) {
    // Each code looks for its ";" up to the end; a walk that scanned again for
    // every code would take minutes here.
    std::string line;
    for (int k = 0; k < 200000; ++k) line += "\\H\\S";
    EXPECT_EQ(CleanLine(TextKind::MText, line), line);
    line += ";";
    EXPECT_EQ(CleanLine(TextKind::MText, line), "");
}

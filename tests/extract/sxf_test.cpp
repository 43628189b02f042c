#include "extract/sxf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bytes/code_pages.h"
#include "bytes/source_window.h"
#include "tests/block_limit_source.h"
#include "tests/test_support.h"

using testing_support::BlockLimitSource;
using testing_support::CopyingSource;
using testing_support::Hex;
using testing_support::Reader;

namespace {

using Lines = std::vector<std::string>;

// Each line as "KIND:text".
Lines KindsAndLines(const ExtractedText& text) {
    Lines lines;
    for (size_t i = 0; i < text.size(); ++i) {
        lines.push_back(std::string(TextKindName(text[i].kind)) + ":" + std::string(text[i].text));
    }
    return lines;
}

// What `read` gives for `bytes` in place (an exact-size copy in memory), as
// far as a text of `byteLimit` takes it.
Lines ReadInPlace(Reader read, std::string_view bytes,
                  size_t byteLimit = ExtractedText::kDefaultByteLimit) {
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    MemorySource source({copy.data(), copy.size()});
    ExtractedText text(byteLimit);
    read(source, text);
    return KindsAndLines(text);
}

// What `read` gives for `bytes` read in blocks of `blockSize` bytes.
Lines ReadInBlocks(Reader read, std::string_view bytes, size_t blockSize) {
    CopyingSource source(bytes);
    BlockLimitSource blocks(source, blockSize);
    ExtractedText text;
    read(blocks, text);
    return KindsAndLines(text);
}

// What `read` gives for `bytes` in place, after checking that reading them
// in blocks of every size gives the same lines and kinds: every string and
// directive then lies across a block boundary somewhere.
Lines Read(Reader read, std::string_view bytes) {
    testing_support::JoinedLinesInBlocks(read, bytes);
    return ReadInPlace(read, bytes);
}

Lines Sfc(std::string_view bytes) { return Read(ExtractSfcText, bytes); }
Lines P21(std::string_view bytes) { return Read(ExtractP21Text, bytes); }

// CP932 from UTF-8 source text.
std::string Sjis(std::string_view utf8) { return Utf8ToCp932Lossy(utf8); }

// A feature's parameters: `count` of them, each '0' unless given.
std::string Parameters(int count, const std::map<int, std::string>& given) {
    std::string list;
    for (int k = 0; k < count; ++k) {
        if (k > 0) list += ',';
        auto found = given.find(k);
        list += found != given.end() ? found->second : "'0'";
    }
    return list;
}

// One feature comment, as the writers put them: CR LF, a blank line after.
std::string Feature(int id, std::string_view name, const std::string& parameters,
                    std::string_view tag = "SXF") {
    return "/*" + std::string(tag) + "\r\n#" + std::to_string(id) + " = " + std::string(name) +
           "(" + parameters + ")\r\n" + std::string(tag) + "*/\r\n\r\n";
}

std::string SfcFile(const std::string& features) {
    return "ISO-10303-21;\r\nHEADER;\r\nFILE_DESCRIPTION(('SCADEC level2 feature_mode'),'2;1');\r\n"
           "FILE_NAME('a.sfc','2009-2-25T20:50:53',(''),(''),'x','y','');\r\n"
           "FILE_SCHEMA(('ASSOCIATIVE_DRAUGHTING'));\r\nENDSEC;\r\nDATA;\r\n\r\n" +
           features + "ENDSEC;\r\nEND-ISO-10303-21;\r\n";
}

// A text_string_feature whose text parameter is `quoted` as written.
std::string TextString(int id, const std::string& quoted) {
    return Feature(id, "text_string_feature",
                   Parameters(13, {{0, "'9'"}, {3, quoted}, {6, "'70.000000'"}}));
}

std::string Backslashed(std::string_view text) { return "\\'" + std::string(text) + "\\'"; }

std::string P21File(const std::string& data) {
    return "ISO-10303-21;\nHEADER;\nFILE_DESCRIPTION(('SCADEC level2 AP202_mode'),'2;1');\n"
           "FILE_NAME('a.p21','2009-2-25T20:49:52',(''),('X'),'x','y','');\n"
           "FILE_SCHEMA(('ASSOCIATIVE_DRAUGHTING'));\nENDSEC;\nDATA;\n" +
           data + "ENDSEC;\nEND-ISO-10303-21;\n";
}

// A TEXT_LITERAL_WITH_EXTENT instance whose literal is `literal` as written.
std::string Literal(int id, std::string_view literal) {
    return "#" + std::to_string(id) + "=TEXT_LITERAL_WITH_EXTENT('$$SXF_baseline left','" +
           std::string(literal) + "',#10,'baseline left',.RIGHT.,#120,#20);\n";
}

// Whether the lines of a cut file lead those of the whole one: the same,
// the last of them possibly cut short (a string that closes where the data
// is cut is whole as far as the reader can tell).
bool LeadingRun(const Lines& part, const Lines& whole) {
    if (part.size() > whole.size()) return false;
    if (part.empty()) return true;
    size_t last = part.size() - 1;
    return std::equal(part.begin(), part.begin() + static_cast<ptrdiff_t>(last), whole.begin()) &&
           whole[last].starts_with(part[last]);
}

}  // namespace

TEST(ExtractSfcText, TextsDimensionsLabelsAndBalloonsShowingTheirText) {
    std::string features =
        Feature(10, "layer_feature", Backslashed("D-MTR-TXT") + ",'1'") +
        Feature(20, "text_font_feature", Backslashed(Sjis("ＭＳ ゴシック"))) +
        TextString(30, Backslashed(Sjis("平面図 1/100"))) +
        Feature(40, "linear_dim_feature", Parameters(44, {{32, "'1'"}, {34, Backslashed("800")}})) +
        Feature(50, "curve_dim_feature", Parameters(45, {{33, "'1'"}, {35, Backslashed("R5")}})) +
        Feature(60, "angular_dim_feature",
                Parameters(45, {{33, "1"}, {35, Backslashed(Sjis("30°"))}})) +
        Feature(70, "radius_dim_feature", Parameters(25, {{13, "'1'"}, {15, Backslashed("R12")}})) +
        Feature(80, "diameter_dim_feature", Parameters(30, {{18, "'1'"}, {20, "'%%c45'"}})) +
        Feature(90, "label_feature",
                Parameters(21, {{5, "(1.0,2.0)"},
                                {6, "(3.0,4.0)"},
                                {9, "'1'"},
                                {11, Backslashed(Sjis("溶接"))}})) +
        Feature(100, "balloon_feature", Parameters(24, {{12, "'1'"}, {14, Backslashed("A1")}})) +
        Feature(110, "sfig_org_feature",
                Backslashed(Sjis("$$ATRU$$1$$背景色$$色$$0_0_0")) + ",'3'") +
        Feature(120, "drawing_sheet_feature", Backslashed(Sjis("図面-1")) + ",'1','1','841','594'");
    EXPECT_EQ(Sfc(SfcFile(features)),
              (Lines{"SXF_TEXT:" + Sjis("平面図 1/100"), "SXF_TEXT:800", "SXF_TEXT:R5",
                     "SXF_TEXT:" + Sjis("30°"), "SXF_TEXT:R12", "SXF_TEXT:%%c45",
                     "SXF_TEXT:" + Sjis("溶接"), "SXF_TEXT:A1"}));
}

TEST(ExtractSfcText, AFeatureWithItsTextFlagOffShowsNoText) {
    // A label that draws only its leader keeps an empty or stale text.
    std::string features =
        Feature(10, "label_feature", Parameters(21, {{9, "'0'"}, {10, "'-1'"}, {11, "\\'\\'"}})) +
        Feature(20, "label_feature", Parameters(21, {{9, "'0'"}, {11, Backslashed("hidden")}})) +
        Feature(30, "linear_dim_feature", Parameters(44, {{32, "0"}, {34, Backslashed("70")}})) +
        Feature(40, "balloon_feature", Parameters(24, {{12, "'1'"}, {14, Backslashed("B")}}));
    EXPECT_EQ(Sfc(SfcFile(features)), (Lines{"SXF_TEXT:B"}));
}

TEST(ExtractSfcText, TitleBlockValuesHaveTheirOwnKindWhenFilled) {
    std::string filled = Feature(
        10, "drawing_attribute_feature",
        Backslashed(Sjis("○○川改修事業")) + "," + Backslashed(Sjis("護岸工事")) + ",\\' \\'," +
            Backslashed(Sjis("一般図")) + ",\\'3$$12\\',\\' \\',\\'1:100\\',2009,2,25," +
            Backslashed(Sjis("株式会社△△")) + "," + Backslashed(Sjis("□□事務所")),
        "SXF3");
    // Unfilled, the values are single spaces: no lines.
    std::string unfilled = Feature(
        20, "drawing_attribute_feature",
        "\\' \\',\\' \\',\\' \\',\\' \\',\\' \\',\\' \\',\\' \\','0','1','1',\\' \\',\\' \\'",
        "SXF3");
    EXPECT_EQ(
        Sfc(SfcFile(filled + unfilled)),
        (Lines{"SXF_TITLE_BLOCK:" + Sjis("○○川改修事業"), "SXF_TITLE_BLOCK:" + Sjis("護岸工事"),
               "SXF_TITLE_BLOCK:" + Sjis("一般図"), "SXF_TITLE_BLOCK:3$$12",
               "SXF_TITLE_BLOCK:1:100", "SXF_TITLE_BLOCK:" + Sjis("株式会社△△"),
               "SXF_TITLE_BLOCK:" + Sjis("□□事務所")}));
}

TEST(ExtractSfcText, BothQuotingsDoubledQuotesBackslashesAndTrailBytes) {
    std::string features =
        TextString(10, "'plain'") + TextString(20, "\\'it''s\\'") + TextString(30, "'it''s'") +
        TextString(40, "\\'a'b\\'") + TextString(50, "\\'C:\\\\dir\\'") + TextString(60, "'x\\y'") +
        // 表 95 5C and ソ 83 5C end in a backslash byte, before the closing \'.
        TextString(70, Backslashed(Sjis("表ソ"))) + TextString(80, "'" + Sjis("表") + "'") +
        // Half-width katakana, a tab, and line breaks of the file inside.
        TextString(90, "\\'" + Sjis("ｶﾞﾗｽ") + "\t1\r\n2\\'");
    EXPECT_EQ(Sfc(SfcFile(features)),
              (Lines{"SXF_TEXT:plain", "SXF_TEXT:it's", "SXF_TEXT:it's", "SXF_TEXT:a'b",
                     "SXF_TEXT:C:\\dir", "SXF_TEXT:x\\y", "SXF_TEXT:" + Sjis("表ソ"),
                     "SXF_TEXT:" + Sjis("表"), "SXF_TEXT:" + Sjis("ｶﾞﾗｽ") + "\t12"}));
}

TEST(ExtractSfcText, OnlyFeatureCommentsAreRead) {
    // A "/*" in a header string, an ordinary comment holding a feature, text
    // features outside comments, version tags in any case, blanks anywhere.
    std::string file =
        "ISO-10303-21;\nHEADER;\nFILE_NAME('a/*b','x');\nENDSEC;\nDATA;\n" +
        TextString(10, "'one'") +
        "/* #20 = text_string_feature('9','8','1','no') */\n"
        "#30 = text_string_feature('9','8','1','nor this');\n" +
        Feature(40, "TEXT_STRING_FEATURE", Parameters(13, {{3, "'two'"}}), "sxf3.1") +
        "/*SXF\n  #50\n=\ttext_string_feature ( '9' , '8' , '1' ,\n \\'three\\' )\nSXF*/\n";
    EXPECT_EQ(Sfc(file), (Lines{"SXF_TEXT:one", "SXF_TEXT:two", "SXF_TEXT:three"}));
}

TEST(ExtractSfcText, DamagedFeaturesKeepTheTextBeforeThem) {
    std::string good = TextString(10, "'before'");
    // A head that is not whole, a text parameter that is no string, a feature
    // cut short before its text, and one whose list never closes.
    std::string damaged =
        "/*SXF\n#20 text_string_feature('9','8','1','x')\nSXF*/\n"
        "/*SXF\n#30 = text_string_feature('9','8','1',$,'1')\nSXF*/\n"
        "/*SXF\n#40 = text_string_feature('9','8'\nSXF*/\n"
        "/*SXF\n#50 = linear_dim_feature('1',('2'\nSXF*/\n";
    EXPECT_EQ(Sfc(SfcFile(good + damaged + TextString(60, "'after'"))),
              (Lines{"SXF_TEXT:before", "SXF_TEXT:after"}));
    // A string the data ends in gives nothing; garbage gives nothing.
    EXPECT_EQ(Sfc("ISO-10303-21;\n" + good + "/*SXF\n#20 = text_string_feature('9','8','1',\\'cut"),
              (Lines{"SXF_TEXT:before"}));
    EXPECT_EQ(Sfc("ISO-10303-21;" + Hex("00 FF 2F 2A 53 58 46 81")), Lines{});
    EXPECT_EQ(Sfc(""), Lines{});
}

TEST(ExtractSfcText, CutsOfAFileGiveLeadingRunsOfItsLines) {
    std::string file = SfcFile(
        TextString(10, Backslashed(Sjis("平面図"))) +
        Feature(20, "linear_dim_feature", Parameters(44, {{32, "'1'"}, {34, Backslashed("800")}})) +
        TextString(30, "'it''s'"));
    Lines whole = Sfc(file);
    ASSERT_EQ(whole.size(), 3u);
    for (size_t cut = 0; cut < file.size(); ++cut) {
        EXPECT_TRUE(LeadingRun(ReadInPlace(ExtractSfcText, file.substr(0, cut)), whole)) << cut;
    }
}

TEST(ExtractSfcText, ALongStringIsKeptAsFarAsTheTextTakes) {
    std::string text(300000, 'x');
    std::string file = SfcFile(TextString(10, "'" + text + "'") + TextString(20, "'next'"));
    EXPECT_EQ(ReadInPlace(ExtractSfcText, file, 100),
              (Lines{"SXF_TEXT:" + std::string(100 - ExtractedText::kLineCost, 'x')}));
    EXPECT_EQ(ReadInBlocks(ExtractSfcText, file, 4096),
              (Lines{"SXF_TEXT:" + text, "SXF_TEXT:next"}));
}

TEST(ExtractP21Text, EveryMemberOfTheTextLiteralFamilyGivesItsLiteral) {
    std::string data =
        "#10=CARTESIAN_POINT(' ',(0.0,0.0));\n"
        "#20=TEXT_LITERAL('n','plain',#10,'baseline left',.RIGHT.,#120);\n" +
        Literal(30, "extent") +
        "#40=TEXT_LITERAL_WITH_ASSOCIATED_CURVES('n','curves',#10,'a',.RIGHT.,#120,(#5));\n"
        "#50 = TEXT_LITERAL_WITH_BLANKING_BOX ( 'n' , 'box' , #10,'a',.RIGHT.,#120,#6);\n"
        "#60=TEXT_LITERAL_WITH_DELINEATION('n','delineation',#10,'a',.RIGHT.,#120,'x');\n"
        // A complex instance: TEXT_LITERAL's own part starts with the literal.
        "#70=(\nGEOMETRIC_REPRESENTATION_ITEM()\nREPRESENTATION_ITEM('name')\n"
        "TEXT_LITERAL('complex',#10,'a',.RIGHT.,#120)\nTEXT_LITERAL_WITH_EXTENT(#7)\n);\n"
        // Other entities: names that hold the family's name, and the name in
        // strings and comments.
        "#80=ANNOTATION_TEXT_LITERAL('n','no');\n"
        "#90=TEXT_LITERAL_OTHER('n','no');\n"
        "#100=DRAUGHTING_TITLE((#1),'x=TEXT_LITERAL(''n'',''no'')','y');\n"
        "/* #110=TEXT_LITERAL('n','no',#10); */\n"
        "#120=EXTERNALLY_DEFINED_TEXT_FONT(IDENTIFIER('font'),#110);\n";
    EXPECT_EQ(P21(P21File(data)),
              (Lines{"SXF_TEXT:plain", "SXF_TEXT:extent", "SXF_TEXT:curves", "SXF_TEXT:box",
                     "SXF_TEXT:delineation", "SXF_TEXT:complex"}));
}

TEST(ExtractP21Text, EveryStringDirectiveIsDecoded) {
    std::string data =
        // \X2\ UTF-16: 平面図 and a surrogate pair; σ (03C3) as the fixture
        // writes it.
        Literal(10, "\\X2\\5E73976256F3\\X0\\") + Literal(20, "(\\X2\\03C3\\X0\\ck=160)") +
        Literal(30, "\\X2\\D83DDE00\\X0\\a") +
        // \X4\ code points; \X\ ISO 8859-1 (B0 °, D8 Ø becomes φ).
        Literal(40, "\\X4\\00005E7300009762\\X0\\") + Literal(50, "45\\X\\B0 \\X\\D835") +
        // \S\ in part 1 (\S\0 is B0 °), then after \PG\ (Greek: \S\v is
        // F6 φ) and \PE\ (Cyrillic: \S\0 is B0 А).
        Literal(60, "\\S\\0\\PG\\\\S\\v\\PE\\\\S\\0") +
        // '' and \\ , \N\ and \T\.
        Literal(70, "it''s C:\\\\d") + Literal(80, "one\\N\\two\\T\\three") +
        // A backslash that starts no directive stays.
        Literal(90, "a\\b\\X\\zz\\S\\");
    EXPECT_EQ(
        P21(P21File(data)),
        (Lines{"SXF_TEXT:" + Sjis("平面図"), "SXF_TEXT:" + Sjis("(σck=160)"),
               "SXF_TEXT:" + std::string(1, kUnmappableByte) + "a", "SXF_TEXT:" + Sjis("平面"),
               "SXF_TEXT:" + Sjis("45° φ35"), "SXF_TEXT:" + Sjis("°φА"), "SXF_TEXT:it's C:\\d",
               "SXF_TEXT:one", "SXF_TEXT:two\tthree", "SXF_TEXT:a\\b\\X\\zz\\S\\"}));
}

TEST(ExtractP21Text, RawBytesAreUtf8OrElseCp932AndLineBreaksOfTheFileGo) {
    std::string data = Literal(10, "\xE5\xB9\xB3\xE9\x9D\xA2") +  // UTF-8 平面
                       Literal(20, Sjis("立面")) +                // CP932 written raw
                       Literal(30, "\\X2\\5E73\r\n97\n62\\X0\\ab\r\ncd") + Literal(40, "  ");
    EXPECT_EQ(P21(P21File(data)), (Lines{"SXF_TEXT:" + Sjis("平面"), "SXF_TEXT:" + Sjis("立面"),
                                         "SXF_TEXT:" + Sjis("平面") + "abcd"}));
}

TEST(ExtractP21Text, DamagedDataKeepsTheLiteralsBeforeIt) {
    std::string before = Literal(10, "before");
    // A hex run cut off by the closing quote, a directive cut short: read as
    // far as they are whole. An unclosed comment hides the rest.
    EXPECT_EQ(
        P21(P21File(before + Literal(20, "\\X2\\5E7397") + Literal(30, "x\\X2\\") +
                    Literal(40, "\\X\\4"))),
        (Lines{"SXF_TEXT:before", "SXF_TEXT:" + Sjis("平"), "SXF_TEXT:x", "SXF_TEXT:\\X\\4"}));
    const std::string start = "ISO-10303-21;\nDATA;\n";
    EXPECT_EQ(P21(start + before + "/* " + Literal(20, "in the comment")),
              (Lines{"SXF_TEXT:before"}));
    // A literal the data ends in gives the lines it finished.
    EXPECT_EQ(P21(start + before + "#20=TEXT_LITERAL('n','one\\N\\tw"),
              (Lines{"SXF_TEXT:before", "SXF_TEXT:one"}));
    EXPECT_EQ(P21(start + before + "#20=TEXT_LITERAL('n'"), (Lines{"SXF_TEXT:before"}));
    EXPECT_EQ(P21(start + Hex("54 45 58 54 00 FF 27 27 27")), Lines{});
    EXPECT_EQ(P21(""), Lines{});
}

TEST(ExtractSxfText, OnlyAnExchangeStructureIsRead) {
    // Blanks, a byte-order mark and any case before "ISO-10303-21;" are fine.
    std::string literal = Literal(10, "p21");
    std::string feature = TextString(10, "'sfc'");
    for (std::string start :
         {"ISO-10303-21;", "\xEF\xBB\xBF iso-10303-21;", "\r\n\tIso-10303-21;"}) {
        EXPECT_EQ(P21(start + literal), (Lines{"SXF_TEXT:p21"})) << start;
        EXPECT_EQ(Sfc(start + feature), (Lines{"SXF_TEXT:sfc"})) << start;
    }
    // Anything else is no SXF drawing, whatever it holds.
    for (std::string start : {"", "ISO-10303-21", "ISO-10303-22;", "x ISO-10303-21;"}) {
        EXPECT_EQ(P21(start + literal), Lines{}) << start;
        EXPECT_EQ(Sfc(start + feature), Lines{}) << start;
    }
}

TEST(ExtractP21Text, CutsOfAFileGiveLeadingRunsOfItsLines) {
    std::string file = P21File(Literal(10, "\\X2\\5E73976256F3\\X0\\") + Literal(20, "a\\N\\b") +
                               Literal(30, "it''s"));
    Lines whole = P21(file);
    ASSERT_EQ(whole.size(), 4u);
    for (size_t cut = 0; cut < file.size(); ++cut) {
        EXPECT_TRUE(LeadingRun(ReadInPlace(ExtractP21Text, file.substr(0, cut)), whole)) << cut;
    }
}

// A P21 file of `size` bytes, made as it is read: instances of points, and a
// text literal after each thousand. Memory stays one block and the text's
// limit.
TEST(ExtractP21Text, AFileOfAnySizeIsReadInBoundedMemory) {
    const std::string start = "ISO-10303-21;\nDATA;\n";
    const std::string record = "#1=CARTESIAN_POINT(' ',(10.000000,-30.000000));\n";
    const std::string literal = Literal(2, "\\X2\\5E73976256F3\\X0\\");
    const uint64_t period = 1000 * record.size() + literal.size();
    const uint64_t size = start.size() + 100 * period;
    testing_support::GeneratedSource source(size, [&](uint64_t offset) {
        if (offset < start.size()) return static_cast<uint8_t>(start[offset]);
        uint64_t at = (offset - start.size()) % period;
        if (at < 1000 * record.size()) return static_cast<uint8_t>(record[at % record.size()]);
        return static_cast<uint8_t>(literal[at - 1000 * record.size()]);
    });
    ExtractedText text(256);
    size_t lines = 0;
    text.SetFlush([&](const ExtractedText& held) {
        lines += held.size();
        return true;
    });
    ExtractP21Text(source, text);
    lines += text.size();
    EXPECT_EQ(lines, 100u);
    EXPECT_EQ(text[0].text, Sjis("平面図"));
    EXPECT_LE(source.LargestRead(), SourceWindow::kBlockSize);
}

// A source that counts the bytes read from it, and tells its runs of zeros
// as holes, as a sparse file does.
class CountingSource final : public ByteSource {
  public:
    explicit CountingSource(std::string_view bytes) : m_inner(bytes) {}
    uint64_t Size() const override { return m_inner.Size(); }
    ByteView Read(uint64_t offset, size_t count, std::vector<uint8_t>& scratch) override {
        ByteView view = m_inner.Read(offset, count, scratch);
        m_read += view.size;
        return view;
    }
    uint64_t DataFrom(uint64_t offset) override { return m_inner.DataFrom(offset); }
    uint64_t BytesRead() const { return m_read; }

  private:
    CopyingSource m_inner;
    uint64_t m_read = 0;
};

TEST(ExtractSxfText, HolesOfASparseFileArePassedAtOnce) {
    // Holes between instances and inside strings, read in blocks of 4 KiB.
    const std::string hole(size_t{4} << 20, '\0');
    std::string p21 = P21File(Literal(10, "a") + hole + Literal(20, "b" + hole + "c") + hole);
    CountingSource p21Source(p21);
    BlockLimitSource p21Blocks(p21Source, 4096);
    ExtractedText p21Text;
    ExtractP21Text(p21Blocks, p21Text);
    EXPECT_EQ(KindsAndLines(p21Text), (Lines{"SXF_TEXT:a", "SXF_TEXT:bc"}));
    EXPECT_LT(p21Source.BytesRead(), uint64_t{64} << 10);

    std::string sfc =
        SfcFile(TextString(10, "'a'") + hole + TextString(20, "'b" + hole + "c'") + hole);
    CountingSource sfcSource(sfc);
    BlockLimitSource sfcBlocks(sfcSource, 4096);
    ExtractedText sfcText;
    ExtractSfcText(sfcBlocks, sfcText);
    EXPECT_EQ(KindsAndLines(sfcText), (Lines{"SXF_TEXT:a", "SXF_TEXT:bc"}));
    EXPECT_LT(sfcSource.BytesRead(), uint64_t{64} << 10);
}

TEST(ExtractP21Text, ALongLiteralIsKeptAsFarAsTheTextTakes) {
    std::string text(300000, 'x');
    std::string file = P21File(Literal(10, text + "\\N\\" + text) + Literal(20, "next"));
    EXPECT_EQ(ReadInPlace(ExtractP21Text, file, 100),
              (Lines{"SXF_TEXT:" + std::string(100 - ExtractedText::kLineCost, 'x')}));
    EXPECT_EQ(ReadInBlocks(ExtractP21Text, file, 4096),
              (Lines{"SXF_TEXT:" + text, "SXF_TEXT:" + text, "SXF_TEXT:next"}));
}

// The real drawing: every string the independent reader lists is a line of
// kind SXF_TEXT, and the reader gives no other.
TEST(SxfFixtures, EveryOracleStringIsATextLine) {
    std::optional<std::filesystem::path> dir = testing_support::FixturesDir();
    if (!dir || !std::filesystem::is_directory(*dir / "sxf")) GTEST_SKIP() << "no SXF fixtures";
    std::vector<std::filesystem::path> drawings =
        testing_support::FilesWithExtension(*dir / "sxf", ".SFC");
    ASSERT_FALSE(drawings.empty());
    for (const auto& path : drawings) {
        std::string drawing = testing_support::ReadFileBytes(path);
        Lines lines = Read(ExtractSfcText, drawing);
        std::string oracle = testing_support::ReadFileBytes(path.string() + ".oracle.txt");
        Lines expected;
        size_t start = 0;
        for (size_t end; (end = oracle.find('\n', start)) != std::string::npos; start = end + 1) {
            std::string_view row = std::string_view(oracle).substr(start, end - start);
            size_t tab = row.find('\t'), second = row.find('\t', tab + 1);
            if (second == std::string_view::npos) continue;
            expected.push_back(std::string(row.substr(0, tab)) + ":" +
                               Sjis(row.substr(second + 1)));
        }
        std::sort(expected.begin(), expected.end());
        Lines sorted = lines;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, expected) << path;
        EXPECT_EQ(expected.size(), 460u);
    }
}

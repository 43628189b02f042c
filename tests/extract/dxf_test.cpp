#include "extract/dxf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <utility>

#include "bytes/code_pages.h"
#include "bytes/spaces.h"
#include "extract/dxf_blocks.h"
#include "extract/dxf_entity_text.h"
#include "tests/block_limit_source.h"
#include "tests/test_support.h"

using testing_support::BlockLimitSource;
using testing_support::CopyingSource;
using testing_support::Hex;

namespace {

// Each line as "KIND:text".
std::vector<std::string> Lines(const ExtractedText& text) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < text.size(); ++i) {
        lines.push_back(std::string(TextKindName(text[i].kind)) + ":" + std::string(text[i].text));
    }
    return lines;
}

std::vector<std::string> ReadInBlocks(std::string_view bytes, size_t blockSize) {
    CopyingSource source(bytes);
    BlockLimitSource blocks(source, blockSize);
    ExtractedText text;
    ExtractDxfText(blocks, text);
    return Lines(text);
}

// What the reader gives for `bytes` walked in place (an exact-size copy),
// after checking that reading them in blocks of every size from 1 to 70 bytes,
// and of a few larger ones, gives the same: every pair and value then spans a
// block boundary somewhere.
std::vector<std::string> Read(std::string_view bytes) {
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    MemorySource source(ByteView{copy.data(), copy.size()});
    ExtractedText text;
    ExtractDxfText(source, text);
    std::vector<std::string> lines = Lines(text);
    std::vector<size_t> sizes;
    for (size_t size = 1; size <= 70; ++size) sizes.push_back(size);
    for (size_t size : {127, 128, 129, 1000, 4096}) sizes.push_back(size);
    for (size_t size : sizes) EXPECT_EQ(ReadInBlocks(bytes, size), lines) << "blocks of " << size;
    return lines;
}

using Pair = std::pair<int, std::string_view>;

// ASCII DXF pairs as CAD programs write them: the code right-aligned in three
// columns, CR LF after each line.
std::string Pairs(std::initializer_list<Pair> pairs) {
    std::string dxf;
    for (const auto& [code, value] : pairs) {
        std::string number = std::to_string(code);
        dxf += std::string(number.size() < 3 ? 3 - number.size() : 0, ' ') + number + "\r\n";
        dxf += value;
        dxf += "\r\n";
    }
    return dxf;
}

std::string Section(std::string_view name, const std::string& body) {
    return Pairs({{0, "SECTION"}, {2, name}}) + body + Pairs({{0, "ENDSEC"}});
}

std::string Header(std::string_view version, std::string_view codePage) {
    return Section("HEADER",
                   Pairs({{9, "$ACADVER"}, {1, version}, {9, "$DWGCODEPAGE"}, {3, codePage}}));
}

std::string InEntities(const std::string& body) {
    return Section("ENTITIES", body) + Pairs({{0, "EOF"}});
}

std::string Text(std::string_view value) {
    return Pairs({{0, "TEXT"}, {8, "LAYER"}, {10, "1.0"}, {20, "2.0"}, {40, "2.5"}, {1, value}});
}

// Binary DXF pairs: 2-byte codes (R13 on) or 1-byte codes (R12).
class BinaryDxf {
  public:
    explicit BinaryDxf(bool twoByteCodes) : m_twoByte(twoByteCodes) {
        m_bytes.assign("AutoCAD Binary DXF\r\n\x1a", 21);
        m_bytes += '\0';
    }
    BinaryDxf& String(int code, std::string_view value) {
        Code(code);
        m_bytes += value;
        m_bytes += '\0';
        return *this;
    }
    BinaryDxf& Number(int code, uint64_t value, int width) {
        Code(code);
        for (int i = 0; i < width; ++i) m_bytes += static_cast<char>(value >> (8 * i));
        return *this;
    }
    BinaryDxf& Double(int code, double value) {
        uint64_t bits;
        std::memcpy(&bits, &value, 8);
        return Number(code, bits, 8);
    }
    BinaryDxf& Chunk(int code, std::string_view data) {
        Code(code);
        m_bytes += static_cast<char>(data.size());
        m_bytes += data;
        return *this;
    }
    const std::string& Bytes() const { return m_bytes; }

  private:
    void Code(int code) {
        if (!m_twoByte && code < 255) {
            m_bytes += static_cast<char>(code);
            return;
        }
        if (!m_twoByte) m_bytes += '\xFF';
        m_bytes += static_cast<char>(code & 0xFF);
        m_bytes += static_cast<char>(code >> 8);
    }

    bool m_twoByte;
    std::string m_bytes;
};

using Texts = std::vector<std::string>;

}  // namespace

TEST(ExtractDxfText, TakesTheTextOfEachEntityKind) {
    std::string dxf =
        InEntities(Text("plan") +
                   Pairs({{0, "MTEXT"}, {100, "AcDbMText"}, {7, "Standard"}, {1, "\\A1;note"}}) +
                   Pairs({{0, "INSERT"}, {2, "TITLE"}, {66, "1"}}) +
                   Pairs({{0, "ATTRIB"},
                          {100, "AcDbText"},
                          {1, "A-101"},
                          {100, "AcDbAttribute"},
                          {2, "DWGNO"},
                          {70, "0"}}) +
                   Pairs({{0, "SEQEND"}}) +
                   Pairs({{0, "ATTDEF"},
                          {1, "default"},
                          {100, "AcDbAttributeDefinition"},
                          {3, "Drawing no?"},
                          {2, "DWGNO"}}) +
                   Pairs({{0, "DIMENSION"}, {2, "*D1"}, {3, "ISO-25"}, {1, "<> mm"}}) +
                   Pairs({{0, "DIMENSION"}, {2, "*D2"}, {1, "<>"}}) +
                   Pairs({{0, "DIMENSION"}, {2, "*D3"}, {1, ""}}) +
                   Pairs({{0, "ARC_DIMENSION"}, {2, "*D4"}, {1, "arc"}}));
    EXPECT_EQ(Read(dxf), (Texts{"TEXT:plan", "MTEXT:\\A1;note", "ATTRIB:A-101", "ATTDEF:default",
                                "ATTDEF_PROMPT:Drawingno?", "ATTDEF_TAG:DWGNO", "DIMENSION:<>mm",
                                "DIMENSION:arc"}));
}

TEST(ExtractDxfText, JoinsMTextChunksInOrderAsOneLine) {
    std::string first(250, 'a'), second(250, 'b');
    std::string dxf = InEntities(
        Pairs({{0, "MTEXT"}, {3, first}, {3, second}, {1, "end"}}) + Text("after") +
        // Chunks that no group 1 closes still make their line; two MTEXT are
        // never joined.
        Pairs({{0, "MTEXT"}, {3, "only"}, {3, "chunks"}}) + Pairs({{0, "MTEXT"}, {1, "next"}}));
    EXPECT_EQ(Read(dxf), (Texts{"MTEXT:" + first + second + "end", "TEXT:after", "MTEXT:onlychunks",
                                "MTEXT:next"}));
}

TEST(ExtractDxfText, MultiLeaderGivesItsMTextAndItsBlockAttributeValues) {
    std::string dxf =
        InEntities(Pairs({{0, "MULTILEADER"},
                          {100, "AcDbEntity"},
                          {8, "0"},
                          {100, "AcDbMLeader"},
                          {270, "2"},
                          {300, "CONTEXT_DATA{"},
                          {40, "1.0"},
                          {290, "1"},
                          {304, "xx\\Pyy"},
                          {340, "11"},
                          {302, "LEADER{"},
                          {290, "1"},
                          {304, "LEADER_LINE{"},
                          {10, "0.0"},
                          {305, "}"},
                          {303, "}"},
                          {301, "}"},
                          {340, "2AF"},
                          {330, "1A"},
                          {177, "1"},
                          {44, "0.0"},
                          {302, "attribute value"}}) +
                   Pairs({{0, "MLEADER"}, {300, "CONTEXT_DATA{"}, {304, "old name"}, {301, "}"}}));
    EXPECT_EQ(Read(dxf),
              (Texts{"MULTILEADER:xx\\Pyy", "MULTILEADER:attributevalue", "MULTILEADER:oldname"}));
}

TEST(ExtractDxfText, TableCellsGiveTheirTextOrWhatTheyShow) {
    std::string dxf = InEntities(Pairs({
        {0, "ACAD_TABLE"},
        {100, "AcDbEntity"},
        {100, "AcDbBlockReference"},
        {2, "*T14"},
        {100, "AcDbTable"},
        {91, "3"},
        {171, "1"},
        {2, "long "},
        {1, "cell"},  // chunks, then the last part
        {171, "1"},
        {301, "CELL_VALUE"},
        {90, "4"},
        {1, "test"},
        {300, ""},
        {302, "test"},
        {304, "ACVALUE_END"},  // a string: its 1, once
        {171, "1"},
        {301, "CELL_VALUE"},
        {90, "2"},
        {140, "3.5"},
        {300, "%lu2%pr2"},
        {302, "3.50"},
        {304, "ACVALUE_END"},  // a number: what it shows
        {171, "2"},
        {340, "1F0"},
        {331, "1F2"},
        {300, "block cell attribute"},
    }));
    EXPECT_EQ(Read(dxf), (Texts{"TABLE_CELL:longcell", "TABLE_CELL:test", "TABLE_CELL:3.50",
                                "TABLE_CELL:blockcellattribute"}));
}

TEST(ExtractDxfText, BlockDefinitionsAreReadButNotTheirNames) {
    std::string blocks = Section(
        "BLOCKS",
        Pairs({{0, "BLOCK"}, {8, "0"}, {2, "TITLE"}, {70, "2"}, {3, "TITLE"}, {1, "xref.dwg"}}) +
            Pairs({{0, "ATTDEF"}, {1, ""}, {3, "Client"}, {2, "CLIENT"}}) + Text("title block") +
            Pairs({{0, "ENDBLK"}}) + Pairs({{0, "BLOCK"}, {2, "*D1"}}) +
            Pairs({{0, "MTEXT"}, {1, "1504,68"}}) + Pairs({{0, "ENDBLK"}}));
    EXPECT_EQ(Read(blocks + InEntities(Text("model"))),
              (Texts{"ATTDEF_PROMPT:Client", "ATTDEF_TAG:CLIENT", "TEXT:titleblock",
                     "MTEXT:1504,68", "TEXT:model"}));
}

TEST(ExtractDxfText, HeaderClassesTablesObjectsAndOtherGroupsAreNotText) {
    std::string dxf = Section("HEADER", Pairs({{9, "$ACADVER"},
                                               {1, "AC1015"},
                                               {9, "$LASTSAVEDBY"},
                                               {1, "someone"},
                                               {9, "$PROJECTNAME"},
                                               {1, "project"}})) +
                      Section("CLASSES", Pairs({{0, "CLASS"},
                                                {1, "MLEADERSTYLE"},
                                                {2, "AcDbMLeaderStyle"},
                                                {3, "ObjectDBX Classes"}})) +
                      Section("TABLES", Pairs({{0, "TABLE"},
                                               {2, "LAYER"},
                                               {0, "LAYER"},
                                               {2, "WALLS"},
                                               {0, "STYLE"},
                                               {2, "Standard"},
                                               {3, "txt"},
                                               {0, "ENDTAB"}})) +
                      Section("ENTITIES", Text("plan") + Pairs({{0, "LINE"},
                                                                {8, "WALLS"},
                                                                {1, "not a line's"},
                                                                {1001, "APP"},
                                                                {1000, "xdata"}})) +
                      Section("OBJECTS", Pairs({{0, "DICTIONARY"},
                                                {3, "ACAD_GROUP"},
                                                {0, "MLEADERSTYLE"},
                                                {300, "default text"},
                                                {3, "Standard"}})) +
                      Pairs({{0, "EOF"}});
    EXPECT_EQ(Read(dxf), Texts{"TEXT:plan"});
    // Extended data of a text entity is not its text either.
    EXPECT_EQ(Read(InEntities(Text("a") + Pairs({{1001, "APP"}, {1000, "b"}, {3, "c"}}))),
              Texts{"TEXT:a"});
}

TEST(ExtractDxfText, AttributesEndWhereTheirEmbeddedMTextRepeatsThem) {
    std::string dxf = InEntities(
        Pairs({{0, "ATTRIB"},
               {1, "one\\Ptwo"},
               {2, "TAG"},
               {101, "Embedded Object"},
               {1, "one\\Ptwo"},
               {3, "chunk"}}) +
        Pairs({{0, "ATTDEF"}, {1, "v"}, {3, "p"}, {2, "TAG"}, {100, "AcDbXrecord"}, {2, "TAG"}}));
    EXPECT_EQ(Read(dxf),
              (Texts{"ATTRIB:one\\Ptwo", "ATTDEF:v", "ATTDEF_PROMPT:p", "ATTDEF_TAG:TAG"}));
}

TEST(ExtractDxfText, MultiLineAttributesAddTheirEmbeddedMText) {
    // As AutoCAD 2008 on writes them: the value, the attribute's part, then
    // the embedded MTEXT with its text in chunks; the same as the DWG reader
    // gives for the attribute saved as a DWG.
    std::string chunk(250, 'x');
    std::string dxf =
        InEntities(Pairs({{0, "ATTRIB"},
                          {100, "AcDbText"},
                          {1, "first second"},
                          {100, "AcDbAttribute"},
                          {2, "TAG"},
                          {70, "0"},
                          {280, "0"},
                          {101, "Embedded Object"},
                          {10, "0.0"},
                          {40, "2.5"},
                          {46, "0.0"},
                          {71, "1"},
                          {3, "first\\P" + chunk},
                          {1, "second"},
                          {73, "1"}}) +
                   Pairs({{0, "ATTDEF"},
                          {1, "dv"},
                          {3, "prompt"},
                          {2, "T"},
                          {101, "Embedded Object"},
                          {1, "d\\Pv"}}) +
                   // An embedded text the data cuts off before its 1 still counts.
                   Pairs({{0, "ATTRIB"}, {1, "v"}, {101, "Embedded Object"}, {3, "cut\\Poff"}}));
    EXPECT_EQ(Read(dxf), (Texts{"ATTRIB:firstsecond", "ATTRIB:first\\P" + chunk + "second",
                                "ATTDEF:dv", "ATTDEF_PROMPT:prompt", "ATTDEF_TAG:T", "ATTDEF:d\\Pv",
                                "ATTRIB:v", "ATTRIB:cut\\Poff"}));
}

TEST(ExtractDxfText, Utf8FromAc1021OnWhateverTheCodePageSays) {
    // A character CP932 cannot hold (间) becomes the unmappable byte.
    std::string body = Text("平面図") + Text("45°") + Text("房间");
    EXPECT_EQ(Read(Header("AC1027", "ANSI_1252") + InEntities(body)),
              (Texts{"TEXT:" + Hex("95 BD 96 CA 90 7D"), "TEXT:45" + Hex("81 8B"),
                     "TEXT:" + Hex("96 5B") + std::string(1, kUnmappableByte)}));
    // A value that is no UTF-8 (a program that wrote Shift-JIS all the same)
    // is read as the code page.
    EXPECT_EQ(Read(Header("AC1021", "ANSI_932") + InEntities(Text("図") + Text(Hex("95 BD")))),
              (Texts{"TEXT:" + Hex("90 7D"), "TEXT:" + Hex("95 BD")}));
}

TEST(ExtractDxfText, CodePageOfTheHeaderBeforeAc1021) {
    // ANSI_1252's degree sign B0 is CP932's 81 8B; a page the reader does not
    // know, or none, leaves the bytes as CP932.
    std::string value = "45" + Hex("B0");
    EXPECT_EQ(Read(Header("AC1015", "ANSI_1252") + InEntities(Text(value))),
              Texts{"TEXT:45" + Hex("81 8B")});
    EXPECT_EQ(Read(Header("AC1015", "ANSI_936") + InEntities(Text(value))), Texts{"TEXT:" + value});
    EXPECT_EQ(Read(InEntities(Text(value))), Texts{"TEXT:" + value});
    std::string kanji = Hex("95 BD 96 CA 90 7D");
    EXPECT_EQ(Read(Header("AC1009", "ANSI_932") + InEntities(Text(kanji))), Texts{"TEXT:" + kanji});
}

TEST(ExtractDxfText, CodeLinesWithAnyPaddingAndEitherLineEnd) {
    for (std::string eol : {"\r\n", "\n"}) {
        for (std::string pad : {"", " ", "  ", "   "}) {
            std::string dxf;
            for (const auto& [code, value] : {Pair{0, "SECTION"}, Pair{2, "ENTITIES"},
                                              Pair{0, "TEXT"}, Pair{1, "ABC"}, Pair{0, "EOF"}}) {
                dxf += pad + std::to_string(code) + pad + eol + std::string(value) + eol;
            }
            EXPECT_EQ(Read(dxf), Texts{"TEXT:ABC"}) << "padding " << pad.size();
        }
    }
    // A writer that doubled the CR (CR CR LF): the code lines still count.
    EXPECT_EQ(Read("0\r\r\nSECTION\r\r\n2\r\r\nENTITIES\r\r\n0\r\r\nTEXT\r\r\n1\r\r\nA\r\r\n"),
              Texts{"TEXT:A\r"});
    // A last line without its end is kept, with or without its CR.
    EXPECT_EQ(Read("0\nSECTION\n2\nENTITIES\n0\nTEXT\n1\nABC"), Texts{"TEXT:ABC"});
    EXPECT_EQ(Read("0\nSECTION\n2\nENTITIES\n0\nTEXT\n1\nABC\r"), Texts{"TEXT:ABC"});
    // A byte-order mark before the first code line.
    EXPECT_EQ(Read("\xEF\xBB\xBF" + InEntities(Text("bom"))), Texts{"TEXT:bom"});
}

TEST(ExtractDxfText, ValuesStayAsStored) {
    // MTEXT codes and escapes are the search's to clean; a zero byte or a lone
    // CR inside a value is part of it.
    std::string codes = "{\\fMS Gothic|b0|i0;X}\\U+00B0\\P%%d";
    EXPECT_EQ(Read(InEntities(Pairs({{0, "MTEXT"}, {1, codes}}))),
              Texts{"MTEXT:{\\fMSGothic|b0|i0;X}\\U+00B0\\P%%d"});
    EXPECT_EQ(Read(InEntities(Text(std::string_view("A\0B\rC", 5)))),
              Texts{"TEXT:" + std::string("A\0B\rC", 5)});
}

TEST(ExtractDxfText, SpacesAreDeletedAtCharacterBoundaries) {
    EXPECT_EQ(Read(InEntities(Text("K 12 3"))), Texts{"TEXT:K123"});
    // A value of spaces alone adds no line.
    EXPECT_EQ(Read(InEntities(Text("    ") + Text(Hex("81 40")))), Texts{});
    // Full-width space between two kanji goes; 0x88 0x81 then 0x40 stays.
    EXPECT_EQ(Read(InEntities(Text(Hex("95 BD 81 40 96 CA")))),
              Texts{"TEXT:" + Hex("95 BD 96 CA")});
    EXPECT_EQ(Read(InEntities(Text(Hex("88 81 40")))), Texts{"TEXT:" + Hex("88 81 40")});
    // 0x20 as the second byte of a (malformed) double-byte character stays.
    EXPECT_EQ(Read(InEntities(Text(Hex("88 20 41 20")))), Texts{"TEXT:" + Hex("88 20 41")});
}

TEST(ExtractDxfText, TrailBytesThatLookLikeCodesDoNotSplitValues) {
    // 0x31 ('1') and 0x20 occur as trail bytes of kanji in values.
    std::string value = Hex("8C 31 88 20 82 31");
    EXPECT_EQ(Read(InEntities(Text(value) + Text("Z"))), (Texts{"TEXT:" + value, "TEXT:Z"}));
}

TEST(ExtractDxfText, BinaryDxfGivesTheTextOfTheSameEntities) {
    BinaryDxf r2000(true);
    r2000.String(0, "SECTION").String(2, "HEADER").String(9, "$ACADVER").String(1, "AC1015");
    r2000.String(9, "$DWGCODEPAGE").String(3, "ANSI_1252").String(0, "ENDSEC");
    r2000.String(0, "SECTION").String(2, "ENTITIES");
    r2000.String(0, "LINE").String(5, "2F").String(8, "0").Double(10, 1.5).Double(20, 2.5);
    r2000.Number(62, 1, 2).Number(90, 7, 4).Number(160, 1, 8).Number(290, 1, 1);
    r2000.Chunk(310, std::string("\0\x01\0 1\0", 6)).Number(1071, 5, 4);
    r2000.String(0, "TEXT").Double(40, 2.5).String(1, "45" + Hex("B0")).String(7, "Standard");
    r2000.String(0, "MTEXT").String(3, "first ").String(1, "last");
    r2000.String(0, "ATTDEF").String(1, "v").String(3, "prompt").String(2, "TAG");
    r2000.String(0, "ENDSEC").String(0, "EOF");
    EXPECT_EQ(Read(r2000.Bytes()), (Texts{"TEXT:45" + Hex("81 8B"), "MTEXT:firstlast", "ATTDEF:v",
                                          "ATTDEF_PROMPT:prompt", "ATTDEF_TAG:TAG"}));

    // R12: one-byte codes, 255 announcing a two-byte one (extended data).
    BinaryDxf r12(false);
    r12.String(0, "SECTION").String(2, "ENTITIES").String(0, "TEXT").Double(10, 0.0);
    r12.Number(62, 3, 2).String(1, "R12").String(1001, "APP").String(1000, "xdata");
    r12.Double(1040, 2.0).Number(1070, 4, 2).String(0, "EOF");
    EXPECT_EQ(Read(r12.Bytes()), Texts{"TEXT:R12"});
}

TEST(ExtractDxfText, ValueLongerThanTheCapIsCutAndTheReadingGoesOn) {
    std::string longValue(kDxfValueCap + 1000, 'a');
    std::string dxf = InEntities(Text(longValue) + Text("next"));
    BinaryDxf binary(true);
    binary.String(0, "SECTION").String(2, "ENTITIES").String(0, "TEXT").String(1, longValue);
    binary.String(0, "TEXT").String(1, "next").String(0, "EOF");
    Texts expected{"TEXT:" + std::string(kDxfValueCap, 'a'), "TEXT:next"};
    for (const std::string& data : {dxf, binary.Bytes()}) {
        MemorySource source(AsBytes(data));
        ExtractedText text;
        ExtractDxfText(source, text);
        EXPECT_EQ(Lines(text), expected);
        // Blocks around the cap, up to the reader's own (it asks for no more).
        static_assert(DxfBlocks::kBlockSize == kDxfValueCap);
        for (size_t blockSize : {size_t{4099}, kDxfValueCap - 1, kDxfValueCap}) {
            EXPECT_EQ(ReadInBlocks(data, blockSize), expected) << "blocks of " << blockSize;
        }
    }
    // Chunks of one MTEXT beyond the cap go on in a new line.
    std::string chunk(250, 'c');
    std::string mtext = Pairs({{0, "MTEXT"}});
    size_t chunks = kDxfValueCap / 250 + 2;
    for (size_t i = 0; i < chunks; ++i) mtext += Pairs({{3, chunk}});
    std::string manyChunks = InEntities(mtext + Pairs({{1, "z"}}));
    MemorySource source(AsBytes(manyChunks));
    ExtractedText text;
    ExtractDxfText(source, text);
    ASSERT_EQ(text.size(), 2u);
    EXPECT_LE(text[0].text.size(), kDxfValueCap);
    EXPECT_EQ(text[0].text.size() + text[1].text.size(), chunks * 250 + 1);
}

TEST(ExtractDxfText, DamagedDataGivesTheLinesBeforeTheDamage) {
    std::string start = Pairs({{0, "SECTION"}, {2, "ENTITIES"}}) + Text("kept");
    // A code line that is no number ends the reading.
    for (std::string bad : std::initializer_list<std::string>{
             "X1", "1 2", "", "1234567", std::string(40, ' ') + "1", "+1", "1.0"}) {
        EXPECT_EQ(Read(start + bad + "\r\n" + "v\r\n" + Text("lost")), Texts{"TEXT:kept"})
            << "code line '" << bad << "'";
    }
    // Cut off inside a pair: a code line without its value adds nothing.
    EXPECT_EQ(Read(start + "  0\r\nTEXT\r\n  1"), Texts{"TEXT:kept"});
    EXPECT_EQ(Read(start + "  0\r\nTEXT\r\n  1\r\nha"), (Texts{"TEXT:kept", "TEXT:ha"}));
    // Entities of a fragment without sections count; the old group-code-1
    // shape, without entities, is no text.
    EXPECT_EQ(Read("0\nTEXT\n1\nbare\n0\nMTEXT\n1\nfragment"),
              (Texts{"TEXT:bare", "MTEXT:fragment"}));
    EXPECT_EQ(Read("0\r\n 1\r\nX\r\n"), Texts{});
    EXPECT_EQ(Read(""), Texts{});
    EXPECT_EQ(Read("\n\n\n\n"), Texts{});
    EXPECT_EQ(Read("\x89PNG\r\n\x1a\n"), Texts{});
    // An entity without a name is damage too.
    EXPECT_EQ(Read(InEntities(Text("a") + Pairs({{0, ""}}) + Text("b"))), Texts{"TEXT:a"});
    // Nothing is read after the end of the file.
    EXPECT_EQ(Read(InEntities(Text("a")) + Text("after")), Texts{"TEXT:a"});

    // Binary data cut anywhere gives what came before, and never hangs.
    BinaryDxf binary(true);
    binary.String(0, "SECTION").String(2, "ENTITIES").String(0, "TEXT").String(1, "kept");
    binary.Double(10, 1.0).String(0, "TEXT").String(1, "cut");
    const std::string& whole = binary.Bytes();
    for (size_t size = 0; size <= whole.size(); ++size) {
        Texts lines = Read(whole.substr(0, size));
        EXPECT_LE(lines.size(), 2u);
        if (!lines.empty()) {
            EXPECT_TRUE(std::string("TEXT:kept").starts_with(lines[0]));
        }
    }
    EXPECT_EQ(Read(whole + "\x01"), (Texts{"TEXT:kept", "TEXT:cut"}));
}

namespace {

// Gigabytes of zeros, as a sparse file gives them, without holding them; it
// counts the bytes read.
class ZerosSource final : public ByteSource {
  public:
    uint64_t Size() const override { return uint64_t{4} << 30; }
    ByteView Read(uint64_t offset, size_t count, std::vector<uint8_t>& scratch) override {
        count = static_cast<size_t>(std::min<uint64_t>(count, Size() - std::min(offset, Size())));
        scratch.assign(count, 0);
        bytesRead += count;
        return {scratch.data(), scratch.size()};
    }
    uint64_t bytesRead = 0;
};

}  // namespace

TEST(ExtractDxfText, AFileOfZerosEndsAtItsFirstBlock) {
    // Its first code line is longer than any group code: the reading stops
    // without looking for the line's end.
    for (size_t blockSize : {DxfBlocks::kBlockSize, size_t{4096}}) {
        ZerosSource zeros;
        BlockLimitSource blocks(zeros, blockSize);
        ExtractedText text;
        ExtractDxfText(blocks, text);
        EXPECT_TRUE(text.empty());
        EXPECT_LE(zeros.bytesRead, uint64_t{2} << 20) << "blocks of " << blockSize;
    }
}

TEST(ExtractDxfText, StopsWhenTheOutputIsFull) {
    std::string body;
    for (int i = 0; i < 100; ++i) body += Text("0123456789");
    std::string dxf = InEntities(body);
    MemorySource source(AsBytes(dxf));
    ExtractedText text(25 + 3 * ExtractedText::kLineCost);
    ExtractDxfText(source, text);
    EXPECT_TRUE(text.Full());
    EXPECT_EQ(text.ByteCount(), 25u);
    EXPECT_EQ(text.size(), 3u);
}

namespace {

// The plain text of an MTEXT value, the simple way: paragraph breaks become
// line ends; formatting codes, braces and \U+ escapes go.
std::string PlainMText(std::string_view value) {
    std::string plain;
    for (size_t i = 0; i < value.size(); ++i) {
        char ch = value[i];
        if (ch == '{' || ch == '}') continue;
        if (ch != '\\' || i + 1 >= value.size()) {
            plain += ch;
            continue;
        }
        char code = value[++i];
        if (code == 'P') {
            plain += '\n';
        } else if (code == 'U' && i + 6 <= value.size() && value[i + 1] == '+') {
            AppendCp932(plain, std::stoul(std::string(value.substr(i + 2, 4)), nullptr, 16));
            i += 5;
        } else if (std::strchr("ACcFfHhQqTtWwp", code) != nullptr) {
            size_t end = value.find(';', i);
            i = end == std::string_view::npos ? value.size() : end;
        } else if (std::strchr("LlOoKk", code) == nullptr) {
            plain += code;
        }
    }
    return plain;
}

}  // namespace

TEST(ExtractDxfText, RealDrawingsShowEveryStringTheirOracleLists) {
    auto fixtures = testing_support::FixturesDir();
    if (!fixtures) GTEST_SKIP() << "fixtures folder absent";
    auto drawings = testing_support::FilesWithExtension(*fixtures / "dxf", ".dxf");
    ASSERT_FALSE(drawings.empty());
    for (const auto& drawing : drawings) {
        std::filesystem::path oracle = drawing.string() + ".oracle.txt";
        if (!std::filesystem::exists(oracle)) continue;
        std::string bytes = testing_support::ReadFileBytes(drawing);
        MemorySource source(AsBytes(bytes));
        ExtractedText text;
        ExtractDxfText(source, text);
        EXPECT_EQ(ReadInBlocks(bytes, 4099), Lines(text)) << drawing;
        std::string shown;
        for (size_t i = 0; i < text.size(); ++i) {
            std::string_view line = text[i].text;
            shown += (HasMTextCodes(text[i].kind) ? PlainMText(line) : std::string(line)) + "\n";
            // Header values and class names are never text.
            EXPECT_FALSE(line.starts_with("AC10")) << drawing << ": " << line;
            EXPECT_NE(line, "MLEADERSTYLE") << drawing;
        }
        std::ifstream in(oracle);
        for (std::string row; std::getline(in, row);) {
            size_t tab = row.find('\t'), tab2 = row.find('\t', tab + 1);
            if (tab2 == std::string::npos || row.substr(0, tab) == "MTEXT_RAW") continue;
            std::string wanted = Utf8ToCp932Lossy(row.substr(tab2 + 1));
            RemoveSpaces(wanted);
            // Characters CP932 cannot hold are found by no keyword.
            if (wanted.find(kUnmappableByte) != std::string::npos) continue;
            EXPECT_NE(shown.find(wanted), std::string::npos) << drawing << ": " << row;
        }
    }
}

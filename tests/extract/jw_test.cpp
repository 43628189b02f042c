#include "extract/jw.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "bytes/source_window.h"
#include "tests/test_support.h"

using testing_support::GeneratedSource;
using testing_support::JoinedLinesInBlocks;

namespace {

// A JW_CAD header of `size` zero bytes with its fields written in.
struct JwFile {
    std::string bytes;

    JwFile(std::string_view signature, size_t size) : bytes(size, '\0') { Put(0, signature); }
    JwFile& Put(size_t at, std::string_view text) {
        bytes.replace(at, text.size(), text);
        return *this;
    }
    JwFile& Title(std::string_view title) { return Put(40, title); }
    JwFile& Counts(std::string_view line) { return Put(200, line); }
    JwFile& Range(std::string_view line) { return Put(600, line); }
};

std::string Jwc(const JwFile& file, size_t limit) {
    return JoinedLinesInBlocks(ExtractJwcText, file.bytes, limit);
}
std::string Jwc(const JwFile& file) { return JoinedLinesInBlocks(ExtractJwcText, file.bytes); }
std::string Jwk(const JwFile& file) { return JoinedLinesInBlocks(ExtractJwkText, file.bytes); }

// A JWC file whose count line puts the block at 2421 and whose range gives it
// `length` bytes, holding `block`.
JwFile JwcWithBlock(std::string_view block, size_t length) {
    JwFile file("jw_cad(c)data", 2421 + block.size() + 16);
    char range[32];
    std::snprintf(range, sizeof range, "0,%zx", length);
    file.Counts("0,0,0").Range(range).Put(2421, block);
    return file;
}

}  // namespace

TEST(ExtractJwText, SignatureMustFitTheReader) {
    JwFile jwc("jw_cad(c)data", 3000);
    jwc.Title("PLAN");
    JwFile jwk("jw_cad(c)sym", 3000);
    jwk.Title("PLAN");
    EXPECT_EQ(Jwc(jwc), "PLAN\r\n");
    EXPECT_EQ(Jwk(jwk), "PLAN\r\n");
    EXPECT_EQ(Jwk(jwc), "");
    EXPECT_EQ(Jwc(jwk), "");
    EXPECT_EQ(Jwc(JwFile("JW_CAD(c)data", 3000).Title("PLAN")), "");
    EXPECT_EQ(Jwc(JwFile("jw_cad(c)dat", 3000).Title("PLAN")), "");
    EXPECT_EQ(Jwk(JwFile("jw_cad(C)sym", 3000).Title("PLAN")), "");
    EXPECT_EQ(Jwc(JwFile("", 0)), "");
}

TEST(ExtractJwText, TitleIsTheFirstLineAndNeverTakesByte104) {
    std::string title64(64, 'T');
    JwFile file("jw_cad(c)sym", 600);
    file.Title(title64).Put(104, "X");
    EXPECT_EQ(Jwk(file), title64 + "\r\n");
    // Up to its zero byte; spaces are kept; an empty title gives no line.
    EXPECT_EQ(Jwk(JwFile("jw_cad(c)sym", 600).Title("\x95\xbd\x96\xca \x90\x7d\0X")),
              "\x95\xbd\x96\xca \x90\x7d\r\n");
    EXPECT_EQ(Jwk(JwFile("jw_cad(c)sym", 600).Put(41, "X")), "");
}

TEST(ExtractJwcText, BlockPlaceFromCountsVariantAndRange) {
    // 3,2,1 puts the block at 2421 + 66 + 64 + 24 = 2575; 0x180 - 0x100 = 128.
    JwFile file("jw_cad(c)data", 2800);
    file.Counts("3,2,1").Range("0000:0100,0000:0180");
    file.Put(2574, "b").Put(2575, std::string("A\0B", 3));
    file.Put(2701, std::string("Z\0C\0", 4));  // the block ends after the Z's zero
    EXPECT_EQ(Jwc(file), "A\r\nB\r\nZ\r\n");
    // 'f' at offset 22 moves the whole block 32 bytes on.
    file.Put(22, "f").Put(2607, std::string("F\0", 2));
    EXPECT_EQ(Jwc(file), "F\r\nZ\r\nC\r\n");
    file.Put(22, "g");
    EXPECT_EQ(Jwc(file), "A\r\nB\r\nF\r\nZ\r\n");
}

TEST(ExtractJwcText, FieldsRestartAtTheLineBeginningWhenNoCommaFollows) {
    JwFile file("jw_cad(c)data", 2800);
    file.Range("0,10").Put(2623, std::string("C3\0", 3)).Put(2577, std::string("TWO\0", 4));
    // Two fields: c3 = c1, so 3,2 is 3,2,3 and starts at 2623.
    EXPECT_EQ(Jwc(file.Counts("3,2")), "C3\r\n");
    // No comma: every field is the whole line, 2,2,2 starts at 2577.
    EXPECT_EQ(Jwc(file.Counts(std::string("2\0\0", 3))), "TWO\r\n");
    // Decimal fields allow white space and a sign and stop at a non-digit.
    EXPECT_EQ(Jwc(file.Counts(std::string(" +2x,\t2,2;9\0", 12))), "TWO\r\n");
    // A one-field range line gives a = b: an empty block.
    EXPECT_EQ(Jwc(file.Range(std::string("100\0\0\0", 6))), "");
    // Hex fields allow a 0x prefix, and colons anywhere are dropped: 0x20 - 0x10.
    EXPECT_EQ(Jwc(file.Range(std::string(" 0x1:0,2:0\0", 11))), "TWO\r\n");
}

TEST(ExtractJwText, BlockStringsEndAtZeroBytesAndAnUnfinishedOneIsDropped) {
    EXPECT_EQ(Jwc(JwcWithBlock(std::string("A\0\0BC\0D", 7), 7)), "A\r\nBC\r\n");
    EXPECT_EQ(Jwc(JwcWithBlock(std::string("\0\x82\xa0 \x81\x40\0", 7), 7)),
              "\x82\xa0 \x81\x40\r\n");
    // The block's length cuts a string that goes on after it.
    EXPECT_EQ(Jwc(JwcWithBlock(std::string("AB\0CD\0", 6), 5)), "AB\r\n");

    // JWK: 1,1,1,1 starts at 490 and the block runs to the end of the file.
    JwFile jwk("jw_cad(c)sym", 500);
    jwk.Counts("1,1,1,1").Put(489, std::string("x\0Y", 3)).Put(498, std::string("Z\0", 2));
    EXPECT_EQ(Jwk(jwk), "Y\r\nZ\r\n");
    // Fields restart: 2,1 is 2,1,2,1 and starts at 400 + 44 + 32 + 24 + 24 = 524.
    JwFile restart("jw_cad(c)sym", 530);
    restart.Counts("2,1").Put(524, std::string("R\0", 2));
    EXPECT_EQ(Jwk(restart), "R\r\n");
}

TEST(ExtractJwText, DamagedHeadersStayInsideTheData) {
    // Shorter than the header: the title as far as it goes, and no block.
    EXPECT_EQ(Jwc(JwFile("jw_cad(c)data", 13)), "");
    EXPECT_EQ(Jwc(JwFile("jw_cad(c)data", 44).Title("ABCD")), "ABCD\r\n");
    EXPECT_EQ(Jwk(JwFile("jw_cad(c)sym", 250).Title("T").Counts("1,1,1,1,1,1,1,1,1,1")), "T\r\n");
    // A count line without a zero byte ends with its 200 bytes: the 5 after
    // it is not part of c3.
    JwFile full("jw_cad(c)data", 2600);
    full.Counts("0,0," + std::string(196, ' ')).Put(400, "5").Range("0,10");
    full.Put(2421, std::string("A\0", 2)).Put(2541, std::string("X\0", 2));
    EXPECT_EQ(Jwc(full), "A\r\n");

    // Blocks that start before or after the data, run past its end or have
    // a negative length.
    auto jwc = [](std::string_view counts, std::string_view range) {
        JwFile file("jw_cad(c)data", 2500);
        file.Title("T").Counts(counts).Range(range).Put(2495, std::string("A\0B\0C", 5));
        return Jwc(file);
    };
    EXPECT_EQ(jwc("0,0,0", "0,100000"), "T\r\nA\r\nB\r\n");
    EXPECT_EQ(jwc("0,0,0", "100,0"), "T\r\n");
    EXPECT_EQ(jwc("-200,0,0", "0,100000"), "T\r\n");
    EXPECT_EQ(jwc("4,0,0", "0,100000"), "T\r\n");
    EXPECT_EQ(jwc("99999999999999999999999,-99999999999999999999999,1", "0,100"), "T\r\n");
    EXPECT_EQ(jwc("0,0,0", "-ffffffffffffffffffffff,7fffffffffffffffffff"), "T\r\nA\r\nB\r\n");
    EXPECT_EQ(Jwk(JwFile("jw_cad(c)sym", 450).Counts("-100,0,0,0")), "");
}

TEST(ExtractJwText, ALongStringIsCutWhereTheWholeLineWouldBe) {
    // 平 (95 BD) runs: the cut at 101 bytes never parts a character.
    std::string block;
    for (int i = 0; i < 150; ++i) block += "\x95\xbd";
    block += std::string("\0Y\0", 3);
    EXPECT_EQ(Jwc(JwcWithBlock(block, block.size()), ExtractedText::kLineCost + 101),
              block.substr(0, 100) + "\r\n");
    // The limit falls on the next string: it is cut, and the text ends.
    EXPECT_EQ(Jwc(JwcWithBlock(std::string("ABCDEF\0GHIJ\0K\0", 15), 15),
                  2 * ExtractedText::kLineCost + 8),
              "ABCDEF\r\nGH\r\n");
}

TEST(ExtractJwText, AGiganticStringTakesNoMoreMemoryThanTheText) {
    // A JWK block at 400 holding one string of 4 MiB, its zero byte last;
    // the text's limit is 256 kB.
    const uint64_t size = uint64_t{4} << 20;
    JwFile head("jw_cad(c)sym", 400);
    head.Counts("0,0,0,0");
    GeneratedSource file(size, [&](uint64_t at) {
        if (at < head.bytes.size()) return static_cast<uint8_t>(head.bytes[at]);
        return at + 1 == size ? uint8_t{0} : uint8_t{'S'};
    });
    ExtractedText text(256 << 10);
    ExtractJwkText(file, text);
    ASSERT_EQ(text.size(), 1u);
    EXPECT_TRUE(text.Full());
    EXPECT_EQ(text[0].text.size(), (256 << 10) - ExtractedText::kLineCost);
    EXPECT_EQ(text[0].text.find_first_not_of('S'), std::string_view::npos);
    EXPECT_LE(file.LargestRead(), SourceWindow::kBlockSize);
}

TEST(ExtractJwText, RunsOfZerosReadAsHolesAreEmptyStrings) {
    // Read in blocks from a source that tells every run of zeros as a hole:
    // the string before one ends there, the ones after it are found.
    std::string block = "AB" + std::string(3000, '\0') + "CD" + std::string(1, '\0') + "E";
    EXPECT_EQ(Jwc(JwcWithBlock(block, block.size())), "AB\r\nCD\r\n");
    EXPECT_EQ(Jwc(JwcWithBlock(block, 2500)), "AB\r\n");
}

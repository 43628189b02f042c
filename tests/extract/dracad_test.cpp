#include "extract/dracad.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/test_support.h"

using testing_support::GeneratedSource;
using testing_support::Hex;
using testing_support::JoinedLinesInBlocks;

namespace {

void Put32(std::string& bytes, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<char>(v >> (8 * k));
}

// One 64-byte chain record of `kind`, with `text` at bytes 16 onward.
std::string Rec(uint8_t kind, std::string_view text = {}) {
    std::string record(64, '\0');
    record[0] = static_cast<char>(kind);
    record.replace(16, text.size(), text);
    return record;
}

// A text item: its three head records and one continuation record per string.
std::string Item(uint8_t kind, std::initializer_list<std::string_view> strings) {
    std::string item = Rec(kind) + Rec(0) + Rec(0);
    for (std::string_view s : strings) item += Rec(0xFE, s);
    return item;
}

// A chain at the start of the data: the first record `first` bytes in.
std::string Chain(const std::string& records, uint32_t first = 64) {
    std::string bytes(first, '\0');
    Put32(bytes, 36, first);
    return bytes + records;
}

std::string Mpx(const std::string& bytes, size_t limit) {
    return JoinedLinesInBlocks(ExtractMpxText, bytes, limit);
}
std::string Mpp(const std::string& bytes, size_t limit) {
    return JoinedLinesInBlocks(ExtractMppText, bytes, limit);
}
std::string Mpx(const std::string& bytes) { return JoinedLinesInBlocks(ExtractMpxText, bytes); }
std::string Mpz(const std::string& bytes) { return JoinedLinesInBlocks(ExtractMpzText, bytes); }
std::string Mpp(const std::string& bytes) { return JoinedLinesInBlocks(ExtractMppText, bytes); }

// An MPP file: 1024 header bytes, an entry table of the given (type,
// continuation words) entries ended by FF FF, and six zero planes after it.
struct MppFile {
    std::string bytes = std::string(1024, '\0');
    std::vector<size_t> entries;  // offset of each entry
    size_t rowLength = 0;

    MppFile(std::initializer_list<std::pair<uint8_t, int>> table) {
        for (auto [type, words] : table) {
            entries.push_back(bytes.size());
            bytes += '\0';
            bytes += static_cast<char>(type);
            for (int k = 0; k < words; ++k) bytes += Hex("00 FE");
        }
        bytes += Hex("FF FF");
        rowLength = bytes.size() - 1024;
        bytes.resize(bytes.size() + 6 * rowLength, '\0');
    }
    // Writes `cells` in reading order into entry `index`: column by column,
    // planes 1 to 6 within a column.
    MppFile& Cells(size_t index, std::initializer_list<uint16_t> cells) {
        size_t n = 0;
        for (uint16_t cell : cells) {
            size_t at = entries[index] + 4 + 2 * (n / 6) + rowLength * (1 + n % 6);
            bytes[at] = static_cast<char>(cell & 0xFF);
            bytes[at + 1] = static_cast<char>(cell >> 8);
            ++n;
        }
        return *this;
    }
};

}  // namespace

TEST(WalkMpxRecords, TextItemsGiveOneLineOfTheirJoinedStrings) {
    EXPECT_EQ(Mpx(Chain(Item(5, {"AB", "CD"}) + Rec(0xFF))), "ABCD\r\n");
    EXPECT_EQ(Mpx(Chain(Item(5, {"AB"}) + Item(20, {"C", "D"}) + Rec(0xFF))), "AB\r\nCD\r\n");
    // Kind 6 is one record without text, like every kind but 5 and 20.
    EXPECT_EQ(Mpx(Chain(Rec(6) + Rec(0xFE, "NO") + Item(5, {"X"}) + Rec(0xFF))), "X\r\n");
    // No continuation record, or only empty strings: no line.
    EXPECT_EQ(Mpx(Chain(Item(5, {}) + Item(5, {"", ""}) + Item(5, {"Y"}) + Rec(0xFF))), "Y\r\n");
    // Nothing after the end record is read; the first record may lie anywhere.
    EXPECT_EQ(Mpx(Chain(Rec(0xFF) + Item(5, {"Z"}) + Rec(0xFF))), "");
    EXPECT_EQ(Mpx(Chain(Item(5, {"\x95\xbd \x81\x40\x96\xca"}) + Rec(0xFF), 200)),
              "\x95\xbd \x81\x40\x96\xca\r\n");
}

TEST(WalkMpxRecords, StringEndsAtItsZeroByteOrWithItsFortyEightBytes) {
    std::string full(48, 'F');
    EXPECT_EQ(Mpx(Chain(Item(5, {std::string("AB\0CD", 5), full}) + Rec(0xFF))),
              "AB" + full + "\r\n");
    // A 49th byte would be the next record's kind.
    EXPECT_EQ(Mpx(Chain(Item(5, {full}) + Rec('X') + Rec(0xFF))), full + "\r\n");
}

TEST(WalkMpxRecords, DamagedChainsEndInsideTheData) {
    // No end record: the walk stops at the end of the data with what it read,
    // a string cut by the end given as far as it goes.
    EXPECT_EQ(Mpx(Chain(Item(5, {"A"}) + Item(5, {"B"}))), "A\r\nB\r\n");
    EXPECT_EQ(Mpx(Chain(Item(5, {"A"}) + Item(5, {"BCD"})).substr(0, 64 + 256 + 192 + 18)),
              "A\r\nBC\r\n");
    EXPECT_EQ(Mpx(Chain(Item(5, {"A"})).substr(0, 64 + 192 + 16)), "");
    // A chain start beyond the data, or no room for the start field.
    std::string outside = Chain(Item(5, {"A"}) + Rec(0xFF));
    Put32(outside, 36, 0xFFFFFFFF);
    EXPECT_EQ(Mpx(outside), "");
    Put32(outside, 36, static_cast<uint32_t>(outside.size()));
    EXPECT_EQ(Mpx(outside), "");
    EXPECT_EQ(Mpx(outside.substr(0, 39)), "");
    EXPECT_EQ(Mpx(""), "");
    ExtractedText none;
    MemorySource source(AsBytes(outside));
    SourceWindow window(source);
    WalkMpxRecords(window, 1000000, none);
    EXPECT_TRUE(none.empty());
}

TEST(ExtractMpzText, ChainIsPlacedAtTheFirstSignature) {
    // Signature at 300: the chain start is read at 336 and 300 is added to it.
    std::string mpz = std::string(300, 'x') + "DRACAD for Windows" + std::string(46, '\0') +
                      Item(5, {"M"}) + Rec(0xFF);
    Put32(mpz, 336, 64);
    EXPECT_EQ(Mpz(mpz), "M\r\n");
    // A later signature is no second base (its chain start is outside).
    EXPECT_EQ(Mpz(mpz + "DRACAD for Windows" + std::string(18, '\0') + Hex("40 00 00 00")),
              "M\r\n");
    // Without it, the same bytes give nothing.
    EXPECT_EQ(Mpz(std::string(mpz).replace(300, 1, "d")), "");
    EXPECT_EQ(Mpz("DRACAD for Windows"), "");
    EXPECT_EQ(Mpz("DRACAD for Window"), "");
    EXPECT_EQ(Mpz(""), "");
}

TEST(ExtractMppText, CellsAreReadColumnByColumnThroughSixPlanes) {
    // One type-5 entry with three continuation words: T = 10, column 0 at
    // 1038, 1048, ..., 1088 and column 1 at 1040, 1050, ..., 1090.
    std::string mpp = std::string(1024, '\0') + Hex("00 05 00 FE 00 FE 00 FE FF FF");
    mpp.resize(1024 + 7 * 10, '\0');
    const char* letters = "ABCDEFGHIJKL";
    for (int i = 0; i < 12; ++i) mpp[1038 + 2 * (i / 6) + 10 * (i % 6)] = letters[i];
    EXPECT_EQ(Mpp(mpp), "ABCDEFGHIJKL\r\n");
    EXPECT_EQ(MppFile({{5, 3}}).bytes.size(), mpp.size());
}

TEST(ExtractMppText, JisCellsBecomeShiftJisAndOthersOneByteOrNothing) {
    // Even first byte: trail + 0x7E. Odd: trail + 0x1F, one more from 0x60 on.
    // ぁ あ ァ ゴ ム 亜 ん 萎 図, then lead bytes past 0x9F: 漾 熙.
    MppFile jis({{5, 11}});
    jis.Cells(0, {0x2421, 0x2422, 0x2521, 0x2534, 0x2560, 0x3021, 0x2473, 0x3060, 0x3F5E, 0x5F21,
                  0x7426});
    EXPECT_EQ(Mpp(jis.bytes),
              Hex("82 9F 82 A0 83 40 83 53 83 80 88 9F 82 F1 88 DE 90 7D E0 40 EA A4 0D 0A"));
    // 00 xx is the byte xx, 00 00 nothing; a high byte with a byte outside
    // 0x21-0x7E is no JIS X 0208 code and gives nothing.
    MppFile bytes({{6, 11}});
    bytes.Cells(0, {0x0041, 0x0000, 0x00B1, 0x0020, 0x2420, 0x247F, 0x2080, 0x7F21, 0xFFFF, 0x0121,
                    0x0042});
    EXPECT_EQ(Mpp(bytes.bytes), Hex("41 B1 20 42 0D 0A"));
}

TEST(ExtractMppText, EveryTextEntryGivesALineAndOthersNone) {
    // Types 5 and 6 only; one continuation word or none gives no column; all
    // cells zero give an empty line. The row length counts every entry.
    MppFile file({{4, 3}, {5, 2}, {7, 0}, {6, 1}, {5, 0}, {5, 4}, {0x15, 2}, {6, 2}});
    file.Cells(0, {'N', 'O'}).Cells(1, {'A', 'B', 'C'}).Cells(6, {'N'}).Cells(7, {'Z'});
    EXPECT_EQ(Mpp(file.bytes), "ABC\r\n\r\n\r\n\r\nZ\r\n");
}

TEST(ExtractMppText, DamagedTablesAndPlanesStayInsideTheData) {
    MppFile file({{5, 4}});
    file.Cells(0, {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M'});
    ASSERT_EQ(Mpp(file.bytes), "ABCDEFGHIJKLM\r\n");
    // Planes cut by the end of the data: the cells beyond it give nothing.
    size_t plane3 = 1024 + 3 * file.rowLength;
    // Plane 3's cells of columns 0 and 1 are at plane3 + 4 and plane3 + 6.
    EXPECT_EQ(Mpp(file.bytes.substr(0, plane3 + 5)), "ABGHM\r\n");
    EXPECT_EQ(Mpp(file.bytes.substr(0, plane3 + 6)), "ABCGHM\r\n");
    EXPECT_EQ(Mpp(file.bytes.substr(0, plane3 + 8)), "ABCGHIM\r\n");
    // A table without its end word, even a cut one, has no planes.
    EXPECT_EQ(Mpp(std::string(1024, '\0') + Hex("00 05 00 FE 00 FE 00 FE 00 FE")), "");
    EXPECT_EQ(Mpp(std::string(1024, '\0') + Hex("00 05 00 FE 00 FE 00 FE 00")), "");
    EXPECT_EQ(Mpp(std::string(1024, '\0') + Hex("FF")), "");
    EXPECT_EQ(Mpp(std::string(1000, '\0')), "");
    EXPECT_EQ(Mpp(""), "");
    // The end word right at 1024 and nothing after it.
    EXPECT_EQ(Mpp(std::string(1024, '\0') + Hex("FF FF")), "");
}

TEST(WalkMpxRecords, ALongItemIsCutWhereTheWholeLineWouldBe) {
    std::string full(48, 'F');
    EXPECT_EQ(Mpx(Chain(Item(5, {full, full, full}) + Item(5, {"X"}) + Rec(0xFF)),
                  ExtractedText::kLineCost + 100),
              std::string(100, 'F') + "\r\n");
}

TEST(ExtractMppText, ALongEntryIsCutWhereTheWholeLineWouldBe) {
    // Forty columns of "A" in every plane, then one column.
    MppFile file({{5, 41}, {5, 2}});
    for (size_t at : {0u, 1u}) {
        for (size_t column = 0; column < (at == 0 ? 40u : 1u); ++column) {
            for (int plane = 1; plane <= 6; ++plane) {
                file.bytes[file.entries[at] + 4 + 2 * column + file.rowLength * plane] = 'A';
            }
        }
    }
    EXPECT_EQ(Mpp(file.bytes, ExtractedText::kLineCost + 50), std::string(50, 'A') + "\r\n");
    EXPECT_EQ(Mpp(file.bytes, 2 * ExtractedText::kLineCost + 250),
              std::string(240, 'A') + "\r\n" + std::string(6, 'A') + "\r\n");
}

TEST(ExtractMppText, AGiganticEntryTakesNoMoreMemoryThanTheText) {
    // One entry of 100,000 columns: the table is 200 kB, the planes 1.2 MB,
    // every cell 00 41 ("A"); the text takes 256 kB.
    const uint64_t words = 100'000;
    const uint64_t end = 1024 + 2 + 2 * words;  // the end word
    const uint64_t size = end + 2 + 6 * (end + 2 - 1024);
    GeneratedSource file(size, [&](uint64_t at) -> uint8_t {
        if (at < 1024) return 0;
        if (at < 1026) return at == 1025 ? 5 : 0;        // 00 05
        if (at < end) return at % 2 == 0 ? 0x00 : 0xFE;  // 00 FE
        if (at < end + 2) return 0xFF;                   // FF FF
        return at % 2 == 0 ? 'A' : 0;
    });
    ExtractedText text(256 << 10);
    ExtractMppText(file, text);
    ASSERT_EQ(text.size(), 1u);
    EXPECT_TRUE(text.Full());
    EXPECT_EQ(text[0].text.size(), (256 << 10) - ExtractedText::kLineCost);
    EXPECT_EQ(text[0].text.find_first_not_of('A'), std::string_view::npos);
    EXPECT_LE(file.LargestRead(), SourceWindow::kBlockSize);
}

TEST(DraCad, RunsOfZerosReadAsHolesGiveWhatTheyGiveReadByte) {
    // Read in blocks from a source that tells every run of zeros as a hole
    // (as a sparse file does), the walks pass over them and give the same.
    // MPP: zero words (entries of type 0) between entries, one of them
    // followed by continuation words.
    std::string mpp = std::string(1024, '\0') + Hex("00 05 00 FE 00 FE") + std::string(40, '\0') +
                      Hex("00 00 00 FE 00 FE 00 06 00 FE 00 FE FF FF");
    size_t rowLength = mpp.size() - 1024;
    mpp.resize(1024 + 7 * rowLength, '\0');
    for (int plane = 1; plane <= 6; ++plane) mpp[1028 + rowLength * plane] = 'A';
    mpp[1080 + rowLength] = 'B';  // the type-6 entry at 1076, column 0, plane 1
    EXPECT_EQ(Mpp(mpp), "AAAAAA\r\nB\r\n");
    // MPX: zero records between items; MPZ: zeros before the signature.
    std::string chain =
        Chain(Item(5, {"A"}) + std::string(64 * 40, '\0') + Item(5, {"B"}) + Rec(0) + Rec(0xFF));
    EXPECT_EQ(Mpx(chain), "A\r\nB\r\n");
    std::string mpz = std::string(5000, '\0') + "DRACAD for Windows" + std::string(46, '\0') +
                      Item(5, {"M"}) + Rec(0xFF);
    Put32(mpz, 5036, 64);
    EXPECT_EQ(Mpz(mpz), "M\r\n");
}

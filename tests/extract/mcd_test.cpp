#include "extract/mcd.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "bytes/source_window.h"
#include "tests/test_support.h"

using testing_support::GeneratedSource;
using testing_support::Hex;
using testing_support::JoinedLinesInBlocks;

namespace {

const std::string kVersion2382 = Hex("00 00 09 4E");
const std::string kLittle2382 = Hex("A4 2C 79 05 00 00 00 00 00 0A");
const std::string kBig2382 = Hex("05 79 2C A4 00 00 00 00 00 0A");
const std::string kLittle2082 = Hex("A4 2C 79 05 01 00 00 00 0A 00");
const std::string kBig2082 = Hex("05 79 2C A4 00 00 00 01 00 0A");

std::string Little32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string Big32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

// A record: its length, its tag, filler up to the text offset, the text.
std::string Record(bool little, const std::string& tag, size_t textOffset, std::string_view text,
                   std::optional<uint32_t> length = std::nullopt) {
    uint32_t l = length.value_or(static_cast<uint32_t>(textOffset + text.size()));
    std::string record = (little ? Little32(l) : Big32(l)) + tag;
    record.resize(textOffset, '\x11');
    return record + std::string(text);
}
std::string Little(std::string_view text) { return Record(true, kLittle2382, 116, text); }
std::string Big(std::string_view text) { return Record(false, kBig2382, 116, text); }

// The line of a record whose text is `first` and then the whole of Big("B"):
// the non-zero bytes of its length, its tag, its filler and the B.
std::string NonZeroOfBigB(const std::string& first) {
    return first + Hex("75 05 79 2C A4 0A") + std::string(102, '\x11') + "B\r\n";
}

std::string Mcd(const std::string& bytes, size_t limit = ExtractedText::kDefaultByteLimit) {
    return JoinedLinesInBlocks(ExtractMcdText, bytes, limit);
}

}  // namespace

TEST(ExtractMcdText, RecordsOfBothByteOrdersInFileOrder) {
    std::string ab("A\0B\0", 4);
    EXPECT_EQ(Little(ab).substr(0, 4), Hex("78 00 00 00"));  // length 120, low byte first
    EXPECT_EQ(Mcd(kVersion2382 + Little(ab)), "AB\r\n");
    EXPECT_EQ(Mcd(kVersion2382 + Big(ab)), "AB\r\n");
    EXPECT_EQ(Mcd(kVersion2382 + "xyz" + Big("1") + "\x05\x79" + Little("2") + Big("3") + "\0"),
              "1\r\n2\r\n3\r\n");
    // A length read in the wrong order would run past these records.
    EXPECT_EQ(Mcd(kVersion2382 + Little("L") + Big("B") + Little("L")), "L\r\nB\r\nL\r\n");
}

TEST(ExtractMcdText, VersionChoosesTagsAndTextOffset) {
    std::string v2082 = Record(true, kLittle2082, 74, "P") + Record(false, kBig2082, 74, "Q");
    EXPECT_EQ(Mcd(Hex("00 00 08 22") + v2082), "P\r\nQ\r\n");
    EXPECT_EQ(Mcd(Hex("00 00 08 1C") + v2082), "P\r\nQ\r\n");
    EXPECT_EQ(Mcd(kVersion2382 + v2082), "");
    EXPECT_EQ(Mcd(Hex("00 00 08 22") + Little("A") + Big("B")), "");
    EXPECT_EQ(Mcd(Hex("4E 09 00 00") + Little("A")), "");
    EXPECT_EQ(Mcd(Hex("00 00 09 4F") + Little("A")), "");
    EXPECT_EQ(Mcd(Hex("00 00 09")), "");
    EXPECT_EQ(Mcd(""), "");
}

TEST(ExtractMcdText, TextIsTheRecordsNonZeroBytesWithSpacesDeleted) {
    EXPECT_EQ(Mcd(kVersion2382 + Little(std::string("\0\0\0", 3)) + Big("B")), "B\r\n");
    EXPECT_EQ(Mcd(kVersion2382 + Little("K 12 3")), "K123\r\n");
    // 部屋　名: the full-width space goes; 0x88 0x81 then 0x40 stays.
    EXPECT_EQ(Mcd(kVersion2382 + Little(Hex("95 94 89 AE 81 40 96 BC"))),
              Hex("95 94 89 AE 96 BC 0D 0A"));
    EXPECT_EQ(Mcd(kVersion2382 + Little(Hex("88 81 40"))), Hex("88 81 40 0D 0A"));
    // The bytes of a record are not scanned for tags, even when they hold one.
    EXPECT_EQ(Mcd(kVersion2382 + Little("A" + Big("B"))), NonZeroOfBigB("A"));
}

TEST(ExtractMcdText, ShortAndOverlongRecordLengthsStayInsideTheData) {
    // A record as long as its text offset gives no line; the next one follows.
    EXPECT_EQ(Mcd(kVersion2382 + Little("") + Big("B")), "B\r\n");
    // Shorter than the text offset (0 among them): no record; the scan goes
    // on at the next byte and finds what follows.
    for (uint32_t length : {0u, 4u, 14u, 115u}) {
        std::string bad = Record(true, kLittle2382, 116, "X", length);
        EXPECT_EQ(Mcd(kVersion2382 + bad + Big("B")), "B\r\n") << length;
    }
    // Longer than the data: the text up to the end of the data, and the end.
    EXPECT_EQ(Mcd(kVersion2382 + Record(true, kLittle2382, 116, "CUT", 0xFFFFFFFF)), "CUT\r\n");
    EXPECT_EQ(Mcd(kVersion2382 + Record(false, kBig2382, 116, "C", 500) + Big("B")),
              NonZeroOfBigB("C"));
    // A record cut off before its text gives nothing.
    EXPECT_EQ(Mcd(kVersion2382 + Little("A").substr(0, 60)), "");
}

TEST(ExtractMcdText, ALongRecordIsCutWhereTheWholeLineWouldBe) {
    // "A", a space, a full-width space and 部, sixty times: the spaces go
    // before the cut, and the cut never parts 部 (at 100, the 34th "A" fits
    // and its 部 does not).
    std::string unit = "A " + Hex("81 40 95 94");
    std::string text;
    for (int i = 0; i < 60; ++i) text += unit;
    std::string kept;
    for (int i = 0; i < 33; ++i) kept += "A" + Hex("95 94");
    EXPECT_EQ(Mcd(kVersion2382 + Little(text) + Big("B"), ExtractedText::kLineCost + 100),
              kept + "A\r\n");
}

TEST(ExtractMcdText, AGiganticRecordTakesNoMoreMemoryThanTheText) {
    // 4 MiB of one record's text: read in blocks, kept as far as the text's
    // limit (256 kB).
    std::string head = kVersion2382 + Record(true, kLittle2382, 116, "", 0xFFFFFFFF);
    GeneratedSource file(uint64_t{4} << 20, [&head](uint64_t at) {
        return at < head.size() ? static_cast<uint8_t>(head[at]) : uint8_t{'B'};
    });
    ExtractedText text(256 << 10);
    ExtractMcdText(file, text);
    ASSERT_EQ(text.size(), 1u);
    EXPECT_TRUE(text.Full());
    EXPECT_EQ(text[0].text.size(), (256 << 10) - ExtractedText::kLineCost);
    EXPECT_EQ(text[0].text.find_first_not_of('B'), std::string_view::npos);
    EXPECT_LE(file.LargestRead(), SourceWindow::kBlockSize);
}

TEST(ExtractMcdText, RunsOfZerosReadAsHolesHideNoRecord) {
    // Read in blocks from a source that tells every run of zeros as a hole,
    // the records after them are still found.
    EXPECT_EQ(Mcd(kVersion2382 + std::string(3000, '\0') + Little("A") + std::string(700, '\0') +
                  Big("B")),
              "A\r\nB\r\n");
}

#include <gtest/gtest.h>

#include "bytes/byte_source.h"
#include "bytes/code_pages.h"
#include "bytes/extracted_text.h"
#include "tests/test_support.h"

using testing_support::Hex;

TEST(ExtractedText, KeepsLinesWithTheirKindsInOrder) {
    ExtractedText text;
    EXPECT_TRUE(text.Add(TextKind::Text, "A"));
    EXPECT_TRUE(text.Add(TextKind::AttdefTag, ""));
    EXPECT_TRUE(text.Add(TextKind::MText, "B\r\nC"));  // a line may hold line ends
    ASSERT_EQ(text.size(), 3u);
    EXPECT_EQ(text[1].kind, TextKind::AttdefTag);
    EXPECT_EQ(text[1].text, "");
    EXPECT_EQ(text[2].text, "B\r\nC");
    EXPECT_EQ(text.Joined(), "A\r\n\r\nB\r\nC\r\n");
}

TEST(ExtractedText, StopsAtItsLimitOnACharacterBoundary) {
    // Two lines' costs and five bytes of text.
    ExtractedText text(2 * ExtractedText::kLineCost + 5);
    EXPECT_TRUE(text.Add(TextKind::Text, "ab"));
    EXPECT_EQ(text.Room(), 3u);
    // 平面 is four bytes: only the first character fits in the three left.
    EXPECT_FALSE(text.Add(TextKind::Text, Hex("95 BD 96 CA")));
    EXPECT_TRUE(text.Full());
    EXPECT_EQ(text.Room(), 0u);
    EXPECT_EQ(text[1].text, Hex("95 BD"));
    EXPECT_FALSE(text.Add(TextKind::Text, "c"));
    EXPECT_EQ(text.size(), 2u);
    EXPECT_LE(text.ByteCount(), 5u);
}

TEST(ExtractedText, CountlessEmptyLinesAreBoundedToo) {
    ExtractedText text(10 * ExtractedText::kLineCost);
    size_t added = 0;
    while (text.Add(TextKind::Text, "") && added < 1000) ++added;
    EXPECT_TRUE(text.Full());
    EXPECT_EQ(text.size(), 10u);
    // What a queue of texts (the cache's) counts them by.
    EXPECT_EQ(text.ByteCount(), 0u);
    EXPECT_EQ(text.Cost(), 10 * ExtractedText::kLineCost);
}

TEST(ExtractedText, AddingWhatRoomKeepsEqualsAddingTheWholeLine) {
    // A reader that gathers a long line in pieces keeps Room() + 1 bytes: the
    // cut falls where it falls for the whole line, a double-byte character
    // across the limit included.
    std::string line = "a" + Hex("95 BD 96 CA 81 40") + "bcdefgh";
    for (size_t limit = ExtractedText::kLineCost; limit < 2 * ExtractedText::kLineCost + 16;
         ++limit) {
        for (bool flushing : {false, true}) {
            ExtractedText whole(limit), kept(limit);
            std::string flushedWhole, flushedKept;
            if (flushing) {
                whole.SetFlush(
                    [&](const ExtractedText& t) { return flushedWhole += t.Joined(), true; });
                kept.SetFlush(
                    [&](const ExtractedText& t) { return flushedKept += t.Joined(), true; });
            }
            whole.Add(TextKind::Text, "x");
            kept.Add(TextKind::Text, "x");
            whole.Add(TextKind::Text, line);
            kept.Add(TextKind::Text, std::string_view(line).substr(0, kept.Room() + 1));
            EXPECT_EQ(flushedWhole + whole.Joined(), flushedKept + kept.Joined()) << limit;
            EXPECT_EQ(whole.Full(), kept.Full()) << "limit " << limit;
        }
    }
}

TEST(ExtractedText, ALineLongerThanTheCapIsCutThereAndTheReadingGoesOn) {
    ExtractedText text(4 * ExtractedText::kLineCap);
    // 平 (95 BD) over and over, one byte past the cap: cut before the last.
    std::string longLine;
    while (longLine.size() <= ExtractedText::kLineCap) longLine += Hex("95 BD");
    EXPECT_TRUE(text.Add(TextKind::Text, longLine));
    EXPECT_TRUE(text.Add(TextKind::Text, "next"));
    ASSERT_EQ(text.size(), 2u);
    EXPECT_EQ(text[0].text.size(), ExtractedText::kLineCap);
    EXPECT_EQ(text[1].text, "next");
    EXPECT_LE(text.Room(), ExtractedText::kLineCap);
}

TEST(ExtractedText, AFlushTakesTheLinesHeldAndTheReadingGoesOnOrStops) {
    // Room for three lines of four bytes at a time.
    ExtractedText text(3 * (ExtractedText::kLineCost + 4));
    std::vector<std::string> seen;
    text.SetFlush([&seen](const ExtractedText& held) {
        for (size_t i = 0; i < held.size(); ++i) seen.emplace_back(held[i].text);
        return seen.size() <= 6;
    });
    for (const char* line : {"L001", "L002", "L003", "L004", "L005", "L006", "L007"}) {
        EXPECT_TRUE(text.Add(TextKind::Text, line)) << line;
    }
    EXPECT_TRUE(text.Flushed());
    EXPECT_EQ(seen, (std::vector<std::string>{"L001", "L002", "L003", "L004", "L005", "L006"}));
    EXPECT_EQ(text.Joined(), "L007\r\n");
    // The flush that says stop: the text becomes full and keeps what it held.
    text.Add(TextKind::Text, "L008");
    text.Add(TextKind::Text, "L009");
    EXPECT_FALSE(text.Add(TextKind::Text, "L010"));
    EXPECT_TRUE(text.Full());
    EXPECT_EQ(seen.size(), 9u);
    EXPECT_EQ(text.Joined(), "L007\r\nL008\r\nL009\r\n");
}

TEST(TextKindName, NamesAndParsesEveryKind) {
    for (int k = 0; k < kTextKindCount; ++k) {
        auto kind = static_cast<TextKind>(k);
        EXPECT_EQ(TextKindFromName(TextKindName(kind)), kind);
    }
    EXPECT_EQ(TextKindFromName("attdef_tag"), TextKind::AttdefTag);
    EXPECT_FALSE(TextKindFromName("LINE"));
}

TEST(CodePages, UnicodeToCp932AsTheKeywordConverterDoes) {
    std::string out;
    for (char32_t cp : {U'A', U'°', U'平', U'ｶ', U'ⅰ', U'～', U'😀', U'\u00C0'})
        AppendCp932(out, cp);
    // ° 81 8B, 平 95 BD, ｶ B6, ⅰ FA 40 (the IBM code, as Windows chooses),
    // ～ 81 60, then two characters CP932 cannot hold.
    EXPECT_EQ(out, Hex("41 81 8B 95 BD B6 FA 40 81 60 FF FF"));
}

TEST(CodePages, SingleBytePagesGoThroughUnicode) {
    EXPECT_EQ(CodePageFromName("ansi_1252"), CodePage::Windows1252);
    EXPECT_FALSE(CodePageFromName("ANSI_936"));
    // 1252: B0 is the degree sign, B1 plus-minus, C0 À (not in CP932), 81 undefined.
    EXPECT_EQ(ToCp932(Hex("34 35 B0 B1 C0 81"), CodePage::Windows1252),
              Hex("34 35 81 8B 81 7D FF FF"));
    EXPECT_EQ(ToCp932(Hex("95 BD"), CodePage::Cp932), Hex("95 BD"));
}

TEST(CodePages, Iso8859PartsGiveTheirUpperHalves) {
    EXPECT_EQ(Iso8859ToUnicode(1, 0xC4), U'\u00C4');  // Ä
    EXPECT_EQ(Iso8859ToUnicode(2, 0xA3), U'\u0141');  // Ł
    EXPECT_EQ(Iso8859ToUnicode(5, 0xC0), U'\u0420');  // Р
    EXPECT_EQ(Iso8859ToUnicode(7, 0xF6), U'\u03C6');  // φ
    EXPECT_EQ(Iso8859ToUnicode(3, 0x41), U'A');
    // Undefined bytes and parts outside 1 to 9 give U+FFFD.
    EXPECT_EQ(Iso8859ToUnicode(3, 0xA5), U'\uFFFD');
    EXPECT_EQ(Iso8859ToUnicode(0, 0xC4), U'\uFFFD');
    EXPECT_EQ(Iso8859ToUnicode(10, 0xC4), U'\uFFFD');
}

TEST(CodePages, Utf8AndUtf16ConvertAndMarkWhatIsBroken) {
    EXPECT_EQ(Utf8ToCp932Lossy("a平°"), Hex("61 95 BD 81 8B"));
    // A lone continuation byte, an overlong slash, a cut sequence at the end.
    EXPECT_EQ(Utf8ToCp932Lossy("\x80"
                               "b"
                               "\xC0\xAF"
                               "\xE5\xB9"),
              Hex("FF 62 FF FF FF FF"));
    // 平 U+5E73, a surrogate pair (U+1F600), a lone high surrogate, then 'A'.
    std::string units = Hex("73 5E 3D D8 00 DE 3D D8 41 00");
    EXPECT_EQ(Utf16LeToCp932(AsBytes(units)), Hex("95 BD FF FF 41"));
}

TEST(MemorySource, ReadsAreClippedViewsOfTheBytes) {
    std::string bytes = "0123456789";
    MemorySource source(AsBytes(bytes));
    std::vector<uint8_t> scratch;
    ByteView view = source.Read(8, 5, scratch);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(view.data), view.size), "89");
    EXPECT_EQ(source.Read(10, 1, scratch).size, 0u);
    EXPECT_EQ(source.Read(uint64_t{1} << 40, 1, scratch).size, 0u);
    EXPECT_TRUE(scratch.empty());
    EXPECT_EQ(ReadBytes(source, 2, 3), (std::vector<uint8_t>{'2', '3', '4'}));
}

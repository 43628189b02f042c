#include "match/keyword_prefilter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "match/line_match.h"
#include "platform/encoding.h"
#include "search/drawing_types.h"
#include "search/extract_text.h"
#include "tests/test_support.h"

using testing_support::CopyingSource;
using testing_support::GeneratedSource;

namespace {

std::string Sjis(const char* utf8) { return Utf8ToCp932(utf8).value(); }

KeywordPrefilter Filter(const char* keywordUtf8) {
    return KeywordPrefilter(PrepareKeywords(Sjis(keywordUtf8)));
}

constexpr unsigned kDxf = kRawCp932 | kRawUtf8 | kRawEscapes | kRawSplitAtLineEnds;

bool May(const KeywordPrefilter& filter, const std::string& bytes, unsigned forms = kDxf) {
    return filter.MayMatch(AsBytes(bytes), forms);
}

}  // namespace

TEST(KeywordPrefilter, OnlyKeywordsWhosePiecesAllHoldAKanjiRuleDrawingsOut) {
    EXPECT_TRUE(Filter("排煙窓").Active());
    EXPECT_TRUE(Filter("平面図|ガラス窓").Active());
    // A piece of ASCII or kana may come from many byte forms: no prefilter.
    EXPECT_FALSE(Filter("平面図|glass").Active());
    EXPECT_FALSE(Filter("ガラス").Active());
    EXPECT_FALSE(Filter("").Active());
    KeywordPrefilter off = Filter("abc");
    EXPECT_TRUE(May(off, "nothing"));
}

TEST(KeywordPrefilter, AKanjiCountsInEachFormTheTypeStoresTextIn) {
    KeywordPrefilter filter = Filter("排煙");
    std::string cp932 = Sjis("排煙窓");
    EXPECT_TRUE(May(filter, "  1\r\n" + cp932 + "\r\n"));
    EXPECT_FALSE(May(filter, "  1\r\n" + Sjis("排水") + "\r\n"));  // 煙 is missing
    // UTF-8, as DXF stores text from AC1021 on.
    EXPECT_TRUE(May(filter, "  1\n\xE6\x8E\x92\xE7\x85\x99\n"));
    EXPECT_FALSE(May(filter, "  1\n\xE6\x8E\x92\xE7\x85\x99\n", kRawCp932));
    // Escapes the keyword test draws: any of them may be the kanji.
    EXPECT_TRUE(May(filter, "  1\n\\U+6392\\U+7159\n"));
    EXPECT_TRUE(May(filter, "  1\n\\M+1947290CF\n"));
    EXPECT_FALSE(May(filter, "  1\n\\P\\U 6392\n"));
    EXPECT_FALSE(May(filter, "  1\n\\U+6392\n", kRawCp932 | kRawUtf8));
    // A kanji parted by the end of an MTEXT chunk, in either encoding.
    std::string parted = "  3\r\n" + cp932.substr(0, 3) + "\r\n  1\r\n" + cp932.substr(3) + "\r\n";
    EXPECT_TRUE(May(filter, parted));
    EXPECT_FALSE(May(filter, parted, kRawCp932));
    EXPECT_TRUE(May(filter, "  3\n\xE6\x8E\x92\xE7\x85\n  1\n\x99\n"));
    EXPECT_TRUE(May(filter, std::string("\xE6\x8E\x92\xE7\0\x85\x99", 7)));
    // A type whose text cannot be found in its bytes is never ruled out.
    EXPECT_TRUE(May(filter, "", 0));
    EXPECT_FALSE(May(filter, ""));
}

TEST(KeywordPrefilter, AKanjiMayComeFromACharacterThatStandsInForIt) {
    // The Kangxi radical ⼀ (E2 BC 80) and the compatibility ideograph
    // U+2F801 (F0 AF A0 81) read as 一 and 丸; 階 is E9 9A 8E.
    KeywordPrefilter filter = Filter("一階|丸");
    EXPECT_TRUE(May(filter, "  1\n\xE2\xBC\x80\xE9\x9A\x8E\n"));
    EXPECT_TRUE(May(filter, "  1\n\xF0\xAF\xA0\x81\n"));
    EXPECT_FALSE(May(filter, "  1\n\xE2\xBC\x80\xE9\x9A\x8E\n", kRawCp932));
    EXPECT_EQ(
        ExtractTextOfType("dxf", AsBytes("  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\n"
                                         "AC1027\n  0\nENDSEC\n  0\nSECTION\n  2\n"
                                         "ENTITIES\n  0\nTEXT\n  1\n\xE2\xBC\x80\xE9\x9A\x8E\n"
                                         "  0\nENDSEC\n  0\nEOF\n")),
        Sjis("一階") + "\r\n");
}

TEST(KeywordPrefilter, EveryKanjiOfAPieceAndAnyPiece) {
    KeywordPrefilter filter = Filter("排煙窓|給水");
    EXPECT_FALSE(May(filter, Sjis("排水 天窓")));  // no 煙, no 給
    EXPECT_TRUE(May(filter, Sjis("窓 煙 排")));    // order and company do not count
    EXPECT_TRUE(May(filter, Sjis("給湯 水栓")));
}

TEST(KeywordPrefilter, FilesAreScannedInBlocksAcrossHolesAndBoundaries) {
    KeywordPrefilter filter = Filter("排煙");
    const std::string needle = Sjis("排") + "x" + Sjis("煙");
    // The needle at every place around the scan's block boundaries (256 KiB,
    // with an overlap of 2 bytes).
    for (uint64_t at : {uint64_t{0}, uint64_t{262142}, uint64_t{262143}, uint64_t{262144},
                        uint64_t{524282}, uint64_t{(600 << 10) - 5}}) {
        GeneratedSource file(600 << 10, [&](uint64_t offset) -> uint8_t {
            if (offset >= at && offset < at + needle.size()) return needle[offset - at];
            return 'A';
        });
        std::vector<uint8_t> scratch;
        EXPECT_TRUE(filter.MayMatch(file, kRawCp932, scratch)) << at;
    }
    GeneratedSource none(600 << 10, [](uint64_t) -> uint8_t { return 'A'; });
    std::vector<uint8_t> scratch;
    EXPECT_FALSE(filter.MayMatch(none, kRawCp932, scratch));
    EXPECT_LE(scratch.size(), size_t{256} << 10);
}

TEST(KeywordPrefilter, EveryVectorWidthFindsWhatTheByteLoopFinds) {
    // Pseudo-random bytes with the needles' bytes frequent, at lengths around
    // every vector width.
    KeywordPrefilter best = Filter("排煙窓|給水");
    KeywordPrefilter avx2(PrepareKeywords(Sjis("排煙窓|給水")), KeywordPrefilter::Vectors::Avx2);
    KeywordPrefilter sse2(PrepareKeywords(Sjis("排煙窓|給水")), KeywordPrefilter::Vectors::Sse2);
    KeywordPrefilter none(PrepareKeywords(Sjis("排煙窓|給水")), KeywordPrefilter::Vectors::None);
    const std::string alphabet = Sjis("排煙窓給水") + "\xE6\xE7\x8E\x85\\U+\r\nab";
    uint32_t state = 12345;
    size_t agreed = 0, found = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        size_t length = round % 200;
        for (size_t k = 0; k < length; ++k) {
            state = state * 1103515245 + 12345;
            bytes += alphabet[(state >> 16) % alphabet.size()];
        }
        for (unsigned forms : {kDxf, unsigned{kRawCp932}}) {
            bool expected = May(none, bytes, forms);
            found += expected;
            agreed += May(best, bytes, forms) == expected && May(avx2, bytes, forms) == expected &&
                      May(sse2, bytes, forms) == expected;
        }
    }
    EXPECT_EQ(agreed, 6000u);
    EXPECT_GT(found, 100u);
    EXPECT_LT(found, 5900u);
}

// The property the search relies on: the prefilter never rules out a drawing
// in which the keyword test finds a piece. Checked over every sample and
// fixture, with keywords taken from their own lines.
TEST(KeywordPrefilter, NeverRulesOutADrawingTheKeywordTestMatches) {
    std::vector<std::filesystem::path> drawings;
    for (auto dir : {testing_support::SamplesDir(), testing_support::FixturesDir()}) {
        if (!dir) continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(*dir)) {
            if (entry.is_regular_file()) drawings.push_back(entry.path());
        }
    }
    if (drawings.empty()) GTEST_SKIP() << "no samples";
    size_t tested = 0;
    for (const auto& path : drawings) {
        const DrawingType* type = DrawingTypeOfPath(path.string());
        if (type == nullptr || type->rawText == 0) continue;
        std::string bytes = testing_support::ReadFileBytes(path);
        CopyingSource file(bytes);
        ExtractedText text;
        type->read(file, text);
        for (size_t i = 0; i < text.size(); ++i) {
            // Each kanji pair of the line as a keyword.
            std::string_view line = text[i].text;
            for (size_t k = 0; k + 4 <= line.size(); k += 2) {
                KeywordList pieces = PrepareKeywords(line.substr(k, 4));
                KeywordPrefilter filter(pieces);
                if (!filter.Active() || !FindMatchingLine(text, pieces)) continue;
                ++tested;
                EXPECT_TRUE(filter.MayMatch(AsBytes(bytes), type->rawText)) << path;
            }
        }
    }
    EXPECT_GT(tested, 0u);
}

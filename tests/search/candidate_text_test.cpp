#include "search/candidate_text.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/encoding.h"
#include "search/candidate.h"
#include "tests/test_support.h"

using testing_support::DescribeError;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

std::string Sjis(const char* utf8) { return Utf8ToCp932(utf8).value(); }

// A DXF drawing whose TEXT values are `values`, after `padding` bytes of
// lines without text.
std::string Dxf(std::initializer_list<std::string> values, size_t padding = 0) {
    std::string dxf = "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n";
    const std::string line = "  0\r\nLINE\r\n 10\r\n1.0\r\n 20\r\n2.0\r\n";
    while (dxf.size() < padding) dxf += line;
    for (const std::string& value : values) dxf += "  0\r\nTEXT\r\n  1\r\n" + value + "\r\n";
    return dxf + "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";
}

std::optional<LineMatch> Match(const std::string& path, const char* keywordUtf8) {
    KeywordList keywords = PrepareKeywords(Sjis(keywordUtf8));
    KeywordPrefilter prefilter(keywords);
    CandidateScratch scratch;
    ReadResult<CandidateReading> reading =
        ReadCandidateText(path, false, keywords, &prefilter, false, scratch);
    return reading ? reading->match : std::nullopt;
}

}  // namespace

TEST(ReadCandidateText, SmallDrawingsReadWholeAndLargeOnesReadInBlocksMatchAlike) {
    TempDir dir;
    const std::string value = Sjis("2階 排煙窓 W1800");
    WriteFileBytes(dir.path() / "small.dxf", Dxf({Sjis("平面図"), value}));
    WriteFileBytes(dir.path() / "large.dxf", Dxf({Sjis("平面図"), value}, 3 << 20));
    for (const char* name : {"small.dxf", "large.dxf"}) {
        std::string path = dir.path() / name;
        std::optional<LineMatch> match = Match(path, "排煙窓");
        ASSERT_TRUE(match) << name;
        EXPECT_EQ(match->text, Sjis("2階排煙窓W1800")) << name;  // as the DXF reader gives it
        EXPECT_FALSE(Match(path, "排煙口")) << name;             // the prefilter rules it out
        EXPECT_FALSE(Match(path, "W1900")) << name;              // the reader and the test do
        EXPECT_TRUE(Match(path, "w1800")) << name;
    }
}

TEST(ReadCandidateText, ThePrefilterLetsThroughEveryFormTheTestMatches) {
    TempDir dir;
    // 排煙 as escapes the keyword test draws, and 窓 as itself.
    WriteFileBytes(dir.path() / "escaped.dxf", Dxf({"\\U+6392\\M+1898C" + Sjis("窓")}));
    EXPECT_TRUE(Match(dir.path() / "escaped.dxf", "排煙窓"));
    EXPECT_TRUE(Match(dir.path() / "escaped.dxf", "平面|煙窓"));
}

TEST(ReadCandidateText, AFileThatCannotBeOpenedSaysWhy) {
    TempDir dir;
    KeywordList keywords = PrepareKeywords(Sjis("排煙"));
    CandidateScratch scratch;
    scratch.text.Add(TextKind::Text, "from the drawing before");
    ReadResult<CandidateReading> reading =
        ReadCandidateText(dir.path() / "missing.dxf", false, keywords, nullptr, false, scratch);
    ASSERT_FALSE(reading);
    EXPECT_EQ(DescribeError(reading.Error()), "missing: No such file or directory");
    EXPECT_TRUE(scratch.text.empty());
    reading = ReadCandidateText(dir.path(), true, keywords, nullptr, false, scratch);
    ASSERT_FALSE(reading);
    EXPECT_EQ(DescribeError(reading.Error()), "not a regular file: Is a directory");
    WriteFileBytes(dir.path() / "a.dxf", Dxf({Sjis("排煙")}));
    reading = ReadCandidateText(dir.path() / "a.dxf", false, keywords, nullptr, false, scratch);
    ASSERT_TRUE(reading);
    EXPECT_TRUE(reading->match);
}

TEST(ReadCandidateText, OneScratchServesDrawingAfterDrawing) {
    TempDir dir;
    WriteFileBytes(dir.path() / "a.dxf", Dxf({Sjis("排煙窓")}, 200'000));
    WriteFileBytes(dir.path() / "b.dxf", Dxf({Sjis("給水")}));
    WriteFileBytes(dir.path() / "c.dxf", Dxf({Sjis("排煙窓")}));
    KeywordList keywords = PrepareKeywords(Sjis("排煙窓"));
    CandidateScratch scratch;
    auto read = [&](const char* name) {
        ReadResult<CandidateReading> reading =
            ReadCandidateText(dir.path() / name, true, keywords, nullptr, false, scratch);
        return reading && reading->match;
    };
    EXPECT_TRUE(read("a.dxf"));
    // The bytes of the larger drawing before it are no part of the next one.
    EXPECT_FALSE(read("b.dxf"));
    EXPECT_TRUE(read("c.dxf"));
    EXPECT_LE(scratch.bytes.size(), CandidateScratch::kWholeReadLimit);
}

TEST(ReadCandidateText, TextBeyondWhatIsKeptAtATimeIsStillSearched) {
    // Six megabytes of TEXT values before the one that matches, and a line
    // that matches in the first megabytes: each found, the reading of the
    // second ended by its match.
    TempDir dir;
    const std::string filler(1000, 'f');
    std::string late = "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n";
    for (int i = 0; i < 6000; ++i) late += "  0\r\nTEXT\r\n  1\r\n" + filler + "\r\n";
    WriteFileBytes(dir.path() / "late.dxf",
                   late + "  0\r\nTEXT\r\n  1\r\n" + Sjis("排煙窓") + "\r\n");
    EXPECT_TRUE(Match(dir.path() / "late.dxf", "排煙窓"));
    EXPECT_FALSE(Match(dir.path() / "late.dxf", "給水"));
    EXPECT_TRUE(Match(dir.path() / "late.dxf", "ffff"));
}

TEST(EvaluateCandidate, AHitKeepsNoMoreOfAHugeLineThanIsShown) {
    // A megabyte line of 平 (two bytes each) holding the keyword at its end.
    TempDir dir;
    std::string huge;
    while (huge.size() < (1 << 20) - 8) huge += Sjis("平");
    WriteFileBytes(dir.path() / "a.dxf", Dxf({huge + Sjis("排煙")}));
    CandidateOutcome outcome =
        EvaluateCandidate(dir.path() / "a.dxf", PrepareKeywords(Sjis("平平")), {}, {});
    ASSERT_TRUE(outcome.hit);
    EXPECT_EQ(outcome.hit->matchText.size(), kMatchTextLimit);
    EXPECT_EQ(outcome.hit->matchText.substr(0, 4), Sjis("平平"));
}

TEST(ReadCandidateText, TheWholeTextIsReadForACacheAndSaysWhetherItFits) {
    TempDir dir;
    WriteFileBytes(dir.path() / "a.dxf", Dxf({Sjis("排煙窓"), Sjis("平面図")}));
    std::string big = "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n";
    for (int i = 0; i < 5000; ++i)
        big += "  0\r\nTEXT\r\n  1\r\n" + std::string(1000, 'f') + "\r\n";
    WriteFileBytes(dir.path() / "big.dxf", big);
    KeywordList keywords = PrepareKeywords(Sjis("排煙窓"));
    CandidateScratch scratch;
    // Kept whole: read past the match to the end.
    ReadResult<CandidateReading> reading =
        ReadCandidateText(dir.path() / "a.dxf", true, keywords, nullptr, true, scratch);
    ASSERT_TRUE(reading);
    EXPECT_TRUE(reading->match);
    EXPECT_TRUE(reading->wholeText);
    EXPECT_EQ(scratch.text.size(), 2u);
    // Not asked for whole, but small: the text holds every line anyway.
    reading = ReadCandidateText(dir.path() / "a.dxf", true, keywords, nullptr, false, scratch);
    ASSERT_TRUE(reading);
    EXPECT_TRUE(reading->match);
    EXPECT_TRUE(reading->wholeText);
    // Five megabytes of text do not fit what is kept at a time.
    reading = ReadCandidateText(dir.path() / "big.dxf", true, {}, nullptr, true, scratch);
    ASSERT_TRUE(reading);
    EXPECT_FALSE(reading->match);
    EXPECT_FALSE(reading->wholeText);
}

// The indexed form and the walk key, without a server: a piece is in a line's
// match form at a character boundary exactly when its indexed form is a
// substring of the line's; walk keys sort as a search walks a tree.
#include "index/indexed_form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <string>
#include <vector>

#include "bytes/utf8.h"
#include "index/walk_key.h"
#include "match/keywords.h"
#include "search/criteria.h"
#include "search/folder_walk.h"
#include "tests/test_support.h"

using testing_support::Hex;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

// Characters that stress the mapping: ASCII and control bytes, zero, the
// line separator, the unmappable byte, lone single bytes, half-width kana,
// double-byte characters that map back to themselves, NEC and IBM duplicates
// (87 90 and 81 E0 are both ≒; EE F9, FA 54 and 81 CA are all ¬), a lead
// byte with a trail byte that is no CP932 trail (88 0A, 88 20, 88 7F) or
// that looks like ASCII (88 41), and lone lead bytes.
const std::vector<std::string> kUnits = {
    "a",          "%",          "_",          "\\",         "'",          "\n",
    Hex("00"),    Hex("1F"),    Hex("FF"),    Hex("80"),    Hex("A0"),    Hex("FD"),
    Hex("B1"),    Hex("DE"),    Hex("82 60"), Hex("82 81"), Hex("95 BD"), Hex("87 90"),
    Hex("81 E0"), Hex("EE F9"), Hex("FA 54"), Hex("81 CA"), Hex("88 0A"), Hex("88 20"),
    Hex("88 7F"), Hex("88 41"), Hex("88"),    Hex("FC"),    Hex("F0 40")};

std::string RandomText(std::mt19937& random, size_t maxUnits) {
    std::uniform_int_distribution<size_t> count(0, maxUnits);
    std::uniform_int_distribution<size_t> unit(0, kUnits.size() - 1);
    std::string text;
    for (size_t n = count(random); n > 0; --n) text += kUnits[unit(random)];
    return text;
}

bool EndsInLoneLead(const std::string& piece) {
    return PatternOfPiece(piece).test == PiecePattern::Test::Regex;
}

}  // namespace

TEST(IndexedForm, SubstringAtCharacterBoundaryIsSubstringOfTheForm) {
    std::mt19937 random(26);
    int compared = 0;
    for (int round = 0; round < 200000; ++round) {
        std::string text = RandomText(random, 8);
        std::string piece = RandomText(random, 3);
        if (piece.empty() || EndsInLoneLead(piece)) continue;
        bool found = FindAtCharacterBoundary(text, piece) != std::string::npos;
        bool inForm = IndexedForm(text).find(IndexedForm(piece)) != std::string::npos;
        ASSERT_EQ(found, inForm) << "text " << ::testing::PrintToString(text) << " piece "
                                 << ::testing::PrintToString(piece);
        ++compared;
    }
    EXPECT_GT(compared, 100000);
}

TEST(IndexedForm, IsValidUtf8WithoutZeroOrSeparatorAndTellsCharactersApart) {
    std::vector<std::string> forms;
    for (const std::string& unit : kUnits) {
        std::string form = IndexedForm(unit);
        EXPECT_TRUE(IsValidUtf8(form)) << ::testing::PrintToString(unit);
        EXPECT_EQ(form.find('\0'), std::string::npos);
        EXPECT_EQ(form.find(kIndexedLineSeparator), std::string::npos);
        forms.push_back(form);
    }
    std::sort(forms.begin(), forms.end());
    EXPECT_EQ(std::adjacent_find(forms.begin(), forms.end()), forms.end())
        << "two characters share a form";
    // Characters that map to Unicode and back are themselves; duplicates are not.
    EXPECT_EQ(IndexedForm(Hex("81 E0")), "≒");
    EXPECT_NE(IndexedForm(Hex("87 90")), "≒");
    EXPECT_EQ(IndexedForm(Hex("95 BD 96 CA 90 7D")), "平面図");
    EXPECT_EQ(IndexedForm("a\n"), "a\n");
}

TEST(PatternOfPiece, EscapesLikeWildcardsAndAsksForALoneLeadByRegex) {
    // Match forms hold no ASCII, but the pattern stands on its own.
    EXPECT_EQ(PatternOfPiece("%_\\").pattern, "%\\%\\_\\\\%");
    EXPECT_EQ(PatternOfPiece(MatchForm("%_\\'")).test, PiecePattern::Test::Like);
    // Two characters: each written twice, for the index of paired text.
    PiecePattern pair = PatternOfPiece(MatchForm("%a"));
    EXPECT_EQ(pair.test, PiecePattern::Test::Pairs);
    EXPECT_EQ(pair.pattern, "%％％ａａ%");
    EXPECT_EQ(pair.plain, "%％ａ%");
    EXPECT_EQ(PatternOfPiece(Hex("95 BD")).test, PiecePattern::Test::Like);
    PiecePattern lone = PatternOfPiece(Hex("82 60 88"));
    EXPECT_EQ(lone.test, PiecePattern::Test::Regex);
    EXPECT_TRUE(lone.pattern.starts_with("\\U0000FF21["));
    for (char ch : lone.pattern) EXPECT_LT(static_cast<unsigned char>(ch), 0x80);
    // A trail byte at the end belongs to its character: no regex.
    EXPECT_NE(PatternOfPiece(Hex("88 88")).test, PiecePattern::Test::Regex);
}

TEST(WalkKey, SortsAsASearchWalksTheTree) {
    TempDir dir;
    const std::filesystem::path root = dir.path() / "root";
    // Names that start with one another, that differ at "-" (before "/") and
    // ".", a folder named as a drawing, control and non-UTF-8 bytes.
    for (const char* folder : {"a", "a/sub", "a b", "x.dxf", "x.dxf/in", "b\x01", "z"}) {
        std::filesystem::create_directories(root / folder);
    }
    for (const char* file :
         {"a.dxf", "a-b.dxf", "a\x01.dxf", "a/k.dxf", "a/sub/k.dxf", "a/sub.dxf", "a b/c.dxf",
          "x.dxf/in/y.dxf", "x.dxf/w.dxf", "x.dxfz.dxf", "b\x01/q.dxf", "b.dxf", "b\xff.dxf",
          "z/\xe5\xb9\xb3.dxf", "Z.DXF", "aa.jww"}) {
        WriteFileBytes(root / file, "");
    }
    std::vector<std::string> walked;
    std::atomic<bool> cancel{false};
    FolderWalk walk(TYPE_ALL, cancel,
                    {.includeSubfolders = [] { return true; },
                     .progress = nullptr,
                     .skipped = nullptr,
                     .found = nullptr},
                    walked);
    ASSERT_TRUE(walk.Walk(root.string()));
    ASSERT_EQ(walked.size(), 17u);  // the files and the folder named x.dxf
    std::vector<std::string> sorted = walked;
    std::sort(sorted.begin(), sorted.end(),
              [](const std::string& a, const std::string& b) { return WalkKey(a) < WalkKey(b); });
    EXPECT_EQ(sorted, walked);
    // Everything below a folder lies between its two bounds, nothing else does.
    const std::string folder = (root / "a").string();
    for (const std::string& path : walked) {
        bool below = path.starts_with(folder + "/");
        std::string key = WalkKey(path);
        EXPECT_EQ(key >= FolderKeyStart(folder) && key < FolderKeyEnd(folder), below) << path;
    }
}

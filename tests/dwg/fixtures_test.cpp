// The real drawings in the fixtures folder. Each NAME.dwg that has a
// NAME.expected gives exactly its bytes in its TEXT and MTEXT lines (an
// ANSI_1252 drawing's expected bytes converted to CP932 first; the R12
// drawing's expected lines are its entity section's, and its block section's
// TEXT lines follow them); each drawing's NAME.dwg.oracle.txt lists strings it
// shows. Each test runs once for each drawing, named after it; none run when
// the folder is absent.
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "bytes/code_pages.h"
#include "bytes/spaces.h"
#include "dwg/dwg.h"
#include "dwg/file_header.h"
#include "tests/dwg/dwg_builder.h"
#include "tests/dwg/dwg_fixtures.h"
#include "tests/test_support.h"

using dwg_testing::DwgFixturePaths;
using dwg_testing::FixtureTestName;
using testing_support::ReadFileBytes;

namespace {

struct Fixture {
    std::string name;
    std::string drawing;
    std::string expected;  // empty when there is no .expected
    std::string oracle;    // empty when there is no .oracle.txt
};

std::filesystem::path ExpectedPath(std::filesystem::path drawing) {
    return drawing.replace_extension(".expected");
}

Fixture LoadFixture(const std::filesystem::path& path) {
    Fixture f{path.filename().string(), ReadFileBytes(path), "", ""};
    if (std::filesystem::exists(ExpectedPath(path))) f.expected = ReadFileBytes(ExpectedPath(path));
    std::filesystem::path oracle = path;
    oracle += ".oracle.txt";
    if (std::filesystem::exists(oracle)) f.oracle = ReadFileBytes(oracle);
    return f;
}

// The drawings that have a .expected.
std::vector<std::filesystem::path> FixturesWithExpectedText() {
    std::vector<std::filesystem::path> paths = DwgFixturePaths();
    std::erase_if(paths, [](const std::filesystem::path& path) {
        return !std::filesystem::exists(ExpectedPath(path));
    });
    return paths;
}

// A test of one drawing, loaded for it.
class DwgFixture : public testing::TestWithParam<std::filesystem::path> {
  protected:
    void SetUp() override { f = LoadFixture(GetParam()); }
    Fixture f;
};

// The same for the drawings with expected text.
class DwgFixtureText : public DwgFixture {};

ExtractedText Extract(std::string_view bytes) {
    return dwg_testing::ReadBothWays(ExtractDwgText, bytes);
}

// The lines of the given kinds, each + CR LF.
std::string LinesOf(const ExtractedText& text, std::initializer_list<TextKind> kinds) {
    std::string joined;
    for (size_t k = 0; k < text.size(); ++k) {
        for (TextKind kind : kinds) {
            if (text[k].kind == kind) {
                joined += text[k].text;
                joined += "\r\n";
            }
        }
    }
    return joined;
}

bool IsR12(const Fixture& f) { return f.drawing.compare(0, 6, "AC1009") == 0; }

// The expected bytes as the reader gives them: text of an R13-or-later
// drawing's single-byte code page converted to CP932.
std::string ExpectedAsRead(const Fixture& f) {
    if (IsR12(f)) return f.expected;
    MemorySource source(AsBytes(f.drawing));
    return ToCp932(f.expected, CodePageOfDwg(ReadDwgFileHeader(source).codePageNumber));
}

// The oracle's lines (KIND, TEXT) of the given kinds.
std::vector<std::pair<std::string, std::string>> OracleLines(const Fixture& f) {
    std::vector<std::pair<std::string, std::string>> lines;
    size_t start = 0;
    while (start < f.oracle.size()) {
        size_t end = f.oracle.find('\n', start);
        if (end == std::string::npos) end = f.oracle.size();
        std::string line = f.oracle.substr(start, end - start);
        start = end + 1;
        size_t tab1 = line.find('\t');
        size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string::npos) continue;
        lines.emplace_back(line.substr(0, tab1), line.substr(tab2 + 1));
    }
    return lines;
}

bool IsAscii(const std::string& text) {
    for (char ch : text) {
        if (static_cast<unsigned char>(ch) >= 0x80) return false;
    }
    return true;
}

}  // namespace

TEST_P(DwgFixtureText, TextAndMTextLinesAreTheExpectedBytes) {
    std::string lines = LinesOf(Extract(f.drawing), {TextKind::Text, TextKind::MText});
    std::string expected = ExpectedAsRead(f);
    if (!IsR12(f)) {
        EXPECT_EQ(lines, expected);
        return;
    }
    // R12: the entity section's lines, then the block section's TEXT
    // lines, each a TEXT string of the oracle (spaces removed).
    ASSERT_EQ(lines.compare(0, expected.size(), expected), 0);
    std::string oracleTexts;
    for (auto& [kind, text] : OracleLines(f)) {
        if (kind == "TEXT") oracleTexts += text + "\n";
    }
    RemoveSpaces(oracleTexts);
    std::string rest = lines.substr(expected.size());
    EXPECT_FALSE(rest.empty()) << "no block section lines";
    for (size_t at = 0; at < rest.size();) {
        size_t end = rest.find("\r\n", at);
        std::string line = rest.substr(at, end - at);
        EXPECT_NE(oracleTexts.find(line + "\n"), std::string::npos) << line;
        at = end + 2;
    }
}

// Text, attribute and dimension strings are read whole (MTEXT and
// MULTILEADER strings are the plain text of formatted values: the search's
// clean-up makes those findable).
TEST_P(DwgFixture, OracleStringsOfPlainKindsAreInTheText) {
    std::string text = Extract(f.drawing).Joined();
    RemoveSpaces(text);
    for (auto& [kind, value] : OracleLines(f)) {
        if (kind != "TEXT" && kind != "ATTRIB" && kind != "ATTDEF" && kind != "ATTDEF_TAG" &&
            kind != "ATTDEF_PROMPT" && kind != "DIMENSION") {
            continue;
        }
        if (!IsAscii(value)) continue;
        std::string wanted = value;
        RemoveSpaces(wanted);
        EXPECT_NE(text.find(wanted), std::string::npos) << kind << " " << value;
    }
}

// Several drawings read on several threads at once, each drawing after the
// others on every thread: the readers keep no state between drawings.
TEST(DwgFixtures, SeveralThreadsGiveTheSameText) {
    std::vector<Fixture> fixtures;
    for (const auto& path : DwgFixturePaths()) fixtures.push_back(LoadFixture(path));
    if (fixtures.empty()) GTEST_SKIP() << "no DWG fixtures";
    std::vector<std::string> single;
    for (const Fixture& f : fixtures) single.push_back(Extract(f.drawing).Joined());
    std::vector<std::vector<std::string>> results(4);
    std::vector<std::thread> threads;
    for (auto& result : results) {
        threads.emplace_back([&fixtures, &result] {
            for (int round = 0; round < 3; ++round) {
                for (const Fixture& f : fixtures) {
                    MemorySource source(AsBytes(f.drawing));
                    ExtractedText text;
                    ExtractDwgText(source, text);
                    result.push_back(text.Joined());
                }
            }
        });
    }
    for (std::thread& t : threads) t.join();
    for (const auto& result : results) {
        ASSERT_EQ(result.size(), 3 * fixtures.size());
        for (size_t k = 0; k < result.size(); ++k) {
            EXPECT_EQ(result[k], single[k % fixtures.size()]);
        }
    }
}

// A drawing cut short gives the lines found before the cut, or nothing: always
// a run of whole lines from the start of the full text.
TEST_P(DwgFixture, TruncatedDrawingsGiveALeadingPartOrNothing) {
    std::string full = Extract(f.drawing).Joined();
    for (size_t cut = 0; cut < f.drawing.size(); cut += 1 + f.drawing.size() / 97) {
        std::string text = Extract(std::string_view(f.drawing).substr(0, cut)).Joined();
        EXPECT_EQ(full.compare(0, text.size(), text), 0) << "cut " << cut;
    }
}

// Bytes overwritten anywhere: the reader still ends and stays in the data
// (AddressSanitizer builds check the second), and its text is no longer than
// the drawing.
TEST_P(DwgFixture, OverwrittenBytesGiveBoundedText) {
    for (size_t at = 0; at < f.drawing.size(); at += 1 + f.drawing.size() / 97) {
        for (char value : {'\x00', '\xFF', '\x80'}) {
            std::vector<uint8_t> damaged(f.drawing.begin(), f.drawing.end());
            for (size_t k = at; k < at + 8 && k < damaged.size(); ++k) damaged[k] = value;
            MemorySource source({damaged.data(), damaged.size()});
            ExtractedText text;
            ExtractDwgText(source, text);
            EXPECT_LE(text.ByteCount(), damaged.size()) << "at " << at;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, DwgFixture, testing::ValuesIn(DwgFixturePaths()),
                         FixtureTestName);
INSTANTIATE_TEST_SUITE_P(Fixtures, DwgFixtureText, testing::ValuesIn(FixturesWithExpectedText()),
                         FixtureTestName);
// Without the fixtures folder there is no drawing to instantiate them with.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(DwgFixture);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(DwgFixtureText);

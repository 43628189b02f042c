// The real drawings in the fixtures folder: each NAME.dwg gives exactly the
// bytes of NAME.expected. Skipped when the folder is absent.
#include <gtest/gtest.h>

#include <thread>

#include "dwg/dwg.h"
#include "tests/test_support.h"

using testing_support::FilesWithExtension;
using testing_support::FixturesDir;
using testing_support::ReadFileBytes;

namespace {

struct Fixture {
    std::string name;
    std::string drawing;
    std::string expected;
};

std::vector<Fixture> LoadFixtures() {
    std::vector<Fixture> fixtures;
    std::optional<std::filesystem::path> dir = FixturesDir();
    if (!dir || !std::filesystem::is_directory(*dir / "dwg")) return fixtures;
    for (const auto& path : FilesWithExtension(*dir / "dwg", ".dwg")) {
        std::filesystem::path expected = path;
        expected.replace_extension(".expected");
        if (!std::filesystem::exists(expected)) continue;
        fixtures.push_back(
            {path.filename().string(), ReadFileBytes(path), ReadFileBytes(expected)});
    }
    return fixtures;
}

std::string Extract(std::string_view bytes) { return ExtractDwgText(AsBytes(bytes)); }

}  // namespace

TEST(DwgFixtures, EachDrawingGivesItsExpectedText) {
    std::vector<Fixture> fixtures = LoadFixtures();
    if (fixtures.empty()) GTEST_SKIP() << "no DWG fixtures";
    for (const Fixture& f : fixtures) EXPECT_EQ(Extract(f.drawing), f.expected) << f.name;
}

TEST(DwgFixtures, SeveralThreadsGiveTheSameText) {
    std::vector<Fixture> fixtures = LoadFixtures();
    if (fixtures.empty()) GTEST_SKIP() << "no DWG fixtures";
    std::vector<std::vector<std::string>> results(4);
    std::vector<std::thread> threads;
    for (auto& result : results) {
        threads.emplace_back([&fixtures, &result] {
            for (int round = 0; round < 3; ++round) {
                for (const Fixture& f : fixtures) result.push_back(Extract(f.drawing));
            }
        });
    }
    for (std::thread& t : threads) t.join();
    for (const auto& result : results) {
        ASSERT_EQ(result.size(), 3 * fixtures.size());
        for (size_t k = 0; k < result.size(); ++k) {
            EXPECT_EQ(result[k], fixtures[k % fixtures.size()].expected);
        }
    }
}

// A drawing cut short gives the lines found before the cut, or nothing: always
// a run of whole lines from the start of the full text.
TEST(DwgFixtures, TruncatedDrawingsGiveALeadingPartOrNothing) {
    std::vector<Fixture> fixtures = LoadFixtures();
    if (fixtures.empty()) GTEST_SKIP() << "no DWG fixtures";
    for (const Fixture& f : fixtures) {
        for (size_t cut = 0; cut < f.drawing.size(); cut += 1 + f.drawing.size() / 97) {
            std::string text = Extract(std::string_view(f.drawing).substr(0, cut));
            EXPECT_EQ(f.expected.compare(0, text.size(), text), 0) << f.name << " cut " << cut;
            if (!text.empty()) {
                EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
            }
        }
    }
}

// Bytes overwritten anywhere: the reader still ends and stays in the data
// (AddressSanitizer builds check the second), and its text ends in CR LF.
TEST(DwgFixtures, OverwrittenBytesGiveWholeLines) {
    std::vector<Fixture> fixtures = LoadFixtures();
    if (fixtures.empty()) GTEST_SKIP() << "no DWG fixtures";
    for (const Fixture& f : fixtures) {
        for (size_t at = 0; at < f.drawing.size(); at += 1 + f.drawing.size() / 211) {
            for (char value : {'\x00', '\xFF', '\x80'}) {
                std::string damaged = f.drawing;
                for (size_t k = at; k < at + 8 && k < damaged.size(); ++k) damaged[k] = value;
                std::string text = Extract(damaged);
                if (!text.empty()) {
                    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
                }
                EXPECT_LE(text.size(), damaged.size());
            }
        }
    }
}

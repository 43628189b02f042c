// The real 2004-or-later drawings in the fixtures folder: their containers
// open and the sections the text reader needs read whole. Each test runs once
// for each drawing, named after it; none run when the folder is absent.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "dwg/object_map.h"
#include "dwg/r2004_container.h"
#include "dwg/r2004_header.h"
#include "dwg/r2004_maps.h"
#include "dwg/r2004_pages.h"
#include "tests/dwg/dwg_fixtures.h"
#include "tests/test_support.h"

using dwg_testing::DwgFixturePaths;
using dwg_testing::FixtureTestName;
using testing_support::ReadFileBytes;

namespace {

// The drawings of the versions kept in an R2004 container.
std::vector<std::filesystem::path> R2004Fixtures() {
    return DwgFixturePaths({"AC1018", "AC1024", "AC1027", "AC1032"});
}

// The drawings of the other versions.
std::vector<std::filesystem::path> OtherFixtures() {
    std::vector<std::filesystem::path> others = DwgFixturePaths();
    std::vector<std::filesystem::path> r2004 = R2004Fixtures();
    std::erase_if(others, [&r2004](const std::filesystem::path& path) {
        return std::find(r2004.begin(), r2004.end(), path) != r2004.end();
    });
    return others;
}

// A test of one drawing, read into an exact-size buffer for it.
class DrawingTest : public testing::TestWithParam<std::filesystem::path> {
  protected:
    void SetUp() override {
        std::string read = ReadFileBytes(GetParam());
        bytes.assign(read.begin(), read.end());
    }
    std::vector<uint8_t> bytes;
};

class R2004Fixture : public DrawingTest {};
class R2004OtherFixture : public DrawingTest {};

// The sizes the section map states, read through the map functions.
std::vector<R2004SectionInfo> SectionMap(ByteSource& file) {
    std::optional<R2004FileHeader> header = ReadR2004FileHeader(file);
    std::vector<uint8_t> map;
    if (!header || !ReadR2004SystemPage(file, header->pageMapOffset, kR2004PageMapType, map)) {
        return {};
    }
    std::vector<R2004PageLocation> pages = ParseR2004PageMap({map.data(), map.size()});
    const R2004PageLocation* page =
        FindR2004Page(pages, static_cast<int32_t>(header->sectionMapId));
    if (!page || !ReadR2004SystemPage(file, page->offset, kR2004SectionMapType, map)) return {};
    return ParseR2004SectionMap({map.data(), map.size()}).value_or(std::vector<R2004SectionInfo>{});
}

uint64_t StatedSize(const std::vector<R2004SectionInfo>& sections, std::string_view name) {
    for (const R2004SectionInfo& s : sections) {
        if (s.name == name) return s.size;
    }
    return 0;
}

std::string Hex(ByteView data, size_t count) {
    std::string text;
    for (size_t k = 0; k < count && k < data.size; ++k) {
        const char* digits = "0123456789ABCDEF";
        text += digits[data[k] >> 4];
        text += digits[data[k] & 15];
    }
    return text;
}

}  // namespace

TEST_P(R2004Fixture, SectionsReadWholeAtTheirStatedSizes) {
    MemorySource file({bytes.data(), bytes.size()});
    std::unique_ptr<DwgContainer> container = OpenR2004Container(file);
    ASSERT_TRUE(container);
    std::vector<R2004SectionInfo> map = SectionMap(file);
    for (std::string_view name :
         {"AcDb:Header", "AcDb:Classes", "AcDb:Handles", "AcDb:AcDbObjects"}) {
        std::unique_ptr<ByteSource> section = container->OpenSection(name);
        ASSERT_TRUE(section) << name;
        EXPECT_GT(section->Size(), 0u) << name;
        EXPECT_EQ(section->Size(), StatedSize(map, name)) << name;
        std::vector<uint8_t> scratch;
        ByteView data = section->Read(0, static_cast<size_t>(section->Size()), scratch);
        EXPECT_EQ(data.size, section->Size()) << name << ": a page did not decode";
    }
    // The header and class sections open with their sentinels.
    std::vector<uint8_t> scratch;
    EXPECT_EQ(Hex(container->OpenSection("AcDb:Header")->Read(0, 16, scratch), 16),
              "CF7B1F23FDDE38A95F7C68B84E6D335F");
    EXPECT_EQ(Hex(container->OpenSection("AcDb:Classes")->Read(0, 16, scratch), 16),
              "8DA1C4B8C4A9F8C5C0DCF45FE7CFB68A");
}

TEST_P(R2004Fixture, TheObjectMapPointsInsideTheObjects) {
    MemorySource file({bytes.data(), bytes.size()});
    std::unique_ptr<DwgContainer> container = OpenR2004Container(file);
    ASSERT_TRUE(container);
    std::unique_ptr<ByteSource> handles = container->OpenSection("AcDb:Handles");
    std::unique_ptr<ByteSource> objects = container->OpenSection("AcDb:AcDbObjects");
    ASSERT_TRUE(handles && objects);
    CachedReader mapSource(*handles);
    ObjectMapReader mapReader(mapSource, 0);
    std::vector<ObjectMapEntry> entries;
    for (ObjectMapEntry entry; mapReader.Next(entry);) entries.push_back(entry);
    EXPECT_GT(entries.size(), 20u);
    for (const ObjectMapEntry& e : entries) {
        EXPECT_GE(e.location, 0);
        EXPECT_LT(static_cast<uint64_t>(e.location), objects->Size());
    }
}

TEST_P(R2004OtherFixture, DoesNotOpenAsAnR2004Container) {
    MemorySource file({bytes.data(), bytes.size()});
    EXPECT_FALSE(OpenR2004Container(file));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, R2004Fixture, testing::ValuesIn(R2004Fixtures()),
                         FixtureTestName);
INSTANTIATE_TEST_SUITE_P(Fixtures, R2004OtherFixture, testing::ValuesIn(OtherFixtures()),
                         FixtureTestName);
// Without the fixtures folder there is no drawing to instantiate them with.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(R2004Fixture);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(R2004OtherFixture);

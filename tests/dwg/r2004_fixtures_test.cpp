// The real 2004-or-later drawings in the fixtures folder: their containers
// open and the sections the text reader needs read whole. Skipped when the
// folder is absent.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dwg/object_map.h"
#include "dwg/r2004_container.h"
#include "dwg/r2004_header.h"
#include "dwg/r2004_maps.h"
#include "dwg/r2004_pages.h"
#include "tests/test_support.h"

using testing_support::FilesWithExtension;
using testing_support::FixturesDir;
using testing_support::ReadFileBytes;

namespace {

struct Drawing {
    std::string name;
    std::vector<uint8_t> bytes;
    bool r2004 = false;  // AC1018, AC1024, AC1027 or AC1032
};

std::vector<Drawing> LoadDrawings() {
    std::vector<Drawing> drawings;
    std::optional<std::filesystem::path> dir = FixturesDir();
    if (!dir || !std::filesystem::is_directory(*dir / "dwg")) return drawings;
    for (const auto& path : FilesWithExtension(*dir / "dwg", ".dwg")) {
        std::string bytes = ReadFileBytes(path);
        std::string version = bytes.substr(0, 6);
        bool r2004 = version == "AC1018" || version == "AC1024" || version == "AC1027" ||
                     version == "AC1032";
        drawings.push_back(
            {path.filename().string(), std::vector<uint8_t>(bytes.begin(), bytes.end()), r2004});
    }
    return drawings;
}

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

TEST(R2004Fixtures, SectionsReadWholeAtTheirStatedSizes) {
    std::vector<Drawing> drawings = LoadDrawings();
    int opened = 0;
    for (const Drawing& d : drawings) {
        if (!d.r2004) continue;
        SCOPED_TRACE(d.name);
        MemorySource file({d.bytes.data(), d.bytes.size()});
        std::unique_ptr<DwgContainer> container = OpenR2004Container(file);
        ASSERT_TRUE(container);
        ++opened;
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
    if (opened == 0) GTEST_SKIP() << "no 2004-or-later DWG fixtures";
}

TEST(R2004Fixtures, TheObjectMapPointsInsideTheObjects) {
    std::vector<Drawing> drawings = LoadDrawings();
    int opened = 0;
    for (const Drawing& d : drawings) {
        if (!d.r2004) continue;
        SCOPED_TRACE(d.name);
        MemorySource file({d.bytes.data(), d.bytes.size()});
        std::unique_ptr<DwgContainer> container = OpenR2004Container(file);
        ASSERT_TRUE(container);
        ++opened;
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
    if (opened == 0) GTEST_SKIP() << "no 2004-or-later DWG fixtures";
}

TEST(R2004Fixtures, OtherVersionsDoNotOpen) {
    for (const Drawing& d : LoadDrawings()) {
        if (d.r2004) continue;
        MemorySource file({d.bytes.data(), d.bytes.size()});
        EXPECT_FALSE(OpenR2004Container(file)) << d.name;
    }
}

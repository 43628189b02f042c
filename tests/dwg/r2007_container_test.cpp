#include "dwg/r2007_container.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "dwg/byte_fields.h"
#include "dwg/object_map.h"
#include "tests/test_support.h"

using testing_support::FilesWithExtension;
using testing_support::FixturesDir;
using testing_support::ReadFileBytes;

namespace {

// The AC1021 drawings among the fixtures.
std::vector<std::filesystem::path> R2007Fixtures() {
    std::vector<std::filesystem::path> found;
    std::optional<std::filesystem::path> dir = FixturesDir();
    if (!dir || !std::filesystem::is_directory(*dir / "dwg")) return found;
    for (const auto& path : FilesWithExtension(*dir / "dwg", ".dwg")) {
        if (ReadFileBytes(path).compare(0, 6, "AC1021") == 0) found.push_back(path);
    }
    return found;
}

std::vector<uint8_t> ReadWhole(ByteSource& source) {
    return ReadBytes(source, 0, static_cast<size_t>(source.Size()));
}

bool StartsWith(const std::vector<uint8_t>& data, std::string_view hex) {
    std::string prefix = testing_support::Hex(hex);
    return data.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), data.begin(),
                      [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
}

}  // namespace

TEST(R2007ContainerFixtures, SectionsReadWholeAndTheObjectMapPointsIntoTheObjects) {
    std::vector<std::filesystem::path> fixtures = R2007Fixtures();
    if (fixtures.empty()) GTEST_SKIP() << "no AC1021 fixtures";
    // The data sizes the section maps of the known drawings give.
    const std::map<std::string, std::map<std::string, uint64_t>> knownSizes = {
        {"libredwg_2007_Text.dwg",
         {{"AcDb:Handles", 680}, {"AcDb:AcDbObjects", 201741}, {"AcDb:Classes", 1855}}},
        {"libredwg_example_2007.dwg",
         {{"AcDb:Handles", 1739}, {"AcDb:AcDbObjects", 417109}, {"AcDb:Classes", 4538}}},
    };
    for (const auto& path : fixtures) {
        std::string name = path.filename().string();
        SCOPED_TRACE(name);
        std::string bytes = ReadFileBytes(path);
        MemorySource file(AsBytes(bytes));
        std::unique_ptr<DwgContainer> container = OpenR2007Container(file);
        ASSERT_NE(container, nullptr);

        std::map<std::string, std::vector<uint8_t>> data;
        for (std::string section :
             {"AcDb:Handles", "AcDb:AcDbObjects", "AcDb:Classes", "AcDb:Header"}) {
            std::unique_ptr<ByteSource> source = container->OpenSection(section);
            ASSERT_NE(source, nullptr) << section;
            data[section] = ReadWhole(*source);
            EXPECT_EQ(data[section].size(), source->Size()) << section;  // no damage
            EXPECT_GT(data[section].size(), 0u) << section;
            auto known = knownSizes.find(name);
            if (known != knownSizes.end() && known->second.count(section) != 0) {
                EXPECT_EQ(source->Size(), known->second.at(section)) << section;
            }
        }
        EXPECT_EQ(container->OpenSection("AcDb:NoSuchSection"), nullptr);
        // Both start with their sentinels.
        EXPECT_TRUE(StartsWith(data["AcDb:Classes"], "8D A1 C4 B8 C4 A9 F8 C5 C0 DC F4 5F"));
        EXPECT_TRUE(StartsWith(data["AcDb:Header"], "CF 7B 1F 23 FD DE 38 A9 5F 7C 68 B8"));

        const std::vector<uint8_t>& handles = data["AcDb:Handles"];
        const std::vector<uint8_t>& objects = data["AcDb:AcDbObjects"];
        std::vector<ObjectMapEntry> map = ReadObjectMap({handles.data(), handles.size()}, 0);
        ASSERT_GT(map.size(), 10u);
        ByteView objectData{objects.data(), objects.size()};
        for (const ObjectMapEntry& entry : map) {
            ASSERT_GE(entry.location, 0);
            ASSERT_LT(static_cast<uint64_t>(entry.location), objects.size());
            // Each object starts with its size, and fits in the section.
            ByteCursor c{static_cast<size_t>(entry.location)};
            uint32_t size = ReadModularShort(objectData, c);
            EXPECT_FALSE(c.overrun);
            EXPECT_LE(c.pos + size, objects.size()) << "object " << entry.ordinal;
        }
    }
}

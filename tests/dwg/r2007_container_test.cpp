#include "dwg/r2007_container.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "dwg/byte_fields.h"
#include "dwg/object_map.h"
#include "tests/dwg/dwg_fixtures.h"
#include "tests/dwg/r2007_builder.h"
#include "tests/test_support.h"

using dwg_testing::DwgFixturePaths;
using dwg_testing::FixtureTestName;
using r2007_testing::DataPage;
using r2007_testing::Le64;
using r2007_testing::SystemPage;
using r2007_testing::Utf16;
using testing_support::Hex;
using testing_support::ReadFileBytes;

namespace {

struct BuiltPage {
    int64_t id;
    std::string stored;
};

struct BuiltSectionPage {
    uint64_t sectionOffset;
    int64_t id;
    uint64_t size;
    uint64_t compressedSize;
};

std::string SectionEntry(std::string_view name, uint64_t size, uint64_t encoding,
                         const std::vector<BuiltSectionPage>& pages) {
    std::string name16 = Utf16(name);
    std::string entry = Le64(size) + Le64(0xF800) + Le64(0) + Le64(0) + Le64(name16.size()) +
                        Le64(0) + Le64(encoding) + Le64(pages.size()) + name16;
    for (const BuiltSectionPage& page : pages) {
        entry += Le64(page.sectionOffset) + Le64(0xF800) + Le64(page.id) + Le64(page.size) +
                 Le64(page.compressedSize) + Le64(0) + Le64(0);
    }
    return entry;
}

// "ABCDEFGH" as 8 literal bytes, then 24 bytes copied from 8 back: 32 bytes.
const std::string kCompressed = Hex("00 41 42 43 44 45 46 47 48 20 08 00 18");
const std::string kDecompressed = "ABCDEFGHABCDEFGHABCDEFGHABCDEFGH";

// An AC1021 file: the header at 0x80 (stored, not compressed), then from
// 0x480 the page map (page 1), the section map (page 2) and `pages`.
struct BuiltDrawing {
    std::vector<BuiltPage> pages = {
        {3, DataPage(kCompressed)},   // "AcDb:Handles" 0..32, compressed
        {4, DataPage("0123456789")},  // "AcDb:Handles" 40..50, stored
        {5, "preview-data"},          // "AcDb:Preview", not coded
    };
    std::string sectionMap =
        SectionEntry("AcDb:Handles", 50, 4, {{0, 3, 32, kCompressed.size()}, {40, 4, 10, 10}}) +
        SectionEntry("AcDb:Preview", 12, 1, {{0, 5, 12, 12}}) +
        SectionEntry("AcDb:Lost", 42, 4, {{0, 3, 32, kCompressed.size()}, {32, 9, 10, 10}});
    int64_t sectionMapId = 2;

    std::string Bytes() const {
        size_t entries = 2 + pages.size();
        std::string sectionMapPage = SystemPage(sectionMap, 1);
        std::string pageMap = Le64(SystemPage(std::string(16 * entries, '\0'), 1).size()) +
                              Le64(1) + Le64(sectionMapPage.size()) + Le64(2);
        for (const BuiltPage& page : pages) pageMap += Le64(page.stored.size()) + Le64(page.id);

        std::string header(0x110, '\0');
        auto field = [&header](int k, uint64_t value) { header.replace(k * 8, 8, Le64(value)); };
        field(3, 1);  // page map: correction, offset from 0x480, sizes
        field(7, 0);
        field(10, pageMap.size());
        field(11, pageMap.size());
        field(22, sectionMap.size());  // section map: sizes, page id, correction
        field(24, static_cast<uint64_t>(sectionMapId));
        field(25, sectionMap.size());
        field(27, 1);
        std::string coded = r2007_testing::Interleave(std::string(32, '\0') + header, 239, 3);

        std::string file = "AC1021";
        file.resize(0x80, '\0');
        file += coded;
        file.resize(0x480, '\0');
        file += SystemPage(pageMap, 1) + sectionMapPage;
        for (const BuiltPage& page : pages) file += page.stored;
        return file;
    }
};

std::string ReadSection(DwgContainer& container, std::string_view name, uint64_t* size = nullptr) {
    std::unique_ptr<ByteSource> section = container.OpenSection(name);
    if (section == nullptr) return "(none)";
    if (size != nullptr) *size = section->Size();
    std::vector<uint8_t> scratch;
    ByteView data = section->Read(0, static_cast<size_t>(section->Size()), scratch);
    return std::string(reinterpret_cast<const char*>(data.data), data.size);
}

// The container of `bytes`, read through an exact-size copy.
struct Opened {
    explicit Opened(const std::string& bytes)
        : copy(bytes.begin(), bytes.end()),
          file(ByteView{copy.data(), copy.size()}),
          container(OpenR2007Container(file)) {}
    std::vector<uint8_t> copy;
    MemorySource file;
    std::unique_ptr<DwgContainer> container;
};

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

TEST(R2007Container, OpensEachSectionOverItsPages) {
    Opened opened(BuiltDrawing().Bytes());
    ASSERT_NE(opened.container, nullptr);
    DwgContainer& container = *opened.container;
    // Compressed and coded, a gap of zeros, stored and coded.
    EXPECT_EQ(ReadSection(container, "AcDb:Handles"),
              kDecompressed + std::string(8, '\0') + "0123456789");
    EXPECT_EQ(ReadSection(container, "AcDb:Preview"), "preview-data");  // not coded
    EXPECT_EQ(ReadSection(container, "AcDb:Objects"), "(none)");
    EXPECT_EQ(ReadSection(container, "AcDb:Handle"), "(none)");
    // A page missing from the page map ends its section at its start.
    uint64_t size = 0;
    EXPECT_EQ(ReadSection(container, "AcDb:Lost", &size), kDecompressed);
    EXPECT_EQ(size, 42u);
}

TEST(R2007Container, DamagedMapsGiveNoContainer) {
    BuiltDrawing drawing;
    std::string bytes = drawing.Bytes();
    EXPECT_EQ(Opened(bytes.substr(0, 0x80 + 3 * 255 - 1)).container, nullptr);  // header cut
    EXPECT_EQ(Opened(bytes.substr(0, 0x480 + 200)).container, nullptr);         // page map cut
    EXPECT_EQ(Opened("").container, nullptr);

    BuiltDrawing noSectionMap;
    noSectionMap.sectionMapId = 7;
    EXPECT_EQ(Opened(noSectionMap.Bytes()).container, nullptr);

    BuiltDrawing pagesPastTheEnd;
    pagesPastTheEnd.sectionMap = SectionEntry("AcDb:Handles", 50, 4, {{0, 3, 32, 13}});
    pagesPastTheEnd.sectionMap.replace(0x38, 8, Le64(2));  // two pages, one there
    EXPECT_EQ(Opened(pagesPastTheEnd.Bytes()).container, nullptr);
}

TEST(R2007Container, ADamagedPageKeepsTheDataBeforeIt) {
    // The file ends inside the last "AcDb:Handles" page.
    BuiltDrawing drawing;
    std::string bytes = drawing.Bytes();
    Opened cut(bytes.substr(0, bytes.size() - 12 - 1));
    ASSERT_NE(cut.container, nullptr);
    EXPECT_EQ(ReadSection(*cut.container, "AcDb:Handles"), kDecompressed + std::string(8, '\0'));

    // Pages whose sizes do not hold: more data than the compressed bytes give,
    // gigabytes, more coded bytes than the page's room.
    BuiltDrawing sizes;
    sizes.sectionMap = SectionEntry("AcDb:TooBig", 64, 4, {{0, 3, 32, 13}, {32, 3, 31, 13}}) +
                       SectionEntry("AcDb:Huge", uint64_t{1} << 40, 4,
                                    {{0, 4, 10, 10}, {10, 4, uint64_t{1} << 32, 10}}) +
                       SectionEntry("AcDb:NoRoom", 10, 4, {{0, 4, 10, 600}});
    Opened opened(sizes.Bytes());
    ASSERT_NE(opened.container, nullptr);
    EXPECT_EQ(ReadSection(*opened.container, "AcDb:TooBig"), kDecompressed);
    EXPECT_EQ(ReadSection(*opened.container, "AcDb:Huge"), "0123456789");
    EXPECT_EQ(ReadSection(*opened.container, "AcDb:NoRoom"), "");
}

TEST(R2007Container, ASectionIsNeverFarBiggerThanTheFile) {
    BuiltDrawing drawing;
    drawing.sectionMap = SectionEntry("AcDb:Far", uint64_t{1} << 50, 4,
                                      {{0, 4, 10, 10}, {uint64_t{1} << 45, 4, 10, 10}});
    std::string bytes = drawing.Bytes();
    Opened opened(bytes);
    ASSERT_NE(opened.container, nullptr);
    std::unique_ptr<ByteSource> section = opened.container->OpenSection("AcDb:Far");
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(section->Size(), 256 * bytes.size());
}

// The AC1021 drawings of the fixtures folder, one instance each.
class R2007Fixture : public testing::TestWithParam<std::filesystem::path> {};

TEST_P(R2007Fixture, SectionsReadWholeAndTheObjectMapPointsIntoTheObjects) {
    // The data sizes the section maps of the known drawings give.
    const std::map<std::string, std::map<std::string, uint64_t>> knownSizes = {
        {"libredwg_2007_Text.dwg",
         {{"AcDb:Handles", 680}, {"AcDb:AcDbObjects", 201741}, {"AcDb:Classes", 1855}}},
        {"libredwg_example_2007.dwg",
         {{"AcDb:Handles", 1739}, {"AcDb:AcDbObjects", 417109}, {"AcDb:Classes", 4538}}},
    };
    const std::filesystem::path& path = GetParam();
    std::string name = path.filename().string();
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
    MemorySource handleSource({handles.data(), handles.size()});
    CachedReader handleReader(handleSource);
    ObjectMapReader mapReader(handleReader, 0);
    std::vector<ObjectMapEntry> map;
    for (ObjectMapEntry entry; mapReader.Next(entry);) map.push_back(entry);
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

INSTANTIATE_TEST_SUITE_P(Fixtures, R2007Fixture, testing::ValuesIn(DwgFixturePaths({"AC1021"})),
                         FixtureTestName);
// Without the fixtures folder there is no drawing to instantiate it with.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(R2007Fixture);

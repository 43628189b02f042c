#include "dwg/object_map.h"

#include <gtest/gtest.h>

#include "tests/dwg/object_builder.h"
#include "tests/test_support.h"

using dwg_testing::DwgFileBuilder;
using dwg_testing::PieceSource;
using testing_support::Hex;

namespace {

// The map at `offset` of `bytes`, read through a source that serves pieces.
std::vector<ObjectMapEntry> ReadObjectMap(const std::string& bytes, uint64_t offset) {
    PieceSource source(bytes);
    CachedReader reader(source);
    ObjectMapReader map(reader, offset);
    std::vector<ObjectMapEntry> entries;
    for (ObjectMapEntry entry; map.Next(entry);) entries.push_back(entry);
    ObjectMapEntry after;
    EXPECT_FALSE(map.Next(after));  // the end stays the end
    return entries;
}

std::optional<uint64_t> MapOffset(const std::string& header) {
    PieceSource source(header);
    return ReadSectionLocators(source).objectMap;
}

// A header with the given locator records (number, seeker), then `tail`.
std::string Header(std::vector<std::pair<uint8_t, uint32_t>> records, uint32_t count) {
    std::string file = "AC1014";
    file.resize(21, '\0');
    DwgFileBuilder::AppendLe32(file, count);
    for (auto [number, seeker] : records) {
        file += static_cast<char>(number);
        DwgFileBuilder::AppendLe32(file, seeker);
        DwgFileBuilder::AppendLe32(file, 0x100);
    }
    return file;
}

std::vector<int64_t> Locations(const std::vector<ObjectMapEntry>& entries) {
    std::vector<int64_t> locations;
    for (const ObjectMapEntry& entry : entries) locations.push_back(entry.location);
    return locations;
}

std::string Section(std::string_view pairs) {
    std::string out;
    DwgFileBuilder::AppendSection(out, pairs);
    return out;
}

}  // namespace

TEST(ReadSectionLocators, LastRecordNumberedTwoGivesTheMap) {
    EXPECT_EQ(MapOffset(Header({{0, 5}, {2, 77}, {1, 9}}, 3)), 77u);
    EXPECT_EQ(MapOffset(Header({{2, 10}, {2, 20}}, 2)), 20u);
    // Only the counted records are looked at.
    EXPECT_EQ(MapOffset(Header({{2, 10}, {2, 20}}, 1)), 10u);
}

TEST(ReadSectionLocators, NoMapWithoutARecordTwoOrWhenCountsOverrunTheFile) {
    EXPECT_EQ(MapOffset(Header({{0, 5}, {1, 9}}, 2)), std::nullopt);
    EXPECT_EQ(MapOffset(Header({{2, 5}}, 2)), std::nullopt);
    EXPECT_EQ(MapOffset(Header({{2, 5}}, 0xFFFFFFFF)), std::nullopt);
    EXPECT_EQ(MapOffset(std::string("AC1014")), std::nullopt);
}

TEST(ReadObjectMap, LocationsAreRunningSumsRestartingInEachSection) {
    std::string map = Section(Hex("01 E4 00  01 0A  02 7B")) +  // 100, +10, -59
                      Section(Hex("05 E8 07")) +                // 1000 from 0 again
                      Section("");
    std::vector<ObjectMapEntry> entries = ReadObjectMap(map, 0);
    EXPECT_EQ(Locations(entries), (std::vector<int64_t>{100, 110, 51, 1000}));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[3].ordinal, 3);
    EXPECT_EQ(entries[2].handleOffset, 2u);
    EXPECT_EQ(entries[3].handleOffset, 5u);
}

TEST(ReadObjectMap, FirstSectionOfSizeTwoIsReadAsASection) {
    std::string map = Section("") + Section(Hex("01 10")) + Section("");
    EXPECT_EQ(Locations(ReadObjectMap(map, 0)), (std::vector<int64_t>{16}));
    std::string empty = Section("") + Section("") + Section(Hex("01 10"));
    EXPECT_TRUE(ReadObjectMap(empty, 0).empty());
}

TEST(ReadObjectMap, MapStartsAtItsOffset) {
    std::string file = "junk" + Section(Hex("01 20")) + Section("");
    EXPECT_EQ(Locations(ReadObjectMap(file, 4)), (std::vector<int64_t>{32}));
    EXPECT_TRUE(ReadObjectMap(file, 1000).empty());
}

TEST(ReadObjectMap, SectionWithOneSpareByteHoldsNoPairs) {
    std::string map = Section(Hex("7F")) + Section(Hex("01 10")) + Section("");
    EXPECT_EQ(Locations(ReadObjectMap(map, 0)), (std::vector<int64_t>{16}));
}

TEST(ReadObjectMap, MapsThatNeverEndStopAtTheEndOfTheFile) {
    // No closing section: the sections run to the end of the file.
    std::string open = Section(Hex("01 10")) + Section(Hex("01 20"));
    EXPECT_EQ(Locations(ReadObjectMap(open, 0)), (std::vector<int64_t>{16, 32}));
    // A size that reaches past the end: pairs are read up to the end.
    std::string cut = Hex("10 00  01 10  01 81");
    EXPECT_EQ(Locations(ReadObjectMap(cut, 0)), (std::vector<int64_t>{16}));
    // A first section smaller than its size field.
    EXPECT_TRUE(ReadObjectMap(Hex("00 01 01 10 00 02"), 0).empty());
    // Every byte 0xFF: one long modular char, then nothing.
    std::string ones(5000, '\xFF');
    EXPECT_TRUE(ReadObjectMap(ones, 0).empty());
}

TEST(ReadSectionLocators, RecordOneGivesTheClasses) {
    PieceSource source(Header({{1, 9}, {2, 77}, {1, 44}}, 3));
    SectionLocators locators = ReadSectionLocators(source);
    EXPECT_EQ(locators.classes, 44u);
    EXPECT_EQ(locators.objectMap, 77u);
    // More records than any writer makes: none is read.
    std::vector<std::pair<uint8_t, uint32_t>> many(257, {2, 77});
    PieceSource tooMany(Header(many, 257));
    EXPECT_EQ(ReadSectionLocators(tooMany).objectMap, std::nullopt);
}

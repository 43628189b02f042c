#include "dwg/r2007_maps.h"

#include <gtest/gtest.h>

#include "tests/dwg/r2007_builder.h"

using r2007_testing::Interleave;
using r2007_testing::Le64;
using r2007_testing::Utf16;

namespace {

ByteView View(const std::string& bytes) { return AsBytes(bytes); }

// The coded bytes at 0x80: a 32-byte prefix whose length at 24 is
// `compressedLength`, then `header`, in three codewords, with the room after.
std::string CodedHeader(const std::string& header, int32_t compressedLength) {
    std::string prefix(32, '\0');
    for (int k = 0; k < 4; ++k) prefix[24 + k] = static_cast<char>(compressedLength >> (8 * k));
    std::string coded = Interleave(prefix + header, 239, 3);
    coded.resize(kR2007FileHeaderBytes, '\0');
    return coded;
}

std::string SectionEntry(uint64_t size, std::string_view name, uint64_t encoding,
                         const std::vector<std::vector<uint64_t>>& pages) {
    std::string name16 = name.empty() ? "" : Utf16(name);
    std::string entry = Le64(size) + Le64(0x7400) + Le64(0) + Le64(0x1234) + Le64(name16.size()) +
                        Le64(0) + Le64(encoding) + Le64(pages.size()) + name16;
    for (const auto& page : pages) {
        // Section offset, page size, id, data size, compressed size, checksum, CRC.
        for (uint64_t field : page) entry += Le64(field);
    }
    return entry;
}

}  // namespace

TEST(ReadR2007FileHeader, DamageGivesNothing) {
    std::string header(0x110, '\0');
    std::string coded = CodedHeader(header, 0);
    EXPECT_TRUE(ReadR2007FileHeader(View(coded)).has_value());
    EXPECT_FALSE(ReadR2007FileHeader(View(coded.substr(0, 3 * 255 - 1))).has_value());
    // A compressed length past the codewords' data, and data that does not
    // decompress (a run of 8 literal bytes with none there).
    EXPECT_FALSE(ReadR2007FileHeader(View(CodedHeader(header, 3 * 239 - 31))).has_value());
    EXPECT_FALSE(ReadR2007FileHeader(View(CodedHeader(header, 1))).has_value());
}

TEST(ReadR2007PageMap, LaysPagesOneAfterAnotherAndFindsThemById) {
    std::string map = Le64(0x400) + Le64(7) + Le64(0x100) + Le64(uint64_t(-3)) + Le64(0x200) +
                      Le64(2) + Le64(0x80) + Le64(7) + "\1\2\3\4\5\6\7\x08";
    std::optional<std::vector<R2007PageLocation>> pages = ReadR2007PageMap(View(map));
    ASSERT_TRUE(pages.has_value());
    EXPECT_EQ(pages->size(), 4u);  // the trailing 8 bytes are no entry
    const R2007PageLocation* seven = FindR2007Page(*pages, 7);
    ASSERT_NE(seven, nullptr);
    EXPECT_EQ(seven->fileOffset, 0x480u);  // the first of the two
    EXPECT_EQ(seven->size, 0x400u);
    const R2007PageLocation* two = FindR2007Page(*pages, 2);
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->fileOffset, 0x480u + 0x400 + 0x100);  // after the free page
    EXPECT_EQ(FindR2007Page(*pages, -3), nullptr);
    EXPECT_EQ(FindR2007Page(*pages, 0), nullptr);
    EXPECT_EQ(FindR2007Page(*pages, 5), nullptr);
}

TEST(ReadR2007PageMap, ANegativeOrOverflowingSizeIsDamage) {
    EXPECT_FALSE(ReadR2007PageMap(View(Le64(0x100) + Le64(1) + Le64(uint64_t(-1)) + Le64(2))));
    EXPECT_FALSE(ReadR2007PageMap(
        View(Le64(uint64_t{1} << 61) + Le64(1) + Le64(uint64_t{1} << 61) + Le64(2))));
    EXPECT_TRUE(ReadR2007PageMap(View("")).has_value());
}

TEST(ReadR2007SectionMap, ReadsEachSectionWithItsNameAndPages) {
    std::string map =
        SectionEntry(100, "AcDb:Handles", 4,
                     {{0, 0x7400, 15, 60, 30, 0, 0}, {60, 0x7400, 16, 40, 40, 0, 0}}) +
        SectionEntry(6, "AcDb:\xE9t\xE9", 1, {{0, 0x80, 3, 6, 6, 0, 0}}) +
        SectionEntry(0, "", 4, {}) + std::string(63, '\0');
    std::optional<std::vector<R2007Section>> sections = ReadR2007SectionMap(View(map));
    ASSERT_TRUE(sections.has_value());
    ASSERT_EQ(sections->size(), 3u);  // the trailing 63 bytes are no section
    const R2007Section& handles = (*sections)[0];
    EXPECT_EQ(handles.name, "AcDb:Handles");
    EXPECT_EQ(handles.size, 100u);
    EXPECT_EQ(handles.encoding, 4u);
    ASSERT_EQ(handles.pages.size(), 2u);
    EXPECT_EQ(handles.pages[1].sectionOffset, 60u);
    EXPECT_EQ(handles.pages[1].id, 16);
    EXPECT_EQ(handles.pages[1].size, 40u);
    EXPECT_EQ(handles.pages[0].compressedSize, 30u);
    // Characters beyond ASCII are never asked for.
    EXPECT_EQ((*sections)[1].name, "AcDb:\xFFt\xFF");
    EXPECT_EQ((*sections)[1].encoding, 1u);
    EXPECT_EQ((*sections)[2].name, "");
}

TEST(ReadR2007SectionMap, ANameOrPagesPastTheEndIsDamage) {
    std::string entry = SectionEntry(100, "AcDb:Handles", 4, {{0, 0x7400, 15, 60, 30, 0, 0}});
    EXPECT_FALSE(ReadR2007SectionMap(View(entry.substr(0, entry.size() - 1))).has_value());
    std::string longName = entry;
    longName.replace(0x20, 8, Le64(uint64_t{1} << 40));
    EXPECT_FALSE(ReadR2007SectionMap(View(longName)).has_value());
    std::string manyPages = entry;
    manyPages.replace(0x38, 8, Le64(UINT64_MAX / 8));
    EXPECT_FALSE(ReadR2007SectionMap(View(manyPages)).has_value());
}

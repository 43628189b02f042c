#include "dwg/paged_section.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Pages of `size` bytes whose data is the page number repeated; pages listed
// in `damaged` fail to decode. Counts the decodes.
struct FakePages {
    std::vector<SectionPage> pages;
    std::vector<uint32_t> damaged;
    int decodes = 0;

    PageDecoder Decoder() {
        return [this](const SectionPage& page, std::vector<uint8_t>& out) {
            ++decodes;
            for (uint32_t bad : damaged) {
                if (bad == page.pageNumber) return false;
            }
            out.assign(static_cast<size_t>(page.dataSize),
                       static_cast<uint8_t>('0' + page.pageNumber));
            return true;
        };
    }
};

std::string Text(ByteView view) {
    return std::string(reinterpret_cast<const char*>(view.data), view.size);
}

}  // namespace

TEST(PagedSection, ReadsAcrossPagesInSectionOrder) {
    FakePages fake;
    // Given out of order; page 3 overlaps page 1 and is dropped.
    fake.pages = {{4, 4, 0, 0, 1}, {0, 4, 0, 0, 0}, {8, 4, 0, 0, 2}, {6, 4, 0, 0, 3}};
    PagedSection section(fake.pages, 100, fake.Decoder());
    EXPECT_EQ(section.Size(), 12u);  // clipped at the end of the last page
    std::vector<uint8_t> scratch;
    EXPECT_EQ(Text(section.Read(2, 8, scratch)), "00111122");
    EXPECT_EQ(Text(section.Read(10, 99, scratch)), "22");
    EXPECT_EQ(section.Read(12, 1, scratch).size, 0u);
}

TEST(PagedSection, KeepsOnlyAFewPagesAndDecodesThemOnce) {
    FakePages fake;
    for (uint32_t k = 0; k < 8; ++k) fake.pages.push_back({k * 16, 16, 0, 0, k});
    PagedSection section(fake.pages, 128, fake.Decoder());
    std::vector<uint8_t> scratch;
    for (int round = 0; round < 3; ++round) section.Read(20, 4, scratch);
    EXPECT_EQ(fake.decodes, 1);
    section.Read(0, 128, scratch);  // the seven others once each
    EXPECT_EQ(fake.decodes, 8);
    // The last pages read are kept; the first ones made room for them.
    static_assert(PagedSection::kCachedPages < 8);
    section.Read(128 - 16 * PagedSection::kCachedPages, 16 * PagedSection::kCachedPages, scratch);
    EXPECT_EQ(fake.decodes, 8);
    EXPECT_EQ(Text(section.Read(0, 1, scratch)), "0");
    EXPECT_EQ(fake.decodes, 9);
}

TEST(PagedSection, ADamagedPageEndsTheSectionAtItsStart) {
    FakePages fake;
    fake.pages = {{0, 4, 0, 0, 0}, {4, 4, 0, 0, 1}, {8, 4, 0, 0, 2}};
    fake.damaged = {1};
    PagedSection section(fake.pages, 12, fake.Decoder());
    std::vector<uint8_t> scratch;
    EXPECT_EQ(Text(section.Read(2, 10, scratch)), "00");
    EXPECT_EQ(section.Read(8, 4, scratch).size, 0u);  // beyond the damage
}

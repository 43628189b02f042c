#include "dwg/r2004_container.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dwg/r2004_header.h"
#include "dwg/r2004_pages.h"
#include "tests/dwg/r2004_builder.h"

using namespace dwg_testing;

namespace {

std::string Pattern(size_t count, char first = 'a') {
    std::string bytes;
    for (size_t k = 0; k < count; ++k) bytes += static_cast<char>(first + k % 23);
    return bytes;
}

// The container opened over an exact-size copy of `bytes`, kept alive with it.
struct Opened {
    std::vector<uint8_t> copy;
    std::unique_ptr<MemorySource> source;
    std::unique_ptr<DwgContainer> container;

    explicit Opened(const std::string& bytes) : copy(bytes.begin(), bytes.end()) {
        source = std::make_unique<MemorySource>(ByteView{copy.data(), copy.size()});
        container = OpenR2004Container(*source);
    }

    // The section's whole data as read, or "<none>" when it does not open.
    std::string Section(std::string_view name) {
        std::unique_ptr<ByteSource> section = container->OpenSection(name);
        if (!section) return "<none>";
        std::vector<uint8_t> scratch;
        ByteView data = section->Read(0, static_cast<size_t>(section->Size()), scratch);
        return std::string(reinterpret_cast<const char*>(data.data), data.size);
    }
};

std::vector<TestSection> TwoSections() {
    return {{"AcDb:Handles", 4, Pattern(150), 64},
            {"AcDb:Preview", 10, Pattern(100, 'A'), 0x80, /*compression=*/1}};
}

void FlipByte(std::string& bytes, uint64_t at) { bytes[at] = static_cast<char>(bytes[at] ^ 0x5A); }

}  // namespace

TEST(R2004FileHeader, MaskIsThePublishedSequence) {
    uint8_t bytes[8] = {};
    MaskR2004Header(bytes, sizeof bytes);
    const uint8_t published[8] = {0x29, 0x23, 0xBE, 0x84, 0xE1, 0x6C, 0xD6, 0xAE};
    EXPECT_EQ(std::string(bytes, bytes + 8), std::string(published, published + 8));
}

TEST(R2004FileHeader, ReadsTheMaskedFieldsAndFallsBackToTheCopyAtTheEnd) {
    std::string file = "AC1018";
    file.resize(0x80, '\0');
    file += MaskedHeader(PlainHeader(0x1234, 7));
    file.resize(0x200, '\0');
    std::string copy = MaskedHeader(PlainHeader(0x5678, 9));
    MemorySource source(AsBytes(file));
    std::optional<R2004FileHeader> header = ReadR2004FileHeader(source);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->pageMapOffset, 0x1234u);
    EXPECT_EQ(header->sectionMapId, 7u);

    // A header whose CRC fails gives way to the copy at the end when that one's holds.
    FlipByte(file, 0x80 + 0x5C);
    std::string withCopy = file + copy;
    MemorySource fallback(AsBytes(withCopy));
    header = ReadR2004FileHeader(fallback);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->sectionMapId, 9u);
    // Without a good copy, the first header is still read when its id is right.
    MemorySource alone(AsBytes(file));
    header = ReadR2004FileHeader(alone);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->sectionMapId, 7u ^ 0x5Au);
    // No id, no header.
    FlipByte(file, 0x80);
    MemorySource noId(AsBytes(file));
    EXPECT_FALSE(ReadR2004FileHeader(noId));
}

TEST(ReadR2004DataPage, UnmasksEachWordWithTheMaskOfItsOffset) {
    // A stored page at 0x1A2B3C, in an exact-size copy of the file.
    const uint64_t at = 0x1A2B3C;
    const std::string page = DataPage(at, 7, 0x7400, "data");
    auto read = [&page](uint64_t offset, uint64_t extent, const R2004DataPageExpectation& expect) {
        std::vector<uint8_t> file(static_cast<size_t>(offset), 0);
        file.insert(file.end(), page.begin(), page.end());
        MemorySource source({file.data(), file.size()});
        std::vector<uint8_t> scratch, out;
        if (!ReadR2004DataPage(source, offset, extent, expect, scratch, out))
            return std::string("<damaged>");
        return std::string(out.begin(), out.end());
    };
    const R2004DataPageExpectation expect{
        .sectionId = 7, .startOffset = 0x7400, .compressed = false, .pageSize = 4};
    EXPECT_EQ(read(at, page.size(), expect), "data");
    // The header says which section and where in it: the map must say the same.
    R2004DataPageExpectation otherSection = expect;
    otherSection.sectionId = 8;
    EXPECT_EQ(read(at, page.size(), otherSection), "<damaged>");
    R2004DataPageExpectation otherStart = expect;
    otherStart.startOffset = 0x7500;
    EXPECT_EQ(read(at, page.size(), otherStart), "<damaged>");
    // Its data size: four bytes that the page's extent must hold.
    EXPECT_EQ(read(at, page.size() - 1, expect), "<damaged>");
    // Masked for its own offset: the same bytes one further on are no page.
    EXPECT_EQ(read(at + 1, page.size(), expect), "<damaged>");
}

TEST(R2004Container, ReadsEachSectionAcrossItsPages) {
    Opened opened(BuildR2004File(TwoSections()).bytes);
    ASSERT_TRUE(opened.container);
    EXPECT_EQ(opened.Section("AcDb:Handles"), Pattern(150));       // three compressed pages
    EXPECT_EQ(opened.Section("AcDb:Preview"), Pattern(100, 'A'));  // one stored page
    std::unique_ptr<ByteSource> handles = opened.container->OpenSection("AcDb:Handles");
    std::vector<uint8_t> scratch;
    ByteView middle = handles->Read(60, 10, scratch);  // across a page boundary
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(middle.data), middle.size),
              Pattern(150).substr(60, 10));
    EXPECT_EQ(opened.Section("AcDb:Classes"), "<none>");
    EXPECT_EQ(opened.Section(""), "<none>");
}

TEST(R2004Container, SectionsItCannotReadDoNotOpen) {
    std::vector<TestSection> sections = TwoSections();
    sections[0].encrypted = 1;
    sections[1].compression = 3;
    sections.push_back({"AcDb:Classes", 3, Pattern(10), 16, 2, 0, 0x7FFFFFFF});  // over the cap
    Opened opened(BuildR2004File(sections).bytes);
    ASSERT_TRUE(opened.container);
    EXPECT_EQ(opened.Section("AcDb:Handles"), "<none>");
    EXPECT_EQ(opened.Section("AcDb:Preview"), "<none>");
    EXPECT_EQ(opened.Section("AcDb:Classes"), "<none>");
}

TEST(R2004Container, ADamagedDataPageEndsItsSectionThere) {
    R2004File file = BuildR2004File(TwoSections());
    std::string bytes = file.bytes;
    FlipByte(bytes, file.pageOffsets[2] + 40);  // data of the second page: its checksum fails
    EXPECT_EQ(Opened(bytes).Section("AcDb:Handles"), Pattern(64));

    bytes = file.bytes;
    FlipByte(bytes, file.pageOffsets[3] + 4);  // header of the third page: another section id
    EXPECT_EQ(Opened(bytes).Section("AcDb:Handles"), Pattern(128));

    // A page whose stream runs past its data, with checksums that match.
    std::string stream = LiteralLength(64) + Pattern(60);
    bytes = file.bytes;
    bytes.replace(file.pageOffsets[1], 32 + stream.size(),
                  DataPage(file.pageOffsets[1], 4, 0, stream));
    EXPECT_EQ(Opened(bytes).Section("AcDb:Handles"), "");
}

TEST(R2004Container, ADamagedMapGivesNothing) {
    R2004File file = BuildR2004File(TwoSections(), /*headerCopyAtEnd=*/false);
    ASSERT_TRUE(Opened(file.bytes).container);
    std::string bytes = file.bytes;
    FlipByte(bytes, file.sectionMapOffset + 30);  // section map data: its checksum fails
    EXPECT_FALSE(Opened(bytes).container);
    bytes = file.bytes;
    FlipByte(bytes, file.pageMapOffset);  // page map type
    EXPECT_FALSE(Opened(bytes).container);
    bytes = file.bytes;
    FlipByte(bytes, 0x80 + 3);  // header id
    EXPECT_FALSE(Opened(bytes).container);
    EXPECT_FALSE(Opened(file.bytes.substr(0, file.pageMapOffset + 10)).container);
    EXPECT_FALSE(Opened("AC1018").container);
}

TEST(R2004Container, HostileCountsAndSizesAllocateNothing) {
    // A file whose only pages are a section map stating `count` sections and the page map.
    auto withSectionCount = [](uint32_t count) {
        std::string map(20, '\0');
        PutLe32(map, 0, count);
        std::string bytes = "AC1018";
        bytes.resize(0x100, '\0');
        bytes += SystemPage(0x4163003B, map);
        std::string pageMap;
        PutLe32(pageMap, 0, 1);
        PutLe32(pageMap, 4, static_cast<uint32_t>(bytes.size() - 0x100));
        PutLe32(pageMap, 8, 2);
        PutLe32(pageMap, 12, 0x1000);
        uint64_t pageMapOffset = bytes.size();
        bytes += SystemPage(0x41630E3B, pageMap);
        std::string header = MaskedHeader(PlainHeader(pageMapOffset, 1));
        bytes.replace(0x80, header.size(), header);
        return bytes;
    };
    EXPECT_TRUE(Opened(withSectionCount(0)).container);
    EXPECT_FALSE(Opened(withSectionCount(1)).container);
    EXPECT_FALSE(Opened(withSectionCount(0xFFFFFFFF)).container);

    // A section that claims a terabyte holds what its pages can hold.
    std::vector<TestSection> sections = TwoSections();
    sections[0].statedSize = uint64_t{1} << 40;
    Opened huge(BuildR2004File(sections).bytes);
    ASSERT_TRUE(huge.container);
    EXPECT_EQ(huge.container->OpenSection("AcDb:Handles")->Size(), 3u * 64);

    // Pages may carry bytes after their stream, but no more than a page can take.
    sections = TwoSections();
    sections[0].junkAfterStream = 20;
    EXPECT_EQ(Opened(BuildR2004File(sections).bytes).Section("AcDb:Handles"), Pattern(150));
    sections[0].junkAfterStream = 200;
    EXPECT_EQ(Opened(BuildR2004File(sections).bytes).Section("AcDb:Handles"), "");

    // A page map whose page claims to decompress to 4 GiB.
    R2004File file = BuildR2004File(TwoSections(), false);
    std::string bytes = file.bytes;
    PutLe32(bytes, file.pageMapOffset + 4, 0xFFFFFFFF);
    EXPECT_FALSE(Opened(bytes).container);
}

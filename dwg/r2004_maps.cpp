#include "dwg/r2004_maps.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint64_t kFirstPageOffset = 0x100;
constexpr size_t kPageEntrySize = 8;
constexpr size_t kGapExtraSize = 16;  // parent, left, right, 0

constexpr size_t kSectionMapHeaderSize = 20;
constexpr size_t kSectionNumbersSize = 32;
constexpr size_t kSectionNameSize = 64;
constexpr size_t kSectionInfoSize = kSectionNumbersSize + kSectionNameSize;
constexpr size_t kSectionPageSize = 16;

}  // namespace

std::vector<R2004PageLocation> ParseR2004PageMap(ByteView map) {
    std::vector<R2004PageLocation> pages;
    uint64_t offset = kFirstPageOffset;
    for (size_t pos = 0; map.size - pos >= kPageEntrySize;) {
        auto number = static_cast<int32_t>(ReadLe32At(map, pos));
        uint32_t size = ReadLe32At(map, pos + 4);
        pos += kPageEntrySize;
        if (number >= 0) {
            pages.push_back({number, offset, size});
        } else {
            if (map.size - pos < kGapExtraSize) break;
            pos += kGapExtraSize;
        }
        offset += size;  // at most 2^29 entries of 32-bit sizes: no overflow
    }
    std::stable_sort(
        pages.begin(), pages.end(),
        [](const R2004PageLocation& a, const R2004PageLocation& b) { return a.number < b.number; });
    pages.erase(std::unique(pages.begin(), pages.end(),
                            [](const R2004PageLocation& a, const R2004PageLocation& b) {
                                return a.number == b.number;
                            }),
                pages.end());
    return pages;
}

const R2004PageLocation* FindR2004Page(const std::vector<R2004PageLocation>& pages,
                                       int32_t number) {
    auto it =
        std::lower_bound(pages.begin(), pages.end(), number,
                         [](const R2004PageLocation& page, int32_t n) { return page.number < n; });
    return it != pages.end() && it->number == number ? &*it : nullptr;
}

std::optional<std::vector<R2004SectionInfo>> ParseR2004SectionMap(ByteView map) {
    if (map.size < kSectionMapHeaderSize) return std::nullopt;
    uint32_t count = ReadLe32At(map, 0);
    size_t pos = kSectionMapHeaderSize;
    // Each section takes at least its numbers and name.
    if (count > (map.size - pos) / kSectionInfoSize) return std::nullopt;
    std::vector<R2004SectionInfo> sections(count);
    for (R2004SectionInfo& section : sections) {
        if (map.size - pos < kSectionInfoSize) return std::nullopt;
        section.size = ReadLe64At(map, pos);
        uint32_t pageCount = ReadLe32At(map, pos + 8);
        section.maxPageSize = ReadLe32At(map, pos + 12);
        section.compression = ReadLe32At(map, pos + 20);
        section.id = ReadLe32At(map, pos + 24);
        section.encrypted = ReadLe32At(map, pos + 28);
        const auto* name = reinterpret_cast<const char*>(map.data + pos + kSectionNumbersSize);
        const void* nul = std::memchr(name, 0, kSectionNameSize);
        section.name.assign(
            name, nul != nullptr ? static_cast<const char*>(nul) - name : kSectionNameSize);
        pos += kSectionInfoSize;
        if (pageCount > (map.size - pos) / kSectionPageSize) return std::nullopt;
        section.pages.resize(pageCount);
        for (R2004SectionPageRef& page : section.pages) {
            page.pageNumber = static_cast<int32_t>(ReadLe32At(map, pos));
            page.dataSize = ReadLe32At(map, pos + 4);
            page.startOffset = ReadLe64At(map, pos + 8);
            pos += kSectionPageSize;
        }
    }
    return sections;
}

#include "dwg/r2007_maps.h"

#include <algorithm>

#include "dwg/lz77_2007.h"
#include "dwg/reed_solomon_2007.h"

namespace {

constexpr size_t kHeaderCodewords = 3;
constexpr size_t kHeaderDataBytes = 239;
constexpr size_t kHeaderPrefixBytes = 32;  // CRC, key, CRC, compressed length, length
constexpr size_t kHeaderCompressedLengthAt = 24;
constexpr size_t kHeaderBytes = 0x110;

constexpr size_t kPageMapEntryBytes = 16;
constexpr size_t kSectionFieldsBytes = 64;
constexpr size_t kSectionPageBytes = 56;
constexpr uint64_t kOffsetLimit = uint64_t{1} << 62;

// The section name: UTF-16LE code units up to the first 0 or the end.
std::string SectionName(ByteView bytes) {
    std::string name;
    for (size_t at = 0; at + 1 < bytes.size; at += 2) {
        uint32_t unit = ReadLe16At(bytes, at);
        if (unit == 0) break;
        name.push_back(unit < 0x80 ? static_cast<char>(unit) : '\xFF');
    }
    return name;
}

}  // namespace

std::optional<R2007FileHeader> ReadR2007FileHeader(ByteView coded) {
    std::vector<uint8_t> data;
    if (!DeinterleaveReedSolomon(coded, kHeaderCodewords, kHeaderDataBytes, data)) {
        return std::nullopt;
    }
    ByteView decoded{data.data(), data.size()};
    // 32-bit length, signed: above 0 the header is compressed into that many bytes.
    auto compressedLength = static_cast<int32_t>(ReadLe32At(decoded, kHeaderCompressedLengthAt));
    std::vector<uint8_t> header;
    if (compressedLength > 0) {
        if (static_cast<size_t>(compressedLength) > data.size() - kHeaderPrefixBytes) {
            return std::nullopt;
        }
        if (!DecompressLz77R2007(
                {data.data() + kHeaderPrefixBytes, static_cast<size_t>(compressedLength)},
                kHeaderBytes, header)) {
            return std::nullopt;
        }
    } else {
        header.assign(data.begin() + kHeaderPrefixBytes,
                      data.begin() + kHeaderPrefixBytes + kHeaderBytes);
    }
    ByteView fields{header.data(), header.size()};
    R2007FileHeader h;
    h.pageMapCorrection = ReadLe64At(fields, 0x18);
    h.pageMapOffset = ReadLe64At(fields, 0x38);
    h.pageMapCompressedSize = ReadLe64At(fields, 0x50);
    h.pageMapSize = ReadLe64At(fields, 0x58);
    h.sectionMapCompressedSize = ReadLe64At(fields, 0xB0);
    h.sectionMapPageId = static_cast<int64_t>(ReadLe64At(fields, 0xC0));
    h.sectionMapSize = ReadLe64At(fields, 0xC8);
    h.sectionMapCorrection = ReadLe64At(fields, 0xD8);
    return h;
}

std::optional<std::vector<R2007PageLocation>> ReadR2007PageMap(ByteView data) {
    std::vector<R2007PageLocation> pages;
    pages.reserve(data.size / kPageMapEntryBytes);
    uint64_t offset = kR2007FirstPageAt;
    for (size_t at = 0; data.size - at >= kPageMapEntryBytes; at += kPageMapEntryBytes) {
        uint64_t size = ReadLe64At(data, at);
        auto id = static_cast<int64_t>(ReadLe64At(data, at + 8));
        if (size >= kOffsetLimit || kOffsetLimit - size < offset) return std::nullopt;
        pages.push_back({id, offset, size});
        offset += size;
    }
    std::stable_sort(
        pages.begin(), pages.end(),
        [](const R2007PageLocation& a, const R2007PageLocation& b) { return a.id < b.id; });
    return pages;
}

const R2007PageLocation* FindR2007Page(const std::vector<R2007PageLocation>& pages, int64_t id) {
    if (id <= 0) return nullptr;
    auto it = std::lower_bound(
        pages.begin(), pages.end(), id,
        [](const R2007PageLocation& page, int64_t wanted) { return page.id < wanted; });
    return it != pages.end() && it->id == id ? &*it : nullptr;
}

std::optional<std::vector<R2007Section>> ReadR2007SectionMap(ByteView data) {
    std::vector<R2007Section> sections;
    size_t at = 0;
    while (data.size - at >= kSectionFieldsBytes) {
        R2007Section section;
        section.size = ReadLe64At(data, at);
        uint64_t nameBytes = ReadLe64At(data, at + 0x20);
        section.encoding = ReadLe64At(data, at + 0x30);
        uint64_t pageCount = ReadLe64At(data, at + 0x38);
        at += kSectionFieldsBytes;
        if (nameBytes > data.size - at) return std::nullopt;
        section.name = SectionName({data.data + at, static_cast<size_t>(nameBytes)});
        at += static_cast<size_t>(nameBytes);
        if (pageCount > (data.size - at) / kSectionPageBytes) return std::nullopt;
        section.pages.resize(static_cast<size_t>(pageCount));
        for (R2007SectionPage& page : section.pages) {
            page.sectionOffset = ReadLe64At(data, at);
            page.id = static_cast<int64_t>(ReadLe64At(data, at + 0x10));
            page.size = ReadLe64At(data, at + 0x18);
            page.compressedSize = ReadLe64At(data, at + 0x20);
            at += kSectionPageBytes;
        }
        sections.push_back(std::move(section));
    }
    return sections;
}

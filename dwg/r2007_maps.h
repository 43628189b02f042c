#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bytes/byte_view.h"

// The maps of an AC1021 drawing: the file header at 0x80 says where the page
// map is; the page map says where each page is in the file; the section map,
// itself a page, lists each section's pages.

constexpr uint64_t kR2007FileHeaderAt = 0x80;
// The first page starts here; pages follow one another in page-map order.
constexpr uint64_t kR2007FirstPageAt = 0x480;
// The header's Reed-Solomon coded bytes at 0x80 (3 codewords, with room).
constexpr uint64_t kR2007FileHeaderBytes = 0x3D8;

// The fields of the file header that locate the two maps.
struct R2007FileHeader {
    uint64_t pageMapOffset = 0;  // from kR2007FirstPageAt
    uint64_t pageMapCompressedSize = 0;
    uint64_t pageMapSize = 0;
    uint64_t pageMapCorrection = 0;  // repeat count of the system page
    int64_t sectionMapPageId = 0;
    uint64_t sectionMapCompressedSize = 0;
    uint64_t sectionMapSize = 0;
    uint64_t sectionMapCorrection = 0;
};

// The file header from its coded bytes `coded` (those at 0x80): three
// interleaved codewords of 239 data bytes, whose data is a 32-byte prefix and
// the 0x110-byte header of 64-bit fields, compressed when the prefix's 32-bit
// length at 24 is above 0 (that many bytes), stored as they are otherwise.
// Nothing when the codewords do not fit in `coded` or the header does not
// decompress.
std::optional<R2007FileHeader> ReadR2007FileHeader(ByteView coded);

struct R2007PageLocation {
    int64_t id = 0;
    uint64_t fileOffset = 0;
    uint64_t size = 0;  // bytes it takes in the file
};

// The page map's entries, sorted by id (for FindR2007Page): 64-bit pairs of
// page size and page id, the pages laid one after another from
// kR2007FirstPageAt. Pages with ids of 0 or below are free space; they take
// their room but are never found. Trailing bytes short of an entry are
// ignored. Nothing when a size is negative or the offsets pass 2^62.
std::optional<std::vector<R2007PageLocation>> ReadR2007PageMap(ByteView data);

// The page `id` of a map ReadR2007PageMap gave (the first of equal ids), or
// nullptr.
const R2007PageLocation* FindR2007Page(const std::vector<R2007PageLocation>& pages, int64_t id);

struct R2007SectionPage {
    uint64_t sectionOffset = 0;  // where its data starts within the section
    int64_t id = 0;              // page id in the page map
    uint64_t size = 0;           // bytes of data
    uint64_t compressedSize = 0;
};

struct R2007Section {
    std::string name;  // ASCII; another character becomes 0xFF
    uint64_t size = 0;
    uint64_t encoding = 0;  // 4: the pages are Reed-Solomon coded
    std::vector<R2007SectionPage> pages;
};

// Section encoding whose pages are Reed-Solomon coded.
constexpr uint64_t kR2007ReedSolomonEncoding = 4;

// The section map's sections in map order. Each is eight 64-bit fields (data
// size, maximum page size, encryption, hash, name length in bytes, unknown,
// encoding, page count), its UTF-16LE name and its pages of seven 64-bit
// fields (section offset, page size, id, data size, compressed size,
// checksum, CRC). Trailing bytes short of a section are ignored.
//
// Nothing when a section's name or pages run past the end of `data`.
std::optional<std::vector<R2007Section>> ReadR2007SectionMap(ByteView data);

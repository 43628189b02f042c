#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bytes/byte_view.h"

// The two maps of a 2004-or-later drawing's container, each the decompressed
// data of a system page.

// Where a page lies in the file.
struct R2004PageLocation {
    int32_t number = 0;   // page number, unique in the file
    uint64_t offset = 0;  // file offset of the page
    uint32_t size = 0;    // bytes it takes in the file
};

// The page map: pairs of 32-bit (page number, size), the pages lying one
// after another from file offset 0x100. A negative number is a gap (unused
// bytes), followed by four more 32-bit words. Gives the pages sorted by
// number, the first of any repeated number; a trailing partial entry is
// ignored.
std::vector<R2004PageLocation> ParseR2004PageMap(ByteView map);

// The page numbered `number` in pages sorted by number, or nullptr.
const R2004PageLocation* FindR2004Page(const std::vector<R2004PageLocation>& pages, int32_t number);

// One page of a section, as the section map lists it.
struct R2004SectionPageRef {
    int32_t pageNumber = 0;    // in the page map
    uint32_t dataSize = 0;     // compressed bytes
    uint64_t startOffset = 0;  // where its data goes in the section
};

// A section as the section map describes it.
struct R2004SectionInfo {
    std::string name;  // "AcDb:Handles", ... (up to 64 bytes)
    uint64_t size = 0;
    uint32_t maxPageSize = 0;  // what each page decompresses to (0x7400 usually)
    uint32_t compression = 0;  // 1: stored, 2: compressed
    uint32_t id = 0;           // repeated in each data page's header
    uint32_t encrypted = 0;    // 1: encrypted (not readable here)
    std::vector<R2004SectionPageRef> pages;
};

// The section map: a 20-byte header (the section count first), then for each
// section 32 bytes of numbers (size 64-bit, page count, page size, unknown,
// compression, id, encryption), its 64-byte name, and 16 bytes a page (page
// number, data size, 64-bit start offset). Nothing when a count runs past the
// end of the map.
std::optional<std::vector<R2004SectionInfo>> ParseR2004SectionMap(ByteView map);

#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "bytes/byte_view.h"

// The object map of an R13 to R2000 drawing, which lists every object's file
// offset, and the header's section locators that say where it is.

// The file offset of the object map: the seeker of the last section-locator
// record numbered 2. The header holds the record count (32 bits at 21) and the
// 9-byte records from 25 (number, seeker RL, size RL). Nothing when the records
// do not fit in the file or none is numbered 2.
std::optional<size_t> ReadSectionLocators(ByteView file);

struct ObjectMapEntry {
    int32_t ordinal = 0;        // 0, 1, 2, ... over the whole map
    uint64_t handleOffset = 0;  // the pair's unsigned modular char (unused)
    int64_t location = 0;       // file offset: running sum within the section
};

// The map's entries in map order. A map section is a big-endian 16-bit size S
// (counting its two bytes), pairs of modular chars (unsigned handle offset,
// signed location offset) up to byte S, and a 2-byte CRC that is not checked.
// The first section is always read; a later one of size 2 or less ends the map.
//
// Damaged data: a section that runs past the end of the file, a modular char
// longer than five bytes, or a first section smaller than its size field ends
// the map; the entries before it are returned.
std::vector<ObjectMapEntry> ReadObjectMap(ByteView file, size_t offset);

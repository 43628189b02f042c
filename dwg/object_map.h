#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "bytes/byte_source.h"
#include "dwg/byte_fields.h"
#include "dwg/cached_reader.h"

// The object map, which lists every object's offset, and (R13 to R2000) the
// header's section locators that say where it and the classes are.

struct SectionLocators {
    std::optional<uint64_t> classes;    // record 1: the classes section
    std::optional<uint64_t> objectMap;  // record 2: the object map
};

// The file offsets of the classes and the object map: the seekers of the last
// section-locator records numbered 1 and 2. The header holds the record count
// (32 bits at 21) and the 9-byte records from 25 (number, seeker RL, size RL).
// Nothing when the records do not fit in the file or number more than 256
// (writers make 3 to 6).
SectionLocators ReadSectionLocators(ByteSource& file);

struct ObjectMapEntry {
    int32_t ordinal = 0;        // 0, 1, 2, ... over the whole map
    uint64_t handleOffset = 0;  // the pair's unsigned modular char (unused)
    int64_t location = 0;       // offset of the object: running sum within the section
};

// The map's entries in map order, one at a time, holding one map section in
// memory. A map section is a big-endian 16-bit size S (counting its two
// bytes), pairs of modular chars (unsigned handle offset, signed location
// offset) up to byte S, and a 2-byte CRC that is not checked. The first
// section is always read; a later one of size 2 or less ends the map. R13 to
// R2000 keep the map in the file; 2004 and later in the "AcDb:Handles"
// section, with offsets into "AcDb:AcDbObjects".
//
// Damaged data: a section that runs past the end of the source, a modular
// char longer than five bytes, or a first section smaller than its size field
// ends the map; the entries before it are given.
class ObjectMapReader {
  public:
    ObjectMapReader(CachedReader& source, uint64_t offset);

    // The next entry; false at the end of the map (and from then on).
    bool Next(ObjectMapEntry& entry);

  private:
    // Steps to the next section holding pairs; false at the end of the map.
    bool EnterSection();

    CachedReader& m_source;
    uint64_t m_sectionStart;
    bool m_first = true;
    bool m_done = false;
    bool m_inSection = false;
    size_t m_sectionSize = 0;
    std::vector<uint8_t> m_section;  // the section's bytes and the few after it
    ByteCursor m_cursor;
    int64_t m_location = 0;
    int32_t m_ordinal = 0;
};

#pragma once

#include <memory>

#include "bytes/byte_source.h"
#include "dwg/paged_section.h"

// The container of 2004-or-later drawings (AC1018, AC1024, AC1027, AC1032):
// reads the file header at 0x80, the page map and the section map, and gives
// each named section as a PagedSection over its data pages.
//
// `file` must outlive the container and every section it opened; sections
// read it with positioned reads when their pages are first needed.
//
// A section's Size() is the size the section map states, clipped at what its
// pages can hold (page count times page size) and at 256 times the file's
// size (more than LZ77 can expand to), so a hostile map cannot claim more.
// Sections whose pages are all zeros and left out of the file (which writers
// may do) are not supplied: their size is 0.
//
// Damage: a header without its id, or a page map or section map that is
// missing, fails its checksum, does not decompress or runs past its own end,
// gives nullptr. OpenSection gives nullptr for a name the map lacks and for a
// section it cannot read (encrypted, an unknown compression, or a page size
// over the caps in dwg/r2004_pages.h). A damaged data page (missing from the
// page map, a header that does not match, a bad checksum, data that does not
// decompress) ends its section at that page's start.
std::unique_ptr<DwgContainer> OpenR2004Container(ByteSource& file);

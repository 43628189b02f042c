#pragma once

#include <cstdint>
#include <string_view>

#include "dwg/cached_reader.h"
#include "dwg/dwg_version.h"
#include "dwg/file_header.h"

// The object type number that the classes section gives the class whose DXF
// name is `dxfName` ("MULTILEADER"), or 0 when the section lists no such
// class. R13 to R2000 keep the section in the file (section locator 1), 2004
// and later in "AcDb:Classes"; `offset` is where it starts in `source`.
//
// The section: a 16-byte sentinel, RL size of the class data, then the
// classes in a bit stream: BS number, BS flags, TV application, TV C++ class
// name, TV DXF name, B was a zombie, BS item class id. 2004 puts the highest
// class number (BS, RC, RC, B) before them and five numbers after each;
// 2007 moves the names to a string stream (after an RL size in bits), and
// 2010 (from maintenance release 4) and 2018 add an RL after the size.
//
// Damage (a wrong sentinel, sizes that run past the source or over 4 MiB,
// fields past the data) gives 0 or the classes read before it.
uint32_t FindClassType(CachedReader& source, uint64_t offset, DwgVersion version,
                       const DwgFileHeader& header, std::string_view dxfName);

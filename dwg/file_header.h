#pragma once

#include <cstdint>

#include "bytes/byte_source.h"
#include "bytes/code_pages.h"

// The fixed fields at the start of an R13-or-later DWG file (R13 to 2018 keep
// them unencrypted): the maintenance release numbers and the code page of the
// drawing's 8-bit text.
struct DwgFileHeader {
    uint8_t maintenance = 0;      // RC at 0x0B: maintenance release
    uint8_t appMaintenance = 0;   // RC at 0x12: the saving application's maintenance release
    uint16_t codePageNumber = 0;  // RS at 0x13: the DWG code-page number
};

// The header of `file`; zeros where the file is too short.
DwgFileHeader ReadDwgFileHeader(ByteSource& file);

// The encoding of a DWG code-page number, for the single-byte Windows pages
// the search converts (28 to 30 and 32 to 37: ANSI_1250 to ANSI_1257 and
// ANSI_874; 44: ANSI_1258). Every other number, 932 among them, gives Cp932:
// text kept as stored.
CodePage CodePageOfDwg(uint32_t number);

#pragma once

#include <string_view>

#include "extract/dxf_blocks.h"
#include "extract/dxf_entity_text.h"

// What a binary DXF starts with; its pairs follow at once.
inline constexpr std::string_view kBinaryDxfSentinel{"AutoCAD Binary DXF\r\n\x1a\0", 22};

// Reads the pairs of a binary DXF (`blocks` starting after the sentinel).
// A group code is 2 bytes little-endian from R13 on (`twoByteCodes`); in R12
// it is 1 byte, 255 announcing 2 more bytes. The value's type follows from
// the code: strings end in a zero byte, doubles take 8 bytes, integers 2, 4
// or 8 (booleans 290-299 one), binary chunks (310-319, 1004) a length byte
// and that many bytes. The strings that `text` wants are handed to it (cut at
// kDxfValueCap bytes); everything else is passed over. The reading ends at the
// end of the data (a last string without its zero byte counts) or when `text`
// says stop.
void ReadDxfBinaryPairs(DxfBlocks& blocks, bool twoByteCodes, DxfEntityText& text);

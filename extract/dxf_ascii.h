#pragma once

#include "extract/dxf_blocks.h"
#include "extract/dxf_entity_text.h"

// Reads an ASCII DXF as group-code/value pairs: a code line (a number, with
// any spaces before and after it) and a value line, each ended by CR LF or
// LF; a last line without its end counts. The pairs that `text` wants are
// handed to it with their value (cut at kDxfValueCap bytes; the rest of a
// longer line is passed over); the others are passed over without copying.
// The reading ends at the end of the data, at a code line that is not a number
// (garbage: the pairs before it count) or when `text` says stop.
void ReadDxfAsciiPairs(DxfBlocks& blocks, DxfEntityText& text);

#pragma once

#include "bytes/byte_source.h"
#include "bytes/extracted_text.h"

// Text of a JW_CAD JWC drawing ("jw_cad(c)data" at offset 0): the title
// (offsets 40-103, up to a zero byte) when it is not empty, as a JW_TITLE
// line, then every non-empty zero-terminated string of the text block, each a
// MOJI line. The block
// starts at 2421 + 22·c1 + 32·c2 + 24·c3 (+32 when byte 22 is 'f'), counts
// from the decimal line at 200, and holds b − a bytes, a and b from the
// hexadecimal line at 600. Spaces are kept.
// Another signature gives empty text. Header lines are read only as far as the
// data reaches; a block that starts outside the data or has a negative length
// gives the title alone; a block that runs past the end is read up to the end
// of the data. A string without its zero byte is never output.
// The header is read in one piece of 800 bytes and the text block in blocks
// (in place when the source holds the file in memory); a string is gathered
// across blocks and kept only as far as `out` can take it.
void ExtractJwcText(ByteSource& file, ExtractedText& out);

// Text of a JW_CAD JWK drawing ("jw_cad(c)sym" at offset 0): the title as in
// a JWC drawing, then the strings of the text block that starts at
// 400 + 22·c1 + 32·c2 + 12·c3 + 24·c4 and runs to the end of the file.
// Another signature gives empty text; a block that starts outside the data
// gives the title alone. Read as a JWC drawing is.
void ExtractJwkText(ByteSource& file, ExtractedText& out);

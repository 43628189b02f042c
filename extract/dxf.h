#pragma once

#include "bytes/byte_source.h"
#include "bytes/extracted_text.h"

// Text a person sees on a DXF drawing, ASCII or binary ("AutoCAD Binary
// DXF\r\n\x1a\0" at offset 0), read front to back as group-code/value pairs:
// the text of TEXT, MTEXT, ATTRIB, ATTDEF, DIMENSION, MULTILEADER and
// ACAD_TABLE entities of the ENTITIES and BLOCKS sections, in file order,
// each line with its kind, converted to CP932 (UTF-8 from AC1021 on, the
// $DWGCODEPAGE page before), spaces deleted (the rules are in
// dxf_entity_text.h). The file is walked in place when the source holds it in
// memory, and read in blocks of about 1 MiB otherwise; memory stays bounded
// whatever its size (a value is cut at 1 MiB, the output at `out`'s limit).
// Damaged data gives the lines found before the damage: the reading ends at
// a code line that is not a number, or at the end of the data.
void ExtractDxfText(ByteSource& file, ExtractedText& out);

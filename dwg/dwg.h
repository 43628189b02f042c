#pragma once

#include "bytes/byte_source.h"
#include "bytes/extracted_text.h"

// Text of a DWG drawing, by the version in its first six bytes (cut at the
// first zero byte): "AC1009" (R12) through ReadR12Text; "AC1012" and
// "AC1014" (R13/R14) and "AC1015" (R2000) through the object map and
// WalkDwgObjects; "AC1018", "AC1021", "AC1024", "AC1027" and "AC1032" (2004
// to 2018) through their containers' sections and ReadContainerText. Any
// other version, and a file shorter than six bytes, gives no lines. Each line carries the kind of
// entity it came from; text is CP932, converted from the drawing's code page where that is a
// single-byte Windows page.
//
// The file is read with positioned reads, a piece at a time; what a piece's
// size comes from the file is capped. Damaged data gives the lines found
// before the damage, or nothing; never a read outside `file`. Keeps no state:
// safe on several threads at once (each with its own source).
void ExtractDwgText(ByteSource& file, ExtractedText& out);

#pragma once

#include "bytes/byte_source.h"
#include "bytes/extracted_text.h"

// Text of a VectorWorks MCD drawing. The big-endian 32-bit version at offset 0
// (2382, 2082 or 2076) chooses a pair of 10-byte text-record tags and the text
// offset; the whole file is scanned for either tag, and each tag is a record
// whose 32-bit length, just before the tag, is little-endian for the first
// form of the tag and big-endian for the second. A record gives one line of
// the non-zero bytes from its text offset to its end (an MCD_TEXT line) when
// that line is not empty; the scan goes on after the record. Full-width and then ASCII
// spaces are deleted from the text at the end.
// Another version, or fewer than 4 bytes, gives empty text. A tag with no room
// for the length before it, or whose length is shorter than the text offset, is
// no record and the scan goes on at the next byte; a record that runs past the
// end of the data gives the text bytes up to the end.
// The file is scanned front to back in blocks (in place when the source holds
// it in memory); a record's text is gathered across blocks and kept only as
// far as `out` can take it.
void ExtractMcdText(ByteSource& file, ExtractedText& out);

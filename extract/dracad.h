#pragma once

#include <cstdint>

#include "bytes/byte_source.h"
#include "bytes/extracted_text.h"
#include "bytes/source_window.h"

// The readers walk their files through a SourceWindow: front to back in
// blocks (in place when the source holds the file in memory), a string or a
// line gathered across blocks and kept only as far as `out` can take it.

// The text items of a DraCAD record chain at `base`: 64-byte records from
// base + the little-endian 32-bit offset at base + 36, up to a record of kind
// 0xFF. A record of kind 5 or 20 starts a text item of three head records;
// the continuation records (kind 0xFE) after them hold its strings at bytes
// 16-63, each up to its first zero byte or all 48 bytes. Each item whose
// strings are not all empty gives one line of them joined, + CR LF. Spaces are
// kept.
// The walk ends at the end of the data when no end record comes first, and
// then gives the items read before it; a string cut off by the end of the data
// gives its bytes up to there. A chain start outside the data gives empty text.
void WalkMpxRecords(SourceWindow& file, uint64_t base, ExtractedText& out);

// Text of a DraCAD MPX drawing: the record chain at the start of the file.
void ExtractMpxText(ByteSource& file, ExtractedText& out);

// Text of a DraCAD MPZ drawing: the record chain at the first "DRACAD for
// Windows" in the file; without it, empty text.
void ExtractMpzText(ByteSource& file, ExtractedText& out);

// Text of a DraCAD MPP drawing: one line, + CR LF, for each entry of type 5 or
// 6 of the entry table at 1024, even when it is empty. The line takes the
// characters of the entry's columns from the six character planes after the
// table, column by column and plane 1 to 6 within a column. A cell with a high
// byte is a JIS X 0208 code, given as its Shift-JIS pair; a cell of one low
// byte gives that byte; a zero cell gives nothing. Spaces are kept.
// A cell whose high byte is not zero but whose two bytes are not both in
// 0x21-0x7E is no JIS X 0208 code and gives nothing; so do cells beyond the end
// of the data. A table that reaches the end of the data without its end word
// 0xFFFF has no planes and gives empty text. The table and each plane are
// read front to back through windows of their own.
void ExtractMppText(ByteSource& file, ExtractedText& out);

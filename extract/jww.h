#pragma once

#include "bytes/byte_source.h"
#include "bytes/extracted_text.h"

// Text of a JW_CAD for Windows drawing ("JwwData." and a 32-bit data version
// at offset 0, versions 351 to 700), read front to back through `file` in
// blocks, in file order:
//   - the drawing's memo, as JW_MEMO lines;
//   - every text object ("CDataMoji") of the drawing's object list, as MOJI
//     lines, and every dimension's text ("CDataSunpou"), as JW_DIMENSION lines;
//   - for each block definition ("CDataList"), the name it is listed under, as
//     a JW_BLOCK line (without the "@@SfigorgFlag@@..." that JW_CAD appends
//     to the names of blocks from its symbol library), then the texts and
//     dimensions of its own object list, as MOJI and JW_DIMENSION lines.
// Strings are CP932 as stored, spaces kept; strings stored as UTF-16LE are
// converted to CP932. A string with line breaks gives one line per piece;
// empty strings give no line. Font names are not text, and neither is a text
// object that places an image ("^@BM" and the image's file), whose image data
// at the end of the file is never read.
//
// Nothing says where the text is: the reader walks the header and every
// object with its class's fields. Another signature or version gives empty
// text. An unknown class, a reference to an index that holds nothing (or a
// class where an object belongs, or an object where a class belongs), a count
// or string length that the rest of the file cannot hold, a string kept as a
// line that is over 1 MiB, or the end of the data stops the walk: the lines
// found before stay, nothing after is guessed.
void ExtractJwwText(ByteSource& file, ExtractedText& out);

#pragma once

#include "bytes/byte_source.h"
#include "bytes/extracted_text.h"

// The readers of SXF drawings, the exchange format of Japanese public works,
// in its two forms. Both walk the file front to back in blocks (a
// SourceWindow's; in place when the source holds the file in memory, and
// through the holes of a sparse file at once); a string is gathered across
// blocks and kept only as far as `out` can take it, so memory does not grow
// with the file or its strings. A line of spaces (half- or full-width) only,
// or of nothing, is left out; other lines keep their spaces.

// Text of an SXF feature-comment file (.sfc, Shift_JIS): an ISO 10303-21
// file whose DATA section holds one feature per comment, "/*SXF" (or
// "/*SXF3", "/*SXF3.1") to "SXF*/", each "#n = name(parameters)". In file
// order, each line with its kind:
//   text_string_feature             parameter 3                    SxfText
//   linear_dim_feature              34 when parameter 32 is 1      SxfText
//   curve_dim_, angular_dim_feature 35 when 33 is 1                SxfText
//   radius_dim_feature              15 when 13 is 1                SxfText
//   diameter_dim_feature            20 when 18 is 1                SxfText
//   label_feature                   11 when 9 is 1                 SxfText
//   balloon_feature                 14 when 12 is 1                SxfText
//   drawing_attribute_feature       0-6, 10, 11 (the title block)  SxfTitleBlock
// (parameters counted from 0; the flag is a dimension's, label's or balloon's
// text flag, written '1' or 1). Layer, font, colour, sheet and figure names are
// no drawn text. A string is written \'...\' or, by some writers, '...'; in
// either, '' is one quote and \\ one backslash, and \'...\' ends only at \'.
// Strings are walked by CP932 characters, so a trail byte 5C (表 95 5C) never
// ends one. The file's line breaks inside a string are not part of it, and
// other control characters but tab show nothing.
// Damaged data gives the lines before the damage: a feature whose head
// ("#n = name(") is not whole is passed over to its "*/", a feature that
// ends before its text parameter gives nothing, a string the data ends in
// gives nothing, and the reading goes on at the next "/*SXF".
void ExtractSfcText(ByteSource& file, ExtractedText& out);

// Text of an SXF exchange structure (.p21): ISO 10303-21, AP202. Every
// TEXT_LITERAL entity instance and every instance of a subtype of it
// (TEXT_LITERAL_WITH_EXTENT, _WITH_ASSOCIATED_CURVES, _WITH_BLANKING_BOX,
// _WITH_DELINEATION) gives its literal, in file order, as SxfText: the second
// parameter of "#n=TEXT_LITERAL...(" or, in a complex instance
// "#n=(... TEXT_LITERAL(...) ...)", the first parameter of its TEXT_LITERAL
// part. The literal is decoded to CP932 from the string's directives:
//   ''                      one apostrophe; \\ one backslash
//   \X\hh                   the ISO 8859-1 character hh
//   \X2\hhhh...\X0\         UTF-16 code units (a surrogate pair is one character)
//   \X4\hhhhhhhh...\X0\     code points
//   \S\c                    the character c + 0x80 of the part of ISO 8859 that
//                           the last \PA\ to \PI\ chose (part 1 at the start)
//   \N\ \T\                 a line break (the literal goes on as a new line) and a tab
// Bytes from 0x80 on are read as UTF-8 where they are, and as CP932 (what a
// Japanese program may write) otherwise. A character CP932 cannot hold becomes
// its best fit (bytes/best_fit.h). The file's line breaks inside a string are
// not part of it, and a backslash that starts no directive is itself.
// Strings, comments and every other instance are passed over unread, so the
// file is scanned at memory speed.
// Damaged data gives the lines before the damage: a directive that is cut
// off is read as far as it is whole, and a literal that the data ends in
// gives the lines it finished before (up to its last \N\).
void ExtractP21Text(ByteSource& file, ExtractedText& out);

#pragma once

#include <string>
#include <string_view>

#include "bytes/byte_source.h"
#include "bytes/extracted_text.h"
#include "platform/read_result.h"

// Hands `file` to the reader of the drawing type whose extension is `key`
// (lower case, without the dot). Any other key adds nothing.
void ExtractTextOfType(std::string_view key, ByteSource& file, ExtractedText& out);

// The same over bytes in memory, as the lines joined with CR LF.
std::string ExtractTextOfType(std::string_view key, ByteView bytes);

// The form of a path that comparisons use and rows show: ASCII letters
// lowered (file names are native bytes; other characters stay).
std::string LowerCasePath(std::string path);

// Reads the file at `path` with the reader of its drawing type
// (DrawingTypeOfPath) into `out`; a file of no drawing type adds nothing. Gives
// the error, adding nothing, when the file cannot be opened or read, or is not
// a regular file. Never throws.
ReadResult<void> ExtractText(const std::string& path, ExtractedText& out);

// The same, as the lines joined with CR LF (empty when the file cannot be
// read).
std::string ExtractText(const std::string& path);

#pragma once

#include <string>
#include <string_view>

#include "bytes/extracted_text.h"

// The stored form of a drawing's lines in the text cache: a format byte, then
// for each line its kind (one byte), its length (unsigned LEB128) and its
// bytes. Format 2 compresses that list with LZ4 when it is large enough for
// the saving to pay, after the list's size (unsigned LEB128); format 0 stores
// it as it is. Format 1 (the list deflated by zlib, after its size) is what
// earlier versions wrote: it is read, never written.
std::string EncodeCachedLines(const ExtractedText& text);

// Reads lines back into `out` (which must be empty). Returns false, leaving
// `out` empty, when the data is damaged: an unknown format or kind, a length
// past the end, a stream that does not decompress to its stated size.
bool DecodeCachedLines(std::string_view stored, ExtractedText& out);

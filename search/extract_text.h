#pragma once

#include <string>
#include <string_view>

#include "bytes/byte_view.h"

// The extracted text of a drawing: the text values it stores, in the order
// found, each followed by CR LF, as the CP932 bytes of the file.

// Hands `bytes` to the reader registered for `key` (a file's last three
// characters in lower case: "dxf", "dwg", "jwc", "mcd", "mpp", "mpx", "mpz",
// "jwk"). Any other key gives empty text.
std::string ExtractTextOfType(std::string_view key, ByteView bytes);

// The form of a path that comparisons use and rows show: ASCII letters
// lowered (file names are native bytes; other characters stay).
std::string LowerCasePath(std::string path);

// The reader key of a path: its last three characters, lower-cased.
std::string ExtractionKey(std::string_view path);

// Reads the file at `path` whole and extracts its text with the reader of its
// extension (compared without regard to case). A file that cannot be opened or
// read, or is not a regular file, gives empty text. Never throws.
std::string ExtractText(const std::string& path);

#pragma once

#include <string>

#include "bytes/byte_view.h"

// The text of an R12 ("AC1009") drawing: every TEXT record (type byte 7) of
// the entity section, in file order, its value without zero bytes, each
// non-empty value + CR LF; then full-width and ASCII spaces are deleted from
// the whole. The section runs from the offset in the header's 32-bit field at
// 0x14 to 10 bytes before the end of the first end marker 3B 91 97 AB 07 91.
// Appends to `output` and returns true; returns false, appending nothing, when
// the section start is 0, there is no end marker or the start lies beyond it.
//
// Damaged data: a record length of 0 or less, a record that runs past the
// file, or a TEXT whose fields run past its record ends the walk; the lines
// found before it are kept.
bool ReadR12Entities(ByteView file, std::string& output);

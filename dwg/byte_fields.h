#pragma once

#include <cstddef>
#include <cstdint>

#include "bytes/byte_view.h"

// Byte-aligned fields of DWG files: the fixed header numbers, the modular
// chars of the object map and the modular short in front of each object.
//
// Bounds: a field that would run past the end of the data reads as 0, leaves
// the cursor at the end and sets `overrun`, which stays set. A modular number
// longer than its longest form is damage too and sets it the same way.
struct ByteCursor {
    size_t pos = 0;
    bool overrun = false;
};

// Numbers at fixed positions (the header's, and the object map's big-endian
// section size) are read with ReadLe16At, ReadLe32At and ReadBe16At of the
// byte view.

// MC, unsigned: 7 bits per byte, first byte least significant; a byte with its
// 0x80 bit set is followed by another. At most 5 bytes (35 bits, kept in 64).
uint64_t ReadModularChar(ByteView data, ByteCursor& c);

// MC, signed: as above; when the last byte's 0x40 bit is set the number is
// negative, that bit cleared (5 bytes at most: a 34-bit magnitude).
int64_t ReadSignedModularChar(ByteView data, ByteCursor& c);

// MS: 16-bit little-endian words of 15 bits each, first word least
// significant; a word with its 0x8000 bit set is followed by another. At most
// two words (a 30-bit size).
uint32_t ReadModularShort(ByteView data, ByteCursor& c);

#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bytes/byte_view.h"

// The LZ77 variant that compresses the pages of 2004-or-later drawings
// (AC1018, AC1024, AC1027, AC1032). A stream is an optional literal run, then
// opcodes, each a back-reference into what was already written followed by a
// literal run of 0 to 3 bytes or of a stated length, up to the opcode 0x11.
//
// The most output one input byte can give: a run-length byte of 0x00 adds
// 0xFF to a length, and no opcode gives more than that per byte it takes.
constexpr size_t kLz77_2004MaxExpansion = 256;

// Decompresses `in` into `out`, which holds at most `outSize` bytes (resized
// to the bytes written; the memory it takes is bounded by what `in` can
// produce, whatever `outSize` claims). Returns true when the stream reaches
// its end opcode. Damage returns false, `out` holding the bytes written before
// it: an unused opcode (0x00 to 0x0F where an opcode belongs), a length or
// offset that runs past the end of `in`, a back-reference to before the start
// of the output, or output beyond `outSize`. Bytes after the end opcode are
// ignored.
bool DecompressLz77_2004(ByteView in, size_t outSize, std::vector<uint8_t>& out);

#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bytes/byte_view.h"

// The LZ77 variant of AC1021 drawings, which compresses their file header,
// system pages and data pages. The data is literal runs and back-references:
//
// - The first byte is an opcode. 0x2? is followed by two unused bytes and a
//   byte whose low 3 bits count the first literal bytes; any other opcode op
//   starts with a literal run of op + 8 bytes.
// - A literal run length of 0x17 (opcode 0x0F) is extended by the next byte;
//   a byte of 0xFF is followed by 16-bit little-endian additions, each 0xFFFF
//   followed by another.
// - A literal run is stored in 32-byte chunks of four 8-byte blocks, then a
//   tail of blocks of 1, 4 and 8 bytes, and each chunk and the tail are written
//   out with their blocks in reverse order.
// - After a literal run comes a back-reference opcode (by its high nibble:
//   0x0? long, 0x1? medium, 0x2? 16-bit offset, 0x3? to 0xF? short). The low
//   3 bits of its last byte count the literal bytes that follow it; when they
//   are 0, the next byte is another back-reference (0xF? read as 0x0?), or a
//   0x0? opcode that starts a literal run of op + 8 bytes.

// Decompresses `compressed` into `out`, resized to `size` bytes. Output the
// data does not reach stays zero.
//
// Returns false when the data is damaged: it is empty; a literal run or a
// back-reference would write past `size`; a back-reference points before the
// start of the output or at bytes not yet written (offset 0); an instruction,
// a literal run or a run the last opcode announces is cut short by the end of
// `compressed`. `out` then holds what was written before the damage.
bool DecompressLz77R2007(ByteView compressed, size_t size, std::vector<uint8_t>& out);

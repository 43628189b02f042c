#pragma once

#include <cstdint>
#include <string>

#include "bytes/byte_view.h"

// The bit stream of a DWG object (R13 to 2018). Bit k of the data lies in byte
// k / 8, at position k mod 8 counted from the byte's 0x80 bit.
//
// Bounds: every primitive reads only inside `data`. Bits at or beyond its end
// read as 0 and set `overrun`, which stays set; a skip past the end stops at
// the end and sets it too. A reader checks `overrun` once, after an object.
struct BitCursor {
    uint64_t bit = 0;  // bits from the first byte of the data
    bool overrun = false;
};

// Bits left before the end of the data (0 once the cursor is at or past it).
uint64_t BitsLeft(ByteView data, const BitCursor& c);

// The next n bits (1 <= n <= 32), the first bit read the most significant.
uint32_t ReadBits(ByteView data, BitCursor& c, int n);

// Moves the cursor `count` bits on without reading them.
void SkipBits(ByteView data, BitCursor& c, uint64_t count);

// B: one bit.
uint32_t ReadBit(ByteView data, BitCursor& c);

// BS: 2-bit code, then 00: 16 bits, low byte first; 01: 8 bits; 10: 0; 11: 256.
uint32_t ReadBitShort(ByteView data, BitCursor& c);

// BL: 2-bit code, then 00: 32 bits, low byte first; 01: 8 bits; 10: 0; 11: 0
// (11 is unused by writers and reads no data).
uint32_t ReadBitLong(ByteView data, BitCursor& c);

// RS: 16 bits, the first 8 the least significant byte.
uint32_t ReadRawShort(ByteView data, BitCursor& c);

// RL: 32 bits, the first 8 the least significant byte.
uint32_t ReadRawLong(ByteView data, BitCursor& c);

// BLL: 3 bits giving a byte count n (0 to 7), then n bytes, least significant
// first.
uint64_t ReadBitLongLong(ByteView data, BitCursor& c);

// BOT, the object type of 2010 and later: 2-bit code, then 00: one byte;
// 01: one byte plus 0x1F0; 10 and 11: RS.
uint32_t ReadObjectType(ByteView data, BitCursor& c);

// RD: 64 bits, eight bytes of a little-endian IEEE 754 double.
double ReadRawDouble(ByteView data, BitCursor& c);

// BD: 2-bit code, then 00: an RD; 01: 1.0; 10: 0.0; 11: 0.0 (no data).
double ReadBitDouble(ByteView data, BitCursor& c);

// DD: 2-bit code over a default value, then 00: the default; 01: 32 bits that
// replace its four low bytes; 10: 48 bits, two bytes that replace bytes 4 and
// 5, then four that replace bytes 0 to 3; 11: a whole RD.
double ReadDefaultDouble(ByteView data, BitCursor& c, double defaultValue);

// H: 4-bit code, 4-bit counter c, then c bytes of handle value, most
// significant first (only the low 64 bits are kept).
struct HandleRef {
    uint32_t code = 0;
    uint32_t counter = 0;
    uint64_t value = 0;
};
HandleRef ReadHandleRef(ByteView data, BitCursor& c);

// EED: repeated (BS size, H application handle, size bytes of data) until a
// size of 0. Ends on damaged data too: bits past the end read as 0, a size of 0.
void SkipExtendedData(ByteView data, BitCursor& c);

// TV: BS count, then that many 8-bit characters, zero bytes kept. A count that
// runs past the end of the data reads nothing: it gives empty text, moves the
// cursor to the end and sets `overrun`.
std::string ReadTextValue(ByteView data, BitCursor& c);

// TU, the text of 2007 and later: BS count of UTF-16 units, then the units,
// each low byte first. Gives their bytes (UTF-16LE, two a unit); a count that
// runs past the end reads nothing, as for TV.
std::string ReadUnicodeText(ByteView data, BitCursor& c);

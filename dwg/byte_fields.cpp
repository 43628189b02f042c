#include "dwg/byte_fields.h"

namespace {

constexpr int kModularCharMaxBytes = 5;
constexpr int kModularShortMaxWords = 2;

// The next byte, or 0 with `overrun` set at the end of the data.
uint8_t NextByte(ByteView data, ByteCursor& c) {
    if (c.pos >= data.size) {
        c.pos = data.size;
        c.overrun = true;
        return 0;
    }
    return data.data[c.pos++];
}

// Reads the bytes of a modular char: the accumulated 7-bit groups and the last
// byte. Sets `overrun` past the end of the data or the longest form.
uint64_t ReadModularGroups(ByteView data, ByteCursor& c, uint8_t& lastByte, int& byteCount) {
    uint64_t value = 0;
    for (byteCount = 1; byteCount <= kModularCharMaxBytes; ++byteCount) {
        lastByte = NextByte(data, c);
        if (c.overrun) return 0;
        value |= static_cast<uint64_t>(lastByte & 0x7F) << (7 * (byteCount - 1));
        if ((lastByte & 0x80) == 0) return value;
    }
    c.overrun = true;  // longer than any writer makes it: damage
    return 0;
}

}  // namespace

uint64_t ReadModularChar(ByteView data, ByteCursor& c) {
    uint8_t last = 0;
    int count = 0;
    return ReadModularGroups(data, c, last, count);
}

int64_t ReadSignedModularChar(ByteView data, ByteCursor& c) {
    uint8_t last = 0;
    int count = 0;
    uint64_t value = ReadModularGroups(data, c, last, count);
    if (c.overrun) return 0;
    if (last & 0x40) {
        // The sign sits in the last group's 0x40 bit, bit 7 * count - 1.
        value &= ~(uint64_t{1} << (7 * count - 1));
        return -static_cast<int64_t>(value);
    }
    return static_cast<int64_t>(value);
}

uint32_t ReadModularShort(ByteView data, ByteCursor& c) {
    uint32_t value = 0;
    for (int word = 0; word < kModularShortMaxWords; ++word) {
        uint32_t low = NextByte(data, c);
        uint32_t high = NextByte(data, c);
        if (c.overrun) return 0;
        uint32_t w = low | (high << 8);
        value |= (w & 0x7FFF) << (15 * word);
        if ((w & 0x8000) == 0) return value;
    }
    c.overrun = true;  // a size of 2^30 bytes or more: damage
    return 0;
}

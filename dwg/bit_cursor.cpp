#include "dwg/bit_cursor.h"

#include <cstring>

namespace {

uint64_t TotalBits(ByteView data) { return static_cast<uint64_t>(data.size) * 8; }

uint8_t ByteOrZero(ByteView data, uint64_t index) {
    return index < data.size ? data.data[index] : 0;
}

// Swaps the two bytes of a 16-bit group: the stream stores the low byte first.
uint32_t SwapBytes16(uint32_t v) { return ((v & 0xFF) << 8) | (v >> 8); }

uint32_t SwapBytes32(uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24);
}

// `count` bytes from the stream into a string, or nothing (cursor at the end,
// overrun set) when they run past the end.
std::string ReadByteRun(ByteView data, BitCursor& c, uint64_t count) {
    std::string text;
    if (8 * count > BitsLeft(data, c)) {
        SkipBits(data, c, 8 * count);
        return text;
    }
    text.resize(static_cast<size_t>(count));
    if ((c.bit & 7) == 0) {
        // On a byte boundary the characters are the bytes themselves.
        if (count != 0) std::memcpy(text.data(), data.data + (c.bit >> 3), text.size());
        c.bit += 8 * count;
    } else {
        for (char& ch : text) ch = static_cast<char>(ReadBits(data, c, 8));
    }
    return text;
}

}  // namespace

uint64_t BitsLeft(ByteView data, const BitCursor& c) {
    uint64_t total = TotalBits(data);
    return c.bit < total ? total - c.bit : 0;
}

uint32_t ReadBits(ByteView data, BitCursor& c, int n) {
    // The n bits span at most five bytes: gather them, most significant first.
    uint64_t first = c.bit >> 3;
    uint64_t last = (c.bit + static_cast<uint64_t>(n) - 1) >> 3;
    uint64_t window = 0;
    if (last < data.size) {
        for (uint64_t i = first; i <= last; ++i) window = (window << 8) | data.data[i];
    } else {
        for (uint64_t i = first; i <= last; ++i) window = (window << 8) | ByteOrZero(data, i);
        c.overrun = true;
    }
    int windowBits = static_cast<int>(last - first + 1) * 8;
    int shift = windowBits - static_cast<int>(c.bit & 7) - n;
    c.bit += static_cast<uint64_t>(n);
    uint64_t mask = (uint64_t{1} << n) - 1;
    return static_cast<uint32_t>((window >> shift) & mask);
}

void SkipBits(ByteView data, BitCursor& c, uint64_t count) {
    uint64_t left = BitsLeft(data, c);
    if (count > left) {
        c.bit = c.bit > TotalBits(data) ? c.bit : TotalBits(data);
        c.overrun = true;
        return;
    }
    c.bit += count;
}

uint32_t ReadBit(ByteView data, BitCursor& c) { return ReadBits(data, c, 1); }

uint32_t ReadBitShort(ByteView data, BitCursor& c) {
    switch (ReadBits(data, c, 2)) {
        case 0:
            return SwapBytes16(ReadBits(data, c, 16));  // 00: 16 bits, low byte first
        case 1:
            return ReadBits(data, c, 8);  // 01: one byte
        case 2:
            return 0;  // 10: no data, 0
        default:
            return 256;  // 11: no data, 256
    }
}

uint32_t ReadBitLong(ByteView data, BitCursor& c) {
    switch (ReadBits(data, c, 2)) {
        case 0:
            return SwapBytes32(ReadBits(data, c, 32));  // 00: 32 bits, low byte first
        case 1:
            return ReadBits(data, c, 8);  // 01: one byte
        default:
            return 0;  // 10: no data, 0; 11: not used, no data
    }
}

uint32_t ReadRawShort(ByteView data, BitCursor& c) { return SwapBytes16(ReadBits(data, c, 16)); }

uint32_t ReadRawLong(ByteView data, BitCursor& c) { return SwapBytes32(ReadBits(data, c, 32)); }

uint64_t ReadBitLongLong(ByteView data, BitCursor& c) {
    uint32_t count = ReadBits(data, c, 3);  // 3 bits: the number of bytes
    uint64_t value = 0;
    for (uint32_t k = 0; k < count; ++k) value |= uint64_t{ReadBits(data, c, 8)} << (8 * k);
    return value;
}

uint32_t ReadObjectType(ByteView data, BitCursor& c) {
    switch (ReadBits(data, c, 2)) {
        case 0:
            return ReadBits(data, c, 8);  // 00: one byte
        case 1:
            return ReadBits(data, c, 8) + 0x1F0;  // 01: one byte above 0x1F0
        default:
            return ReadRawShort(data, c);  // 10, 11: a raw short
    }
}

double ReadRawDouble(ByteView data, BitCursor& c) {
    // Eight bytes, the first the least significant of a little-endian double.
    uint64_t bits = 0;
    for (int k = 0; k < 8; ++k) bits |= static_cast<uint64_t>(ReadBits(data, c, 8)) << (8 * k);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double ReadBitDouble(ByteView data, BitCursor& c) {
    switch (ReadBits(data, c, 2)) {
        case 0:
            return ReadRawDouble(data, c);  // 00: a full RD
        case 1:
            return 1.0;  // 01: no data, 1.0
        default:
            return 0.0;  // 10: no data, 0.0; 11: not used, no data
    }
}

double ReadDefaultDouble(ByteView data, BitCursor& c, double defaultValue) {
    uint64_t bits;
    std::memcpy(&bits, &defaultValue, sizeof bits);
    auto replaceByte = [&bits](int k, uint32_t byte) {
        bits = (bits & ~(uint64_t{0xFF} << (8 * k))) | (static_cast<uint64_t>(byte) << (8 * k));
    };
    switch (ReadBits(data, c, 2)) {
        case 0:  // 00: the default itself
            return defaultValue;
        case 1:  // 01: four bytes replace bytes 0 to 3
            for (int k = 0; k < 4; ++k) replaceByte(k, ReadBits(data, c, 8));
            break;
        case 2:  // 10: two bytes replace bytes 4 and 5, then four replace bytes 0 to 3
            replaceByte(4, ReadBits(data, c, 8));
            replaceByte(5, ReadBits(data, c, 8));
            for (int k = 0; k < 4; ++k) replaceByte(k, ReadBits(data, c, 8));
            break;
        default:  // 11: a full RD
            return ReadRawDouble(data, c);
    }
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

HandleRef ReadHandleRef(ByteView data, BitCursor& c) {
    HandleRef ref;
    ref.code = ReadBits(data, c, 4);
    ref.counter = ReadBits(data, c, 4);
    for (uint32_t k = 0; k < ref.counter; ++k) ref.value = (ref.value << 8) | ReadBits(data, c, 8);
    return ref;
}

void SkipExtendedData(ByteView data, BitCursor& c) {
    // Each round consumes at least 10 bits or ends, and past the end the size
    // reads as 0: the loop always ends.
    while (!c.overrun) {
        uint32_t size = ReadBitShort(data, c);
        if (size == 0) return;
        ReadHandleRef(data, c);                 // the application's handle
        SkipBits(data, c, uint64_t{8} * size);  // size bytes of data
    }
}

std::string ReadTextValue(ByteView data, BitCursor& c) {
    uint32_t count = ReadBitShort(data, c);  // BS count of 8-bit characters
    return ReadByteRun(data, c, count);
}

std::string ReadUnicodeText(ByteView data, BitCursor& c) {
    uint32_t count = ReadBitShort(data, c);  // BS count of 16-bit units
    return ReadByteRun(data, c, uint64_t{2} * count);
}

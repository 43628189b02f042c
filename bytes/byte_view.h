#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// A read-only run of bytes that carries its length. Every reader takes one and
// never looks at a byte at or beyond `size`.
struct ByteView {
    const uint8_t* data = nullptr;
    size_t size = 0;

    uint8_t operator[](size_t i) const { return data[i]; }
};

inline ByteView AsBytes(std::string_view s) {
    return ByteView{reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// Fixed-width numbers at a fixed position of the data; 0 when they do not fit.
inline bool FitsAt(ByteView data, size_t pos, size_t width) {
    return pos <= data.size && data.size - pos >= width;
}

inline uint32_t ReadLe16At(ByteView data, size_t pos) {
    if (!FitsAt(data, pos, 2)) return 0;
    return uint32_t{data.data[pos]} | uint32_t{data.data[pos + 1]} << 8;
}

inline uint32_t ReadLe32At(ByteView data, size_t pos) {
    if (!FitsAt(data, pos, 4)) return 0;
    return uint32_t{data.data[pos]} | uint32_t{data.data[pos + 1]} << 8 |
           uint32_t{data.data[pos + 2]} << 16 | uint32_t{data.data[pos + 3]} << 24;
}

inline uint64_t ReadLe64At(ByteView data, size_t pos) {
    if (!FitsAt(data, pos, 8)) return 0;
    return uint64_t{ReadLe32At(data, pos)} | uint64_t{ReadLe32At(data, pos + 4)} << 32;
}

inline uint32_t ReadBe16At(ByteView data, size_t pos) {
    if (!FitsAt(data, pos, 2)) return 0;
    return uint32_t{data.data[pos]} << 8 | uint32_t{data.data[pos + 1]};
}

inline uint32_t ReadBe32At(ByteView data, size_t pos) {
    if (!FitsAt(data, pos, 4)) return 0;
    return uint32_t{data.data[pos]} << 24 | uint32_t{data.data[pos + 1]} << 16 |
           uint32_t{data.data[pos + 2]} << 8 | uint32_t{data.data[pos + 3]};
}

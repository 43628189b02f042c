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

#pragma once

#include <cstring>
#include <string_view>

#include "bytes/byte_view.h"

// Compares `pattern` with the bytes of `data` that start at `position`, as raw
// 8-bit values. Returns the position just after the pattern when they are
// equal, 0 when they differ or when the pattern would run past the end of the
// data. An empty pattern compares nothing and gives `position` itself.
inline size_t MatchAt(ByteView data, size_t position, std::string_view pattern) {
    if (pattern.empty()) return position;
    if (position > data.size || data.size - position < pattern.size()) return 0;
    if (std::memcmp(data.data + position, pattern.data(), pattern.size()) != 0) return 0;
    return position + pattern.size();
}

#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "bytes/byte_view.h"

// Code page 932 (Shift-JIS as Windows writes it): a lead byte 0x81-0x9F or
// 0xE0-0xFC takes the next byte with it as one character.
constexpr bool IsCp932LeadByte(uint8_t byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Length in bytes of the character that starts at `position`: 2 for a lead
// byte with a byte after it, otherwise 1. A lead byte in the last position is a
// character of its own.
inline size_t Cp932CharLength(ByteView text, size_t position) {
    return IsCp932LeadByte(text[position]) && position + 1 < text.size ? 2 : 1;
}

inline size_t Cp932CharLength(std::string_view text, size_t position) {
    return Cp932CharLength(AsBytes(text), position);
}

#include "bytes/utf8.h"

size_t Utf8CharLength(std::string_view text, size_t at, char32_t* codePoint) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
        if (codePoint != nullptr) *codePoint = lead;
        return 1;
    }
    size_t length;
    char32_t least;  // the smallest code point a sequence of this length may spell
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, least = 0x80;  // 110xxxxx 10xxxxxx
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, least = 0x800;  // 1110xxxx 10xxxxxx 10xxxxxx
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, least = 0x10000;  // 11110xxx 10xxxxxx 10xxxxxx 10xxxxxx
    } else {
        return 0;
    }
    if (text.size() - at < length) return 0;
    char32_t code = lead & (0xFFu >> (length + 1));
    for (size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80) return 0;
        code = code << 6 | (next & 0x3Fu);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    if (codePoint != nullptr) *codePoint = code;
    return length;
}

bool IsValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const size_t length = Utf8CharLength(text, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

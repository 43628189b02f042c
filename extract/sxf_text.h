#pragma once

#include <cstdint>
#include <string_view>

#include "bytes/cp932.h"
#include "bytes/extracted_text.h"

// What the SXF readers share besides their cursor.

// True for a line that shows nothing: empty, or spaces only (ASCII, tab,
// full-width 81 40 at a character boundary).
inline bool IsBlankSxfLine(std::string_view cp932) {
    for (size_t i = 0; i < cp932.size(); i += Cp932CharLength(cp932, i)) {
        char ch = cp932[i];
        if (ch == ' ' || ch == '\t') continue;
        if (ch == '\x81' && i + 1 < cp932.size() && cp932[i + 1] == '\x40') continue;
        return false;
    }
    return true;
}

// Adds a line that shows something; false once `out` takes no more.
inline bool AddSxfLine(ExtractedText& out, TextKind kind, std::string_view cp932) {
    return IsBlankSxfLine(cp932) || out.Add(kind, cp932);
}

// A CP932 trail byte: 40-7E, 80-FC.
constexpr bool IsCp932TrailByte(int byte) { return byte >= 0x40 && byte <= 0xFC && byte != 0x7F; }

// Blanks between the tokens of an ISO 10303-21 file.
constexpr bool IsSxfBlank(int byte) {
    return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n';
}

#include "index/indexed_form.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "bytes/code_pages.h"
#include "bytes/cp932.h"
#include "bytes/utf8.h"

namespace {

constexpr char32_t kPrivatePlane = 0xF0000;  // supplementary private use area A

// The code point of each double-byte code that maps to Unicode and back, 0
// for the others; the lowest code point wins where several map to a code.
const std::array<char32_t, 0x10000>& RoundTripTable() {
    static const std::unique_ptr<std::array<char32_t, 0x10000>> table = [] {
        auto made = std::make_unique<std::array<char32_t, 0x10000>>();
        made->fill(0);
        for (char32_t u = 0x80; u <= 0xFFFF; ++u) {
            if (u >= 0xD800 && u <= 0xDFFF) continue;
            std::optional<uint16_t> code = UnicodeToCp932(u);
            if (code && *code > 0xFF && (*made)[*code] == 0) (*made)[*code] = u;
        }
        return made;
    }();
    return *table;
}

char32_t SingleByteCodePoint(uint8_t byte) {
    if (byte == 0x00 || byte == static_cast<uint8_t>(kIndexedLineSeparator)) {
        return kPrivatePlane + byte;
    }
    if (byte < 0x80) return byte;
    if (byte >= 0xA1 && byte <= 0xDF) return 0xFF61 + (byte - 0xA1);  // half-width kana
    return kPrivatePlane + byte;  // 80, A0, FD-FF, a lead byte alone
}

char32_t DoubleByteCodePoint(uint16_t code) {
    char32_t u = RoundTripTable()[code];
    return u != 0 ? u : kPrivatePlane + code;
}

void AppendUtf8(char32_t u, std::string& out) {
    if (u < 0x80) {
        out += static_cast<char>(u);
    } else if (u < 0x800) {
        out += static_cast<char>(0xC0 | u >> 6);
        out += static_cast<char>(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
        out += static_cast<char>(0xE0 | u >> 12);
        out += static_cast<char>(0x80 | (u >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | u >> 18);
        out += static_cast<char>(0x80 | (u >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (u >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    }
}

// The code point of the character at `at`, and its length.
char32_t CodePointAt(std::string_view text, size_t at, size_t& length) {
    length = Cp932CharLength(text, at);
    auto first = static_cast<uint8_t>(text[at]);
    if (length == 1) return SingleByteCodePoint(first);
    return DoubleByteCodePoint(
        static_cast<uint16_t>(first << 8 | static_cast<uint8_t>(text[at + 1])));
}

void AppendRegexCodePoint(char32_t u, std::string& out) {
    char escape[16];
    std::snprintf(escape, sizeof escape, "\\U%08X", static_cast<unsigned>(u));
    out += escape;
}

}  // namespace

void AppendIndexedForm(std::string_view matchForm, std::string& out) {
    for (size_t at = 0, length; at < matchForm.size(); at += length) {
        AppendUtf8(CodePointAt(matchForm, at, length), out);
    }
}

std::string IndexedForm(std::string_view matchForm) {
    std::string out;
    AppendIndexedForm(matchForm, out);
    return out;
}

PiecePattern PatternOfPiece(std::string_view piece) {
    PiecePattern made;
    // The start of the piece's last character.
    size_t last = 0;
    while (last < piece.size() && last + Cp932CharLength(piece, last) < piece.size()) {
        last += Cp932CharLength(piece, last);
    }
    const bool endsInLoneLead = last < piece.size() && Cp932CharLength(piece, last) == 1 &&
                                IsCp932LeadByte(static_cast<uint8_t>(piece[last]));
    if (!endsInLoneLead) {
        // Two characters: each written twice.
        const bool pairs = last > 0 && last == Cp932CharLength(piece, 0);
        std::string form = IndexedForm(piece);
        auto patternOf = [&form](int copies) {
            std::string pattern;
            pattern.reserve(form.size() * 2 * copies + 2);
            pattern.push_back('%');
            for (size_t at = 0; at < form.size();) {
                size_t length = Utf8CharLength(form, at);
                std::string_view character(form.data() + at, length);
                for (int copy = copies; copy > 0; --copy) {
                    if (character == "%" || character == "_" || character == "\\")
                        pattern.push_back('\\');
                    pattern.append(character);
                }
                at += length;
            }
            pattern.push_back('%');
            return pattern;
        };
        made.test = pairs ? PiecePattern::Test::Pairs : PiecePattern::Test::Like;
        made.pattern = patternOf(pairs ? 2 : 1);
        if (pairs) made.plain = patternOf(1);
        return made;
    }
    made.test = PiecePattern::Test::Regex;
    size_t length;
    for (size_t at = 0; at < last; at += length) {
        AppendRegexCodePoint(CodePointAt(piece, at, length), made.pattern);
    }
    // The lead byte alone, or followed by any byte.
    auto lead = static_cast<uint8_t>(piece.back());
    made.pattern += '[';
    AppendRegexCodePoint(SingleByteCodePoint(lead), made.pattern);
    for (unsigned second = 0; second < 0x100; ++second) {
        AppendRegexCodePoint(DoubleByteCodePoint(static_cast<uint16_t>(lead << 8 | second)),
                             made.pattern);
    }
    made.pattern += ']';
    return made;
}

#include "match/text_cleanup.h"

#include <cstdint>
#include <optional>

#include "bytes/code_pages.h"
#include "bytes/cp932.h"

namespace {

// TEXT, MTEXT, ATTRIB, ATTDEF (value, tag, prompt), DIMENSION, MULTILEADER,
// TABLE_CELL: the kinds that come from DXF and DWG drawings.
constexpr bool HasPercentAndUnicodeCodes(TextKind kind) {
    return static_cast<int>(kind) <= static_cast<int>(TextKind::TableCell);
}

int HexDigit(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    return -1;
}

// The number written by `count` hex digits at `position`, or nothing.
std::optional<uint32_t> ReadHex(std::string_view text, size_t position, size_t count) {
    if (text.size() < position || text.size() - position < count) return std::nullopt;
    uint32_t value = 0;
    for (size_t k = 0; k < count; ++k) {
        int digit = HexDigit(text[position + k]);
        if (digit < 0) return std::nullopt;
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    return value;
}

bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }

void AppendCode(std::string& out, uint16_t code) {
    out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
}

// A code point as CP932, by its best fit: control characters (which draw
// nothing) but tab give nothing, and what has no CP932 form gives
// kUnmappableByte.
void AppendDrawnCharacter(std::string& out, char32_t codePoint) { AppendCp932(out, codePoint); }

bool IsOneOf(char ch, std::string_view set) { return set.find(ch) != std::string_view::npos; }

// The walk over one value. `i` is always at a character boundary.
class Cleaner {
  public:
    Cleaner(TextKind kind, std::string_view text, std::string& out)
        : m_text(text), m_out(out), m_mtext(HasMTextCodes(kind)) {}

    void Run() {
        const size_t size = m_text.size();
        size_t i = 0;
        while (i < size) {
            const char ch = m_text[i];
            const size_t length = Cp932CharLength(m_text, i);
            if (length == 2) {
                m_out.append(m_text, i, 2);
                i += 2;
                continue;
            }
            size_t taken = 0;
            if (ch == '%') {
                taken = PercentCode(i);
            } else if (ch == '\\') {
                taken = UnicodeEscape(i);
                if (taken == 0 && m_mtext) taken = MTextCode(i);
            } else if (m_mtext && (ch == '{' || ch == '}')) {
                taken = 1;  // group braces draw nothing
            }
            if (taken == 0) {
                m_out += ch;
                taken = 1;
            }
            i += taken;
        }
    }

  private:
    // %%c %%d %%p %%% %%u %%o %%nnn at `i`: the bytes taken, or 0.
    size_t PercentCode(size_t i) {
        if (m_text.size() - i < 3 || m_text[i + 1] != '%') return 0;
        const char letter = m_text[i + 2];
        if (IsOneOf(letter, "cC")) {
            AppendCode(m_out, 0x83D3);  // φ, for the diameter sign CP932 lacks
        } else if (IsOneOf(letter, "dD")) {
            AppendCode(m_out, 0x818B);  // °
        } else if (IsOneOf(letter, "pP")) {
            AppendCode(m_out, 0x817D);  // ±
        } else if (letter == '%') {
            m_out += '%';
        } else if (!IsOneOf(letter, "uUoO")) {  // underline and overline toggles draw nothing
            return NumberedCharacter(i);
        }
        return 3;
    }

    // %%nnn at `i`: the bytes taken, or 0.
    size_t NumberedCharacter(size_t i) {
        if (m_text.size() - i >= 5 && IsDigit(m_text[i + 2]) && IsDigit(m_text[i + 3]) &&
            IsDigit(m_text[i + 4])) {
            char32_t codePoint = static_cast<char32_t>(
                (m_text[i + 2] - '0') * 100 + (m_text[i + 3] - '0') * 10 + (m_text[i + 4] - '0'));
            AppendDrawnCharacter(m_out, codePoint);
            return 5;
        }
        return 0;
    }

    // \U+XXXX and \M+nXXXX at `i`: the bytes taken, or 0.
    size_t UnicodeEscape(size_t i) {
        if (m_text.size() - i < 3 || m_text[i + 2] != '+') return 0;
        if (m_text[i + 1] == 'U') {
            std::optional<uint32_t> unit = ReadHex(m_text, i + 3, 4);
            if (!unit) return 0;
            size_t taken = 7;
            char32_t codePoint = *unit;
            if (*unit >= 0xD800 && *unit <= 0xDBFF) {
                // A high surrogate with its low surrogate: one character.
                std::optional<uint32_t> low;
                if (m_text.size() - i >= 14 && m_text.compare(i + 7, 3, "\\U+") == 0) {
                    low = ReadHex(m_text, i + 10, 4);
                }
                if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
                    codePoint = 0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00);
                    taken = 14;
                }
            } else if (*unit >= 0x1000 && *unit <= 0x1FFF) {
                // \U+1XXXX: five digits, a character of the plane past U+FFFF.
                // (U+1000 to U+1FFF hold nothing CP932 can show either way.)
                if (std::optional<uint32_t> wide = ReadHex(m_text, i + 3, 5)) {
                    codePoint = *wide;
                    taken = 8;
                }
            }
            if (codePoint >= 0xD800 && codePoint <= 0xDFFF) codePoint = 0xFFFFFFFF;  // lone
            AppendDrawnCharacter(m_out, codePoint);
            return taken;
        }
        if (m_text[i + 1] == 'M') {
            if (m_text.size() - i < 8 || m_text[i + 3] < '1' || m_text[i + 3] > '5') return 0;
            std::optional<uint32_t> code = ReadHex(m_text, i + 4, 4);
            if (!code) return 0;
            auto lead = static_cast<uint8_t>(*code >> 8);
            auto trail = static_cast<uint8_t>(*code & 0xFF);
            bool cp932 = m_text[i + 3] == '1' && IsCp932LeadByte(lead) && trail >= 0x40 &&
                         trail <= 0xFC && trail != 0x7F;
            if (cp932) {
                AppendCode(m_out, static_cast<uint16_t>(*code));
            } else {
                m_out += kUnmappableByte;  // another page's character, or no character
            }
            return 8;
        }
        return 0;
    }

    // The position of the ";" that ends a code's argument starting at `from`
    // (walked by characters), or npos. The last scan is remembered, so a line
    // full of codes without their ";" is still read in one pass.
    size_t FindArgumentEnd(size_t from) {
        constexpr size_t npos = std::string_view::npos;
        if (m_scanFrom != npos && from >= m_scanFrom && (m_scanEnd == npos || from <= m_scanEnd)) {
            return m_scanEnd;
        }
        m_scanFrom = from;
        m_scanEnd = npos;
        for (size_t k = from; k < m_text.size(); k += Cp932CharLength(m_text, k)) {
            if (m_text[k] == ';') {
                m_scanEnd = k;
                break;
            }
        }
        return m_scanEnd;
    }

    // An MTEXT inline code at `i` (a backslash): the bytes taken, or 0.
    size_t MTextCode(size_t i) {
        if (m_text.size() - i < 2) return 0;
        const char letter = m_text[i + 1];
        if (IsOneOf(letter, "PN")) {
            m_out += '\n';  // paragraph or column break
            return 2;
        }
        if (letter == '~') {
            m_out += ' ';  // non-breaking space
            return 2;
        }
        if (IsOneOf(letter, "\\{}")) {
            m_out += letter;
            return 2;
        }
        if (IsOneOf(letter, "LlOoKkX")) return 2;  // toggles, dimension-line break
        if (letter == 'S') return Stack(i);
        // Codes whose argument runs to the next ";": font, colour, height,
        // width, alignment, tracking, oblique, paragraph.
        if (!IsOneOf(letter, "AaCcFfHhQqTtWwp")) return 0;
        size_t end = FindArgumentEnd(i + 2);
        return end == std::string_view::npos ? 0 : end + 1 - i;
    }

    // \Sa/b; \Sa#b; \Sa^b; at `i`: "a/b". Inside, a backslash takes the
    // character after it as text.
    size_t Stack(size_t i) {
        size_t end = FindArgumentEnd(i + 2);
        if (end == std::string_view::npos) return 0;
        for (size_t k = i + 2; k < end;) {
            size_t length = Cp932CharLength(m_text, k);
            char ch = m_text[k];
            if (length == 2) {
                m_out.append(m_text, k, 2);
            } else if (ch == '#' || ch == '^' || ch == '/') {
                m_out += '/';
            } else if (ch == '\\' && k + 1 < end) {
                length += Cp932CharLength(m_text, k + 1);
                m_out.append(m_text, k + 1, length - 1);
            } else {
                m_out += ch;
            }
            k += length;
        }
        return end + 1 - i;
    }

    std::string_view m_text;
    std::string& m_out;
    bool m_mtext;
    // The last argument scan: from where, and the ";" it found (npos: none
    // up to the end).
    size_t m_scanFrom = std::string_view::npos;
    size_t m_scanEnd = std::string_view::npos;
};

}  // namespace

void AppendCleanLine(TextKind kind, std::string_view cp932, std::string& out) {
    if (!HasPercentAndUnicodeCodes(kind)) {
        out.append(cp932);
        return;
    }
    Cleaner(kind, cp932, out).Run();
}

std::string CleanLine(TextKind kind, std::string_view cp932) {
    std::string out;
    out.reserve(cp932.size());
    AppendCleanLine(kind, cp932, out);
    return out;
}

bool MayNeedCleanup(TextKind kind, std::string_view cp932) {
    if (!HasPercentAndUnicodeCodes(kind)) return false;
    if (HasMTextCodes(kind)) {
        for (char ch : cp932) {
            if (ch == '\\' || ch == '%' || ch == '{' || ch == '}') return true;
        }
        return false;
    }
    for (char ch : cp932) {
        if (ch == '\\' || ch == '%') return true;
    }
    return false;
}

#include <bit>
#include <cstring>
#include <string>
#include <string_view>

#include "bytes/code_pages.h"
#include "bytes/gathered_line.h"
#include "extract/sxf.h"
#include "extract/sxf_cursor.h"
#include "extract/sxf_text.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define PLOTSIEVE_P21_SSE2 1
#endif

namespace {

constexpr std::string_view kTextLiteral = "TEXT_LITERAL";
// The subtypes of TEXT_LITERAL, by what follows its name.
constexpr std::string_view kSubtypeSuffixes[] = {
    "_WITH_EXTENT",
    "_WITH_ASSOCIATED_CURVES",
    "_WITH_BLANKING_BOX",
    "_WITH_DELINEATION",
};
// Look-ahead a name check needs: the longest name and the byte after it.
constexpr size_t kNameLookAhead = 12 + 23 + 1;
static_assert(kNameLookAhead <= SxfCursor::kLookAhead);

bool IsKeywordByte(int byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
           (byte >= '0' && byte <= '9') || byte == '_' || byte == '-';
}

int HexValue(int byte) {
    if (byte >= '0' && byte <= '9') return byte - '0';
    if (byte >= 'A' && byte <= 'F') return byte - 'A' + 10;
    if (byte >= 'a' && byte <= 'f') return byte - 'a' + 10;
    return -1;
}

// The first place in `bytes` outside a string that may start something the
// scan looks at: a "/" (a comment) or the "T" of a TEXT_LITERAL; the size
// when there is none. `inString` says whether the bytes start in a string (a
// doubled quote inside one flips it twice) and is kept up to date: false at
// the place returned.
size_t ScanOutsideStrings(ByteView bytes, bool& inString) {
    const size_t size = bytes.size;
    size_t at = 0;
#if defined(PLOTSIEVE_P21_SSE2)
    // Sixteen bytes a turn: the quotes, the slashes, and the places where a
    // "T" has an "L" eleven bytes on (TEXT_LITERAL). A turn without a slash
    // or such a "T" goes on at once, its quotes flipping the string state by
    // their count.
    const __m128i quote = _mm_set1_epi8('\'');
    const __m128i slash = _mm_set1_epi8('/');
    const __m128i t = _mm_set1_epi8('T');
    const __m128i l = _mm_set1_epi8('L');
    auto mask = [](__m128i m) { return static_cast<unsigned>(_mm_movemask_epi8(m)); };
    while (size - at >= 16 + 11) {
        __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data + at));
        __m128i later = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data + at + 11));
        unsigned quotes = mask(_mm_cmpeq_epi8(here, quote));
        unsigned others =
            mask(_mm_or_si128(_mm_cmpeq_epi8(here, slash),
                              _mm_and_si128(_mm_cmpeq_epi8(here, t), _mm_cmpeq_epi8(later, l))));
        if (others != 0) {
            // Bit k of `inside`: byte k lies in a string, by the count of the
            // quotes up to it.
            unsigned inside = quotes;
            inside ^= inside << 1;
            inside ^= inside << 2;
            inside ^= inside << 4;
            inside ^= inside << 8;
            if (inString) inside = ~inside;
            if (unsigned outside = others & ~inside & 0xFFFF; outside != 0) {
                inString = false;
                return at + static_cast<size_t>(std::countr_zero(outside));
            }
        }
        if (std::popcount(quotes) & 1) inString = !inString;
        at += 16;
    }
#endif
    for (; at < size; ++at) {
        uint8_t byte = bytes.data[at];
        if (byte == '\'') {
            inString = !inString;
        } else if (!inString && (byte == '/' || byte == 'T')) {
            return at;
        }
    }
    return size;
}

class P21Reader {
  public:
    P21Reader(SxfCursor& cursor, ExtractedText& out) : m_c(cursor), m_out(out), m_line(out) {}

    void Run() {
        if (!m_c.SkipExchangeStructureStart()) return;
        bool inString = false;
        for (;;) {
            if (m_c.Peek() == 0) m_c.SkipZeros();
            ByteView view = m_c.Ahead(1);
            if (view.size == 0) return;
            size_t at = ScanOutsideStrings(view, inString);
            m_c.Skip(at);
            if (at < view.size && !Step()) return;
        }
    }

  private:
    // Looks at the "/" or "T" outside strings at the cursor and moves on past
    // what it starts. False once the output takes no more.
    bool Step() {
        if (m_c.Peek() == 'T') return TryLiteral();
        m_c.Skip(1);
        if (m_c.Peek() == '*') {
            m_c.Skip(1);
            SkipComment();
        }
        return true;
    }

    void SkipComment() {
        for (;;) {
            if (m_c.Peek() == 0) m_c.SkipZeros();
            ByteView view = m_c.Ahead(2);
            if (view.size < 2) {
                m_c.Skip(view.size);
                return;
            }
            const void* star = std::memchr(view.data, '*', view.size - 1);
            if (star == nullptr) {
                m_c.Skip(view.size - 1);
                continue;
            }
            size_t at = static_cast<size_t>(static_cast<const uint8_t*>(star) - view.data);
            m_c.Skip(at + 1);
            if (view.data[at + 1] == '/') {
                m_c.Skip(1);
                return;
            }
        }
    }

    // Passes over a string whose opening quote the cursor has passed.
    void SkipString() {
        for (;;) {
            if (m_c.Peek() == 0) m_c.SkipZeros();
            ByteView view = m_c.Ahead(2);
            if (view.size == 0) return;
            const void* found = std::memchr(view.data, '\'', view.size);
            if (found == nullptr) {
                m_c.Skip(view.size);
                continue;
            }
            size_t at = static_cast<size_t>(static_cast<const uint8_t*>(found) - view.data);
            m_c.Skip(at + 1);
            if (m_c.Peek() != '\'') return;
            m_c.Skip(1);
        }
    }

    // At a "T" outside strings: the literal of a TEXT_LITERAL instance that
    // starts here, when one does.
    bool TryLiteral() {
        ByteView view = m_c.Ahead(kNameLookAhead);
        std::string_view ahead(reinterpret_cast<const char*>(view.data), view.size);
        if (!ahead.starts_with(kTextLiteral)) {
            m_c.Skip(1);
            return true;
        }
        size_t name = kTextLiteral.size();
        bool subtype = false;
        for (std::string_view suffix : kSubtypeSuffixes) {
            if (ahead.substr(name).starts_with(suffix)) {
                name += suffix.size();
                subtype = true;
                break;
            }
        }
        if (name < ahead.size() && IsKeywordByte(static_cast<uint8_t>(ahead[name]))) {
            m_c.Skip(name);  // another entity whose name starts the same
            return true;
        }
        // "#n=TEXT_LITERAL...(": the literal is the second parameter (after
        // the name). In a complex instance, "#n=(...)", each part holds its
        // own attributes: TEXT_LITERAL's part starts with the literal, and the
        // subtypes' parts hold none.
        int before = m_c.SignificantByteBefore(m_c.Offset());
        int literal = before == '=' ? 1 : (before == '(' || before == ')') && !subtype ? 0 : -1;
        m_c.Skip(name);
        if (literal < 0) return true;
        while (IsSxfBlank(m_c.Peek())) m_c.Skip(1);
        if (m_c.Peek() != '(') return true;
        m_c.Skip(1);
        return ReadLiteralParameter(literal);
    }

    // Walks the parameters to number `target` and decodes its first string
    // (a typed parameter's too). Stops at the end of the parameters.
    bool ReadLiteralParameter(int target) {
        int index = 0;
        int depth = 0;
        for (;;) {
            int byte = m_c.Peek();
            if (byte < 0 || byte == ';') return true;
            m_c.Skip(1);
            if (byte == '\'') {
                if (index == target) return DecodeLiteral();
                SkipString();
            } else if (byte == '"') {
                while (m_c.Peek() >= 0 && m_c.Peek() != '"') m_c.Skip(1);
                m_c.Skip(1);
            } else if (byte == '/' && m_c.Peek() == '*') {
                m_c.Skip(1);
                SkipComment();
            } else if (byte == '(') {
                ++depth;
            } else if (byte == ')') {
                if (depth == 0) return true;
                --depth;
            } else if (byte == ',' && depth == 0) {
                if (++index > target) return true;
            }
        }
    }

    void AppendCodePoint(char32_t codePoint) {
        m_char.clear();
        AppendCp932(m_char, codePoint);
        m_line.Append(m_char);
    }

    // The hex number of `digits` digits `from` bytes ahead, or -1.
    int64_t HexAhead(size_t from, size_t digits) {
        int64_t value = 0;
        for (size_t k = 0; k < digits; ++k) {
            int digit = HexValue(m_c.Peek(from + k));
            if (digit < 0) return -1;
            value = value << 4 | digit;
        }
        return value;
    }

    // The next code unit of `digits` hex digits of a \X2\ or \X4\ run; the
    // file's line breaks between them are no part of it. False at anything
    // else (the digits before it are passed over).
    bool NextHexUnit(int digits, uint32_t& unit) {
        unit = 0;
        for (int got = 0; got < digits;) {
            int byte = m_c.Peek();
            if (byte == '\r' || byte == '\n') {
                m_c.Skip(1);
                continue;
            }
            int value = HexValue(byte);
            if (value < 0) return false;
            unit = unit << 4 | static_cast<uint32_t>(value);
            ++got;
            m_c.Skip(1);
        }
        return true;
    }

    // The run after \X2\ (UTF-16 code units, a surrogate pair one character)
    // or after \X4\ (code points), up to \X0\. A run cut short ends with its
    // last whole unit.
    void DecodeHexRun(int digits) {
        char32_t high = 0;  // a high surrogate waiting for its low one
        uint32_t unit;
        while (NextHexUnit(digits, unit)) {
            bool surrogates = digits == 4;
            if (surrogates && unit >= 0xDC00 && unit <= 0xDFFF && high != 0) {
                AppendCodePoint(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
                high = 0;
                continue;
            }
            if (high != 0) AppendCodePoint(high);  // a lone surrogate: unmappable
            high = 0;
            if (surrogates && unit >= 0xD800 && unit <= 0xDBFF) {
                high = unit;
            } else {
                AppendCodePoint(unit);
            }
        }
        if (high != 0) AppendCodePoint(high);
        if (m_c.Peek() == '\\' && m_c.Peek(1) == 'X' && m_c.Peek(2) == '0' && m_c.Peek(3) == '\\') {
            m_c.Skip(4);
        }
    }

    // A backslash directive at the cursor; false when the backslash starts
    // none (it is then a character of its own).
    bool Directive() {
        int kind = m_c.Peek(1);
        int third = m_c.Peek(2);
        if (kind == '\\') {
            m_line.Append('\\');
            m_c.Skip(2);
            return true;
        }
        if (kind == 'X' && third == '\\') {  // \X\hh: ISO 8859-1
            int64_t code = HexAhead(3, 2);
            if (code < 0) return false;
            AppendCodePoint(static_cast<char32_t>(code));
            m_c.Skip(5);
            return true;
        }
        if (kind == 'X' && (third == '2' || third == '4') && m_c.Peek(3) == '\\') {
            m_c.Skip(4);
            DecodeHexRun(third == '2' ? 4 : 8);
            return true;
        }
        if (kind == 'S' && third == '\\') {  // \S\c: c + 0x80 of the page
            int c = m_c.Peek(3);
            if (c < 0x20 || c > 0x7E) return false;
            // An apostrophe after \S\ is written doubled; a single one ends
            // the string.
            if (c == '\'' && m_c.Peek(4) != '\'') return false;
            AppendCodePoint(Iso8859ToUnicode(m_page, static_cast<uint8_t>(c + 0x80)));
            // An apostrophe or backslash after \S\ is written doubled.
            bool doubled = (c == '\'' || c == '\\') && m_c.Peek(4) == c;
            m_c.Skip(doubled ? 5 : 4);
            return true;
        }
        if (kind == 'P' && third >= 'A' && third <= 'I' && m_c.Peek(3) == '\\') {
            m_page = third - 'A' + 1;
            m_c.Skip(4);
            return true;
        }
        if ((kind == 'N' || kind == 'T') && third == '\\') {
            m_c.Skip(3);
            if (kind == 'T') {
                m_line.Append('\t');
                return true;
            }
            m_lineDone = true;
            return true;
        }
        return false;
    }

    // A byte from 0x80 on: a UTF-8 character when it starts one, else a
    // CP932 character (a pair, or a half-width katakana), else unmappable.
    void HighByte(uint8_t lead) {
        size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                        : lead >= 0xE0 && lead <= 0xEF ? 3
                        : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                       : 0;
        char32_t codePoint = length == 4 ? lead & 0x07u : length == 3 ? lead & 0x0Fu : lead & 0x1Fu;
        bool utf8 = length != 0;
        for (size_t k = 1; utf8 && k < length; ++k) {
            int next = m_c.Peek(k);
            utf8 = next >= 0 && (next & 0xC0) == 0x80;
            codePoint = codePoint << 6 | (static_cast<char32_t>(next) & 0x3Fu);
        }
        if (utf8) {
            static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
            utf8 = codePoint >= kLeast[length] && codePoint <= 0x10FFFF &&
                   (codePoint < 0xD800 || codePoint > 0xDFFF);
        }
        if (utf8) {
            AppendCodePoint(codePoint);
            m_c.Skip(length);
            return;
        }
        int next = m_c.Peek(1);
        if (IsCp932LeadByte(lead) && IsCp932TrailByte(next)) {
            m_line.Append(static_cast<char>(lead));
            m_line.Append(static_cast<char>(next));
            m_c.Skip(2);
            return;
        }
        m_line.Append(lead >= 0xA1 && lead <= 0xDF ? static_cast<char>(lead) : kUnmappableByte);
        m_c.Skip(1);
    }

    // The literal whose opening quote the cursor has passed, as lines.
    bool DecodeLiteral() {
        m_line.Clear();
        m_page = 1;
        for (;;) {
            if (m_lineDone) {
                m_lineDone = false;
                if (!AddSxfLine(m_out, TextKind::SxfText, m_line.Kept())) return false;
                m_line.Clear();
            }
            ByteView view = m_c.Ahead(2);
            if (view.size == 0) return true;  // the data ends in the literal
            // Printable ASCII but the quote and backslash stands for itself.
            size_t run = 0;
            while (run < view.size && view.data[run] >= 0x20 && view.data[run] < 0x7F &&
                   view.data[run] != '\'' && view.data[run] != '\\') {
                ++run;
            }
            if (run != 0) {
                m_line.Append(std::string_view(reinterpret_cast<const char*>(view.data), run));
                m_c.Skip(run);
                continue;
            }
            const uint8_t byte = view.data[0];
            if (byte == '\'') {
                m_c.Skip(1);
                if (m_c.Peek() == '\'') {
                    m_line.Append('\'');
                    m_c.Skip(1);
                    continue;
                }
                return AddSxfLine(m_out, TextKind::SxfText, m_line.Kept());
            }
            if (byte == '\\') {
                if (!Directive()) {
                    m_line.Append('\\');
                    m_c.Skip(1);
                }
            } else if (byte >= 0x80) {
                HighByte(byte);
            } else if (byte == '\t') {
                m_line.Append('\t');
                m_c.Skip(1);
            } else {
                // The file's line breaks and other control characters, and a
                // hole of zeros at once.
                size_t controls = 1;
                while (controls < view.size && view.data[controls] < 0x20 &&
                       view.data[controls] != '\t') {
                    ++controls;
                }
                m_c.Skip(controls);
                if (byte == 0) m_c.SkipZeros();
            }
        }
    }

    SxfCursor& m_c;
    ExtractedText& m_out;
    GatheredLine m_line;
    std::string m_char;       // one character's CP932 bytes
    int m_page = 1;           // the ISO 8859 part \S\ reads from
    bool m_lineDone = false;  // a \N\ ended the line
};

}  // namespace

void ExtractP21Text(ByteSource& file, ExtractedText& out) {
    SxfCursor cursor(file);
    P21Reader(cursor, out).Run();
}

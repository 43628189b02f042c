#include "extract/jw.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "bytes/gathered_line.h"
#include "bytes/match_at.h"
#include "bytes/source_window.h"

namespace {

constexpr std::string_view kJwcSignature = "jw_cad(c)data";
constexpr std::string_view kJwkSignature = "jw_cad(c)sym";

// Header layout shared by both files.
constexpr size_t kTitleStart = 40;
constexpr size_t kTitleEnd = 104;  // the title never takes byte 104
constexpr size_t kCountLine = 200;
constexpr size_t kRangeLine = 600;  // JWC only
constexpr size_t kLineLength = 200;
constexpr size_t kVariantByte = 22;  // JWC only: 'f' moves the block 32 bytes on
constexpr size_t kHeaderSize = kRangeLine + kLineLength;  // all the header lines hold

// Numbers read from the header are held to this magnitude, so the block
// offsets computed from them never overflow. Any such number already points
// far beyond every file that can be held in memory.
constexpr int64_t kNumberLimit = int64_t{1} << 48;

std::string_view Bytes(ByteView file, size_t start, size_t end) {
    return {reinterpret_cast<const char*>(file.data + start), end - start};
}

// The bytes from `start` up to the first zero byte, at most up to `end` and to
// the end of the data.
std::string_view ZeroTerminated(ByteView file, size_t start, size_t end) {
    end = std::min(end, file.size);
    if (start >= end) return {};
    const void* zero = std::memchr(file.data + start, 0, end - start);
    if (zero != nullptr) end = static_cast<const uint8_t*>(zero) - file.data;
    return Bytes(file, start, end);
}

// A header line of comma-separated fields. Each field runs from the position to
// the next comma, and the position moves past that comma; with no comma left
// the field is the rest of the line and the position returns to the line's
// beginning, so a line without commas gives the whole line for every field.
class FieldReader {
  public:
    explicit FieldReader(std::string_view line) : m_line(line) {}

    std::string_view Next() {
        size_t comma = m_line.find(',', m_position);
        if (comma == std::string_view::npos) {
            std::string_view field = m_line.substr(m_position);
            m_position = 0;
            return field;
        }
        std::string_view field = m_line.substr(m_position, comma - m_position);
        m_position = comma + 1;
        return field;
    }

  private:
    std::string_view m_line;
    size_t m_position = 0;
};

bool IsWhiteSpace(char ch) { return ch == ' ' || (ch >= '\t' && ch <= '\r'); }

int DigitValue(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return 99;
}

// Reads a number in `base` (10 or 16) the way the C library does: leading
// white space, an optional sign, for base 16 an optional 0x prefix, then digits
// up to the first character that is not one. No digits give 0.
int64_t ParseNumber(std::string_view field, int base) {
    size_t i = 0;
    while (i < field.size() && IsWhiteSpace(field[i])) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
    if (base == 16 && i + 2 < field.size() && field[i] == '0' &&
        (field[i + 1] == 'x' || field[i + 1] == 'X') && DigitValue(field[i + 2]) < 16) {
        i += 2;
    }
    int64_t value = 0;
    for (; i < field.size() && DigitValue(field[i]) < base; ++i) {
        value = std::min(value * base + DigitValue(field[i]), kNumberLimit);
    }
    return negative ? -value : value;
}

int64_t ParseDecimal(std::string_view field) { return ParseNumber(field, 10); }

// A range field: its colons are dropped ("0000:0100" is 0x100), the rest is
// hexadecimal.
int64_t ParseRange(std::string_view field) {
    std::string digits;
    for (char ch : field) {
        if (ch != ':') digits += ch;
    }
    return ParseNumber(digits, 16);
}

std::string_view HeaderLine(ByteView file, size_t start) {
    return ZeroTerminated(file, start, start + kLineLength);
}

// Adds the title line, when the title is not empty.
void AddTitle(ByteView file, ExtractedText& out) {
    std::string_view title = ZeroTerminated(file, kTitleStart, kTitleEnd);
    if (!title.empty()) out.Add(TextKind::JwTitle, title);
}

// Adds every non-empty zero-terminated string of the block [start, end) as a
// line. The block is cut to the data; one that starts outside it, or
// that ends before it starts, gives nothing. Bytes after the last zero byte
// are an unfinished string and give nothing.
void AddBlockStrings(SourceWindow& file, int64_t start, int64_t end, ExtractedText& out) {
    if (start < 0 || static_cast<uint64_t>(start) >= file.Size() || end <= start) return;
    uint64_t from = static_cast<uint64_t>(start);
    const uint64_t to = std::min(static_cast<uint64_t>(end), file.Size());
    // A string that began in an earlier piece of the block.
    GatheredLine gathered(out);
    while (from < to) {
        ByteView piece = file.At(from);
        if (piece.size == 0) return;  // a read failed: the data ends here
        piece.size = static_cast<size_t>(std::min<uint64_t>(piece.size, to - from));
        size_t at = 0;
        while (at < piece.size) {
            const void* zero = std::memchr(piece.data + at, 0, piece.size - at);
            if (zero == nullptr) {
                gathered.Append(Bytes(piece, at, piece.size));
                break;
            }
            size_t stop = static_cast<const uint8_t*>(zero) - piece.data;
            std::string_view string = Bytes(piece, at, stop);
            if (!gathered.Empty()) {
                gathered.Append(string);
                string = gathered.Kept();
            }
            if (!string.empty() && !out.Add(TextKind::JwText, string)) return;
            gathered.Clear();
            at = stop + 1;
        }
        from += piece.size;
        // A hole of zeros is a run of empty strings.
        if (gathered.Empty()) from = std::max(from, std::min(file.ZerosUntil(from), to));
    }
}

// The header: the first kHeaderSize bytes of the file (fewer when it is
// shorter), copied into `head`.
ByteView ReadHeader(SourceWindow& file, uint8_t (&head)[kHeaderSize]) {
    ByteView view = file.At(0, kHeaderSize);
    size_t size = std::min(view.size, kHeaderSize);
    if (size != 0) std::memcpy(head, view.data, size);
    return ByteView{head, size};
}

}  // namespace

void ExtractJwcText(ByteSource& source, ExtractedText& out) {
    SourceWindow file(source);
    uint8_t headBytes[kHeaderSize];
    ByteView head = ReadHeader(file, headBytes);
    if (!MatchAt(head, 0, kJwcSignature)) return;
    AddTitle(head, out);

    FieldReader counts(HeaderLine(head, kCountLine));
    int64_t c1 = ParseDecimal(counts.Next());
    int64_t c2 = ParseDecimal(counts.Next());
    int64_t c3 = ParseDecimal(counts.Next());

    // The range line is hexadecimal: "0000:0100,0000:0180" is a block of 0x80.
    FieldReader range(HeaderLine(head, kRangeLine));
    int64_t a = ParseRange(range.Next());
    int64_t b = ParseRange(range.Next());

    int64_t start = 2421 + 22 * c1 + 32 * c2 + 24 * c3;
    if (kVariantByte < head.size && head[kVariantByte] == 'f') start += 32;
    AddBlockStrings(file, start, start + (b - a), out);
}

void ExtractJwkText(ByteSource& source, ExtractedText& out) {
    SourceWindow file(source);
    uint8_t headBytes[kHeaderSize];
    ByteView head = ReadHeader(file, headBytes);
    if (!MatchAt(head, 0, kJwkSignature)) return;
    AddTitle(head, out);

    FieldReader counts(HeaderLine(head, kCountLine));
    int64_t c1 = ParseDecimal(counts.Next());
    int64_t c2 = ParseDecimal(counts.Next());
    int64_t c3 = ParseDecimal(counts.Next());
    int64_t c4 = ParseDecimal(counts.Next());

    // The block runs to the end of the file.
    int64_t start = 400 + 22 * c1 + 32 * c2 + 12 * c3 + 24 * c4;
    AddBlockStrings(file, start, static_cast<int64_t>(file.Size()), out);
}

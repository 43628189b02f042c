#include "extract/dxf.h"

#include <cstring>

#include "extract/spaces.h"
#include "search/match_at.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::string_view kBinarySentinel = "AutoCAD Binary DXF\r\n\x1a";

bool IsLineEnd(uint8_t byte) { return byte == '\r' || byte == '\n'; }

// Given `p`, the position of a digit '1' with a space before it and CR or LF
// after it, tells whether that '1' is a whole group-code-1 line: one or two
// spaces after a line feed before it, and CR LF or LF after it. Returns the
// position of the line's terminator (where the value line starts after it), or
// 0 when it is no such line.
size_t GroupOneValueStart(ByteView data, size_t p) {
    bool oneSpace = p >= 2 && data[p - 2] == '\n';
    bool twoSpaces = p >= 3 && data[p - 2] == ' ' && data[p - 3] == '\n';
    if (!oneSpace && !twoSpaces) return 0;
    if (size_t next = MatchAt(data, p + 1, "\r\n")) return next;
    if (size_t next = MatchAt(data, p + 1, "\n")) return next;
    return 0;
}

// Appends the value line that starts at `start` and CR LF to `out`. Returns
// the position of the value's terminator (CR, LF, or the end of the data).
size_t AppendValue(ByteView data, size_t start, std::string& out) {
    size_t end = start;
    while (end < data.size && !IsLineEnd(data[end])) ++end;
    out.append(reinterpret_cast<const char*>(data.data + start), end - start);
    out += "\r\n";
    return end;
}

// Finds the next position at or after `from` holding '1' with a space before
// it and CR or LF after it: the cheap filter that every group-code-1 line
// passes. Returns data.size when there is none.
size_t FindCandidate(ByteView data, size_t from) {
    size_t i = from < 1 ? 1 : from;
#if defined(__SSE2__)
    const __m128i one = _mm_set1_epi8('1');
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    // Each block compares data[i..i+16) with '1', the bytes before it with a
    // space and the bytes after it with CR and LF.
    while (data.size >= 17 && i <= data.size - 17) {
        const auto* at = reinterpret_cast<const __m128i*>(data.data + i);
        __m128i here = _mm_loadu_si128(at);
        __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data.data + i - 1));
        __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data.data + i + 1));
        __m128i hit =
            _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(here, one), _mm_cmpeq_epi8(before, space)),
                          _mm_or_si128(_mm_cmpeq_epi8(after, cr), _mm_cmpeq_epi8(after, lf)));
        int mask = _mm_movemask_epi8(hit);
        if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
        i += 16;
    }
#endif
    for (; i + 1 < data.size; ++i) {
        if (data[i] == '1' && data[i - 1] == ' ' && IsLineEnd(data[i + 1])) return i;
    }
    return data.size;
}

}  // namespace

std::string ExtractDxfText(ByteView data) {
    std::string out;
    if (MatchAt(data, 0, kBinarySentinel)) return out;

    size_t i = 0;
    while ((i = FindCandidate(data, i)) < data.size) {
        size_t valueStart = GroupOneValueStart(data, i);
        if (valueStart == 0) {
            ++i;
            continue;
        }
        // The value's terminator may itself end the line before the next
        // group-code-1 line, so the scan resumes on it.
        i = AppendValue(data, valueStart, out);
    }
    RemoveSpaces(out);
    return out;
}

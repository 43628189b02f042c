#include "extract/dxf.h"

#include <cstring>

#include "bytes/match_at.h"
#include "bytes/spaces.h"

#if defined(__x86_64__) || defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

constexpr std::string_view kBinarySentinel = "AutoCAD Binary DXF\r\n\x1a";

bool IsLineEnd(uint8_t byte) { return byte == '\r' || byte == '\n'; }

// Given `p`, the position of a digit '1', tells whether that '1' is a whole group-code-1 line: one
// or two spaces after a line feed before it, and CR LF or LF after it. Returns the position of the
// line's terminator (where the value line starts after it), or 0 when it is no such line.
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

// The vector filter: bit k of the result is set when position i + k holds
// '1', a space before it, CR or LF after it, and before the space a line feed
// or a second space. Loads data[i - 3, i + 17) (or + 33 for the wide form).
#if defined(__SSE2__)
unsigned FilterBlock16(const uint8_t* at) {
    auto load = [at](int offset) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + offset));
    };
    auto is = [](__m128i v, char ch) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(ch)); };
    __m128i before2 = load(-2);
    __m128i hit = _mm_and_si128(_mm_and_si128(is(load(0), '1'), is(load(-1), ' ')),
                                _mm_or_si128(is(load(1), '\r'), is(load(1), '\n')));
    hit = _mm_and_si128(
        hit, _mm_or_si128(is(before2, '\n'), _mm_and_si128(is(before2, ' '), is(load(-3), '\n'))));
    return static_cast<unsigned>(_mm_movemask_epi8(hit));
}
#endif

#if defined(__x86_64__) && defined(__GNUC__)
#define PLOTSIEVE_HAVE_AVX2_FILTER 1
__attribute__((target("avx2"))) inline uint32_t FilterBlock32(const uint8_t* at) {
    const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    const __m256i before = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at - 1));
    const __m256i before2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at - 2));
    const __m256i before3 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at - 3));
    const __m256i after = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 1));
    const __m256i lf = _mm256_set1_epi8('\n');
    const __m256i space = _mm256_set1_epi8(' ');
    __m256i hit = _mm256_and_si256(_mm256_and_si256(_mm256_cmpeq_epi8(here, _mm256_set1_epi8('1')),
                                                    _mm256_cmpeq_epi8(before, space)),
                                   _mm256_or_si256(_mm256_cmpeq_epi8(after, _mm256_set1_epi8('\r')),
                                                   _mm256_cmpeq_epi8(after, lf)));
    hit = _mm256_and_si256(hit, _mm256_or_si256(_mm256_cmpeq_epi8(before2, lf),
                                                _mm256_and_si256(_mm256_cmpeq_epi8(before2, space),
                                                                 _mm256_cmpeq_epi8(before3, lf))));
    return static_cast<uint32_t>(_mm256_movemask_epi8(hit));
}
#endif

// The first group-code-1 line among the candidates of `mask`, whose bit k
// stands for position i + k; 0 when none is one.
size_t FirstGroupOneLine(ByteView data, size_t i, uint32_t mask) {
    for (; mask != 0; mask &= mask - 1) {
        if (size_t start = GroupOneValueStart(data, i + static_cast<size_t>(__builtin_ctz(mask))))
            return start;
    }
    return 0;
}

#if defined(PLOTSIEVE_HAVE_AVX2_FILTER)
// The 32-byte blocks from `i` on, in one function so the filter is inlined.
// Leaves `i` at the first block it did not look at when it finds nothing.
__attribute__((target("avx2"))) size_t ScanWideBlocks(ByteView data, size_t& i) {
    for (; data.size >= 33 && i <= data.size - 33; i += 32) {
        if (uint32_t mask = FilterBlock32(data.data + i)) {
            if (size_t start = FirstGroupOneLine(data, i, mask)) return start;
        }
    }
    return 0;
}
#endif

// Finds the next group-code-1 line whose digit is at or after `from`.
// Returns the position where its value starts, or 0 when there is none.
size_t FindGroupOneLine(ByteView data, size_t from, bool wide) {
    size_t i = from < 3 ? 3 : from;
#if defined(PLOTSIEVE_HAVE_AVX2_FILTER)
    if (wide) {
        if (size_t start = ScanWideBlocks(data, i)) return start;
    }
#endif
#if defined(__SSE2__)
    for (; data.size >= 17 && i <= data.size - 17; i += 16) {
        if (unsigned mask = FilterBlock16(data.data + i)) {
            if (size_t start = FirstGroupOneLine(data, i, mask)) return start;
        }
    }
#endif
    (void)wide;
    for (; i + 1 < data.size; ++i) {
        if (data[i] == '1' && data[i - 1] == ' ' && IsLineEnd(data[i + 1])) {
            if (size_t start = GroupOneValueStart(data, i)) return start;
        }
    }
    return 0;
}

bool CpuHasAvx2() {
#if defined(PLOTSIEVE_HAVE_AVX2_FILTER)
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

}  // namespace

std::string ExtractDxfText(ByteView data) { return ExtractDxfTextWithFilter(data, CpuHasAvx2()); }

std::string ExtractDxfTextWithFilter(ByteView data, bool wide) {
    wide = wide && CpuHasAvx2();
    std::string out;
    if (MatchAt(data, 0, kBinarySentinel)) return out;

    size_t i = 0;
    while (size_t valueStart = FindGroupOneLine(data, i, wide)) {
        // The value's terminator may itself end the line before the next
        // group-code-1 line, so the scan resumes on it.
        i = AppendValue(data, valueStart, out);
    }
    RemoveSpaces(out);
    return out;
}

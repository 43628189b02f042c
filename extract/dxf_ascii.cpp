#include "extract/dxf_ascii.h"

#include <bit>
#include <cstdint>

#include "extract/dxf_entity_text.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define PLOTSIEVE_DXF_SSE2 1
#endif

#if defined(__GNUC__)
#define PLOTSIEVE_DXF_INLINE inline __attribute__((always_inline))
#else
#define PLOTSIEVE_DXF_INLINE inline
#endif

namespace {

// A code line longer than this is no group code.
constexpr size_t kCodeLineKeep = 32;

// Bit k set when byte base + k of the block is a line feed (k < 64).
PLOTSIEVE_DXF_INLINE uint64_t LineFeedMask(const uint8_t* data, size_t size, size_t base) {
    const uint8_t* at = data + base;
    size_t count = size - base;
#if defined(PLOTSIEVE_DXF_SSE2)
    if (count >= 64) {
        const __m128i lf = _mm_set1_epi8('\n');
        auto bits = [at, lf](int offset) {
            __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + offset));
            return static_cast<uint64_t>(
                static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lf))));
        };
        return bits(0) | bits(16) << 16 | bits(32) << 32 | bits(48) << 48;
    }
#endif
    uint64_t mask = 0;
    for (size_t k = 0; k < count && k < 64; ++k) {
        if (at[k] == '\n') mask |= uint64_t{1} << k;
    }
    return mask;
}

// The line feeds of a block, found 64 bytes at a time: a bit mask per window,
// its bits taken lowest first. DXF lines are short (a group code, a
// coordinate), so this beats a search call per line.
struct LineFeeds {
    const uint8_t* data;
    size_t size;
    size_t base = 0;
    uint64_t mask = 0;

    LineFeeds(ByteView block) : data(block.data), size(block.size) {
        mask = LineFeedMask(data, size, 0);
    }

    // The position of the next line feed; false when the block has none left.
    PLOTSIEVE_DXF_INLINE bool Next(size_t& at) {
        while (mask == 0) {
            if (size - base <= 64) return false;
            base += 64;
            mask = LineFeedMask(data, size, base);
        }
        at = base + static_cast<size_t>(std::countr_zero(mask));
        mask &= mask - 1;
        return true;
    }
};

// Where the reading is between lines: the code just read and whether its value
// line comes next and is wanted.
struct PairState {
    int code = 0;
    bool atValue = false;
    bool wanted = false;

    // How many bytes of the next line to keep.
    size_t Keep() const { return !atValue ? kCodeLineKeep : wanted ? kDxfValueCap : 0; }
};

// The line [start, lf) of the block without its CR, kept up to `keep` bytes.
PLOTSIEVE_DXF_INLINE DxfPiece LineAt(const uint8_t* data, size_t start, size_t lf, size_t keep) {
    size_t length = lf - start;
    if (length > 0 && data[lf - 1] == '\r') --length;
    return {std::string_view(reinterpret_cast<const char*>(data) + start,
                             length < keep ? length : keep),
            length};
}

// The group code of a code line: a number, with a sign or not, and any spaces
// before and after it. False for anything else. The byte after the line (its
// CR or LF in the block, the zero after a gathered line) is no digit, space or
// sign, so the walk up to the number's end needs no bounds check.
PLOTSIEVE_DXF_INLINE bool ParseGroupCode(const DxfPiece& line, int& code) {
    if (line.Cut()) return false;
    const char* at = line.bytes.data();
    while (*at == ' ') ++at;
    bool negative = *at == '-';
    if (negative) ++at;
    const char* digits = at;
    unsigned value = 0;  // wraps on a long run of digits, which is refused anyway
    for (unsigned digit; (digit = static_cast<unsigned char>(*at) - unsigned{'0'}) <= 9; ++at) {
        value = value * 10 + digit;
    }
    if (at == digits || at - digits > 6) return false;
    // After the number: spaces, and a CR where a writer doubled it (CR CR LF).
    const char* end = line.bytes.data() + line.bytes.size();
    while (at < end && (*at == ' ' || *at == '\r')) ++at;
    if (at != end) return false;
    code = negative ? -static_cast<int>(value) : static_cast<int>(value);
    return true;
}

// Takes one whole line (code or value, as `state` says); false when the
// reading should stop: a code line that is no number, or `text` says so.
PLOTSIEVE_DXF_INLINE bool TakeLine(const DxfPiece& line, PairState& state, DxfEntityText& text) {
    if (state.atValue) {
        state.atValue = false;
        return !state.wanted || text.Take(state.code, line.bytes);
    }
    if (!ParseGroupCode(line, state.code)) return false;
    state.wanted = text.Wants(state.code);
    state.atValue = true;
    return true;
}

// Takes the whole lines of the block from `pos` on: the hot loop, a code line
// and its value line per turn, the values nobody wants passed over without a
// look. Leaves in `pos` where the block's unfinished last line begins. False
// when the reading should stop.
bool TakeLinesOfBlock(LineFeeds& feeds, size_t& pos, PairState& state, DxfEntityText& text) {
    PairState now = state;
    size_t start = pos, lf;
    bool more = true;
    for (;;) {
        if (now.atValue) {
            if (!feeds.Next(lf)) break;
            if (now.wanted) {
                more = text.Take(now.code, LineAt(feeds.data, start, lf, kDxfValueCap).bytes);
                if (!more) break;
            }
            start = lf + 1;
            now.atValue = false;
        }
        if (!feeds.Next(lf)) break;
        more = ParseGroupCode(LineAt(feeds.data, start, lf, kCodeLineKeep), now.code);
        if (!more) break;
        now.wanted = text.Wants(now.code);
        now.atValue = true;
        start = lf + 1;
    }
    state = now;
    pos = start;
    return more;
}

// A gathered line without its CR.
DxfPiece WithoutCr(const DxfCarry& carry) {
    DxfPiece line = carry.Piece();
    if (carry.Last() == '\r') {
        if (line.bytes.size() == line.length) line.bytes.remove_suffix(1);
        --line.length;
    }
    return line;
}

}  // namespace

void ReadDxfAsciiPairs(DxfBlocks& blocks, DxfEntityText& text) {
    PairState state;
    DxfCarry carry;
    bool carrying = false;  // a line began in an earlier block
    bool more = true;
    while (more) {
        ByteView block = blocks.Next();
        if (block.size == 0) break;
        LineFeeds feeds(block);
        size_t pos = 0;
        if (carrying) {
            // The line ends at the block's first line feed, or runs on.
            size_t lf;
            if (!feeds.Next(lf)) {
                carry.Append(block.data, block.size);
                // A code line this long is none: no need to look for its end
                // (a file of zeros ends here, not after gigabytes).
                more = state.atValue || carry.Length() <= kCodeLineKeep;
                continue;
            }
            carry.Append(block.data, lf);
            carrying = false;
            pos = lf + 1;
            more = TakeLine(WithoutCr(carry), state, text);
        }
        if (more) more = TakeLinesOfBlock(feeds, pos, state, text);
        if (more) {
            carry.Start(state.Keep());
            carry.Append(block.data + pos, block.size - pos);
            carrying = true;
            more = state.atValue || carry.Length() <= kCodeLineKeep;
        }
    }
    // A last line without its end counts.
    if (more && carrying && carry.Length() > 0) TakeLine(WithoutCr(carry), state, text);
    text.Finish();
}

#include "match/keyword_prefilter.h"

#include <algorithm>
#include <array>
#include <bit>

#include "bytes/best_fit.h"
#include "bytes/code_pages.h"
#include "bytes/cp932.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define PLOTSIEVE_PREFILTER_SSE2 1
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define PLOTSIEVE_PREFILTER_AVX2 1
#endif

namespace {

// The most first bytes the vector scans compare with.
constexpr size_t kMaxFirstBytes = 16;

// The kanji of JIS X 0208 (levels 1 and 2): no clean-up, case or width
// folding makes them from other characters or changes them, so each shows in
// the text only as itself.
bool IsFixedCharacter(uint8_t lead, uint8_t trail) {
    return ((lead >= 0x88 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xEA)) && trail >= 0x40 &&
           trail <= 0xFC && trail != 0x7F;
}

// The kanji of a piece (in match form), each once, at most `limit`.
std::vector<uint16_t> FixedCharacters(const std::string& piece, size_t limit) {
    std::vector<uint16_t> found;
    for (size_t i = 0; i < piece.size() && found.size() < limit;) {
        size_t length = Cp932CharLength(piece, i);
        if (length == 2) {
            auto lead = static_cast<uint8_t>(piece[i]);
            auto trail = static_cast<uint8_t>(piece[i + 1]);
            uint16_t code = static_cast<uint16_t>(lead << 8 | trail);
            if (IsFixedCharacter(lead, trail) &&
                std::find(found.begin(), found.end(), code) == found.end()) {
                found.push_back(code);
            }
        }
        i += length;
    }
    return found;
}

// The position of the first byte of `data` that equals one of `firsts`, or
// `size`.
size_t FindAnyScalar(const uint8_t* data, size_t size, const std::vector<uint8_t>& firsts) {
    for (size_t i = 0; i < size; ++i) {
        if (std::find(firsts.begin(), firsts.end(), data[i]) != firsts.end()) return i;
    }
    return size;
}

#if defined(PLOTSIEVE_PREFILTER_SSE2)
size_t FindAnySse2(const uint8_t* data, size_t size, const std::vector<uint8_t>& firsts) {
    __m128i wanted[kMaxFirstBytes];
    for (size_t k = 0; k < firsts.size(); ++k)
        wanted[k] = _mm_set1_epi8(static_cast<char>(firsts[k]));
    size_t i = 0;
    for (; size - i >= 16; i += 16) {
        __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        __m128i any = _mm_cmpeq_epi8(chunk, wanted[0]);
        for (size_t k = 1; k < firsts.size(); ++k) {
            any = _mm_or_si128(any, _mm_cmpeq_epi8(chunk, wanted[k]));
        }
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(any));
        if (mask != 0) return i + static_cast<size_t>(std::countr_zero(mask));
    }
    return i + FindAnyScalar(data + i, size - i, firsts);
}
#endif

// Up to eight bytes, each its own bit: byte b is one of them when
// low[b & 15] & high[b >> 4] is not zero (a byte's two nibbles meet only in
// its own bit). Two table lookups a vector, however many bytes are looked for.
struct NibbleTables {
    // Each table four times over, so that a 64-byte vector loads it whole.
    uint8_t low[64] = {};
    uint8_t high[64] = {};

    explicit NibbleTables(const std::vector<uint8_t>& bytes) {
        for (size_t k = 0; k < bytes.size() && k < 8; ++k) {
            for (size_t copy = 0; copy < 64; copy += 16) {
                low[copy + (bytes[k] & 15)] |= static_cast<uint8_t>(1 << k);
                high[copy + (bytes[k] >> 4)] |= static_cast<uint8_t>(1 << k);
            }
        }
    }
};

#if defined(PLOTSIEVE_PREFILTER_AVX2)
__attribute__((target("avx2"))) size_t FindAnyAvx2(const uint8_t* data, size_t size,
                                                   const NibbleTables& tables,
                                                   const std::vector<uint8_t>& firsts) {
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(tables.low));
    const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(tables.high));
    const __m256i nibble = _mm256_set1_epi8(15);
    size_t i = 0;
    for (; size - i >= 32; i += 32) {
        __m256i chunk = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i));
        __m256i lowBits = _mm256_shuffle_epi8(low, _mm256_and_si256(chunk, nibble));
        __m256i highBits =
            _mm256_shuffle_epi8(high, _mm256_and_si256(_mm256_srli_epi16(chunk, 4), nibble));
        __m256i both = _mm256_and_si256(lowBits, highBits);
        if (_mm256_testz_si256(both, both)) continue;
        unsigned mask = ~static_cast<unsigned>(
            _mm256_movemask_epi8(_mm256_cmpeq_epi8(both, _mm256_setzero_si256())));
        return i + static_cast<size_t>(std::countr_zero(mask));
    }
    return i + FindAnyScalar(data + i, size - i, firsts);
}

// The same, 64 bytes at a time.
__attribute__((target("avx512bw"))) size_t FindAnyAvx512(const uint8_t* data, size_t size,
                                                         const NibbleTables& tables,
                                                         const std::vector<uint8_t>& firsts) {
    const __m512i low = _mm512_loadu_si512(tables.low);
    const __m512i high = _mm512_loadu_si512(tables.high);
    const __m512i nibble = _mm512_set1_epi8(15);
    size_t i = 0;
    for (; size - i >= 64; i += 64) {
        __m512i chunk = _mm512_loadu_si512(data + i);
        __m512i lowBits = _mm512_shuffle_epi8(low, _mm512_and_si512(chunk, nibble));
        __m512i highBits =
            _mm512_shuffle_epi8(high, _mm512_and_si512(_mm512_srli_epi16(chunk, 4), nibble));
        __mmask64 hits = _mm512_test_epi8_mask(lowBits, highBits);
        if (hits != 0) return i + static_cast<size_t>(std::countr_zero(hits));
    }
    return i + FindAnyAvx2(data + i, size - i, tables, firsts);
}
#endif

// The first bytes of a character's UTF-8 form, at most three (the fourth of
// a four-byte form need not be compared by a test that may say "maybe" too
// often); a zero third byte for a two-byte form.
std::array<uint8_t, 3> Utf8Prefix(char32_t c) {
    auto continuation = [](char32_t bits) { return static_cast<uint8_t>(0x80 | (bits & 0x3F)); };
    if (c < 0x800) return {static_cast<uint8_t>(0xC0 | c >> 6), continuation(c), 0};
    if (c < 0x10000) {
        return {static_cast<uint8_t>(0xE0 | c >> 12), continuation(c >> 6), continuation(c)};
    }
    return {static_cast<uint8_t>(0xF0 | c >> 18), continuation(c >> 12), continuation(c >> 6)};
}

bool IsLineEnd(int byte) { return byte == '\r' || byte == '\n' || byte == 0; }

// How many bytes a block of a file scan reads, and how many of them the next
// block reads again, so that every needle (three bytes at most) lies whole
// in one block.
constexpr size_t kScanBlock = size_t{256} << 10;
constexpr size_t kScanOverlap = 2;

}  // namespace

// One scan of one drawing's bytes: which kanji were seen so far.
class KeywordPrefilter::Scan {
  public:
    Scan(const KeywordPrefilter& filter, unsigned forms)
        : m_filter(filter),
          m_forms(forms),
          m_firsts(FirstBytes(filter, forms)),
          m_tables(m_firsts) {}

    // Looks through `bytes`; true as soon as some piece may be there.
    bool Feed(ByteView bytes) {
        if (m_firsts.empty()) return false;
        for (size_t at = 0; at < bytes.size; ++at) {
            at += FindAny(bytes.data + at, bytes.size - at);
            if (at == bytes.size) break;
            if (Look(bytes, at)) return true;
        }
        return false;
    }

  private:
    static std::vector<uint8_t> FirstBytes(const KeywordPrefilter& filter, unsigned forms) {
        std::vector<uint8_t> firsts;
        for (const Needle& needle : filter.m_needles) {
            if ((needle.form & forms) == 0) continue;
            if (std::find(firsts.begin(), firsts.end(), needle.first) == firsts.end()) {
                firsts.push_back(needle.first);
            }
        }
        return firsts;
    }

    size_t FindAny(const uint8_t* data, size_t size) const {
#if defined(PLOTSIEVE_PREFILTER_AVX2)
        if (m_filter.m_avx512 && m_firsts.size() <= 8) {
            return FindAnyAvx512(data, size, m_tables, m_firsts);
        }
        if (m_filter.m_avx2 && m_firsts.size() <= 8) {
            return FindAnyAvx2(data, size, m_tables, m_firsts);
        }
#endif
#if defined(PLOTSIEVE_PREFILTER_SSE2)
        if (m_filter.m_sse2 && m_firsts.size() <= kMaxFirstBytes) {
            return FindAnySse2(data, size, m_firsts);
        }
#endif
        return FindAnyScalar(data, size, m_firsts);
    }

    // Compares every needle that starts with the byte at `at`; true once
    // some piece may be there. The bytes end where the data ends, or where
    // the next block (which reads the last two bytes again) takes over, so a
    // needle cut off by their end is none.
    bool Look(ByteView bytes, size_t at) {
        const int second = at + 1 < bytes.size ? bytes[at + 1] : -1;
        const int third = at + 2 < bytes.size ? bytes[at + 2] : -1;
        const bool split = (m_forms & kRawSplitAtLineEnds) != 0;
        for (const Needle& needle : m_filter.m_needles) {
            if (needle.first != bytes[at] || (needle.form & m_forms) == 0) continue;
            bool escape = needle.kanji == kEscapeBit;
            bool seen;
            if (second == needle.second) {
                seen = needle.third == 0 || third == needle.third ||
                       (split && !escape && IsLineEnd(third));
            } else {
                seen = split && !escape && IsLineEnd(second);
            }
            if (seen) m_seen |= uint64_t{1} << needle.kanji;
        }
        if ((m_seen >> kEscapeBit) & 1) return true;
        for (uint64_t need : m_filter.m_pieces) {
            if ((need & ~m_seen) == 0) return true;
        }
        return false;
    }

    const KeywordPrefilter& m_filter;
    unsigned m_forms;
    std::vector<uint8_t> m_firsts;  // the first bytes of the needles looked for
    NibbleTables m_tables;
    uint64_t m_seen = 0;
};

KeywordPrefilter::KeywordPrefilter(const KeywordList& keywords, Vectors vectors)
    : m_sse2(vectors != Vectors::None) {
#if defined(PLOTSIEVE_PREFILTER_AVX2)
    m_avx2 =
        (vectors == Vectors::Best || vectors == Vectors::Avx2) && __builtin_cpu_supports("avx2");
    m_avx512 = vectors == Vectors::Best && m_avx2 && __builtin_cpu_supports("avx512bw");
#endif
    // Each piece needs its kanji (up to three, fewer when there are many
    // pieces); a piece without one could be anywhere, and so could every
    // keyword.
    if (keywords.empty()) return;
    size_t perPiece = std::max<size_t>(1, std::min<size_t>(3, kMaxCharacters / keywords.size()));
    std::vector<uint16_t> characters;
    std::vector<uint64_t> pieces;
    for (const std::string& piece : keywords) {
        std::vector<uint16_t> fixed = FixedCharacters(piece, perPiece);
        if (fixed.empty()) return;
        uint64_t need = 0;
        for (uint16_t code : fixed) {
            auto known = std::find(characters.begin(), characters.end(), code);
            if (known == characters.end()) {
                if (characters.size() == kMaxCharacters) return;
                known = characters.insert(characters.end(), code);
            }
            need |= uint64_t{1} << (known - characters.begin());
        }
        pieces.push_back(need);
    }
    for (size_t bit = 0; bit < characters.size(); ++bit) {
        uint16_t code = characters[bit];
        auto kanji = static_cast<uint8_t>(bit);
        m_needles.push_back({static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code & 0xFF), 0,
                             kanji, kRawCp932});
        // In UTF-8 the kanji is its own code point (three bytes), or a
        // character whose best fit holds it (a Kangxi radical, a CJK
        // compatibility ideograph, ㋀ for 月): the readers convert those to it.
        std::vector<char32_t> sources = UnicodeOfCp932(code);
        for (char32_t c : BestFitSourcesOf(code)) sources.push_back(c);
        for (char32_t c : sources) {
            if (c < 0x80) continue;
            std::array<uint8_t, 3> bytes = Utf8Prefix(c);
            m_needles.push_back({bytes[0], bytes[1], bytes[2], kanji, kRawUtf8});
        }
    }
    m_needles.push_back({'\\', 'U', '+', kEscapeBit, kRawEscapes});
    m_needles.push_back({'\\', 'M', '+', kEscapeBit, kRawEscapes});
    m_pieces = std::move(pieces);
}

bool KeywordPrefilter::MayMatch(ByteView bytes, unsigned forms) const {
    if (!Active() || forms == 0) return true;
    Scan scan(*this, forms);
    return scan.Feed(bytes);
}

bool KeywordPrefilter::MayMatch(ByteSource& file, unsigned forms,
                                std::vector<uint8_t>& scratch) const {
    if (!Active() || forms == 0) return true;
    ByteView whole = file.InMemory();
    if (whole.data != nullptr) return MayMatch(whole, forms);
    Scan scan(*this, forms);
    const uint64_t size = file.Size();
    for (uint64_t offset = 0; offset < size;) {
        // A hole reads as zeros, and every needle starts with another byte.
        uint64_t data = file.DataFrom(offset);
        if (data >= size) break;
        if (data > offset) offset = data;
        ByteView block = file.Read(offset, kScanBlock, scratch);
        if (block.size == 0) break;  // a read failed: the data ends here
        if (scan.Feed(block)) return true;
        if (block.size <= kScanOverlap || offset + block.size >= size) break;
        offset += block.size - kScanOverlap;
    }
    return false;
}

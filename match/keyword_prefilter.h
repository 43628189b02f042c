#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bytes/byte_source.h"
#include "match/keywords.h"

// How a drawing type's text lies in the file's own bytes, for the prefilter:
// a set of these flags (0: the text cannot be found in the raw bytes, as in
// compressed or bit-packed drawings).
enum RawTextForm : unsigned {
    kRawCp932 = 1,    // CP932 bytes as stored, each character whole
    kRawUtf8 = 2,     // or UTF-8 (DXF from AC1021 on)
    kRawEscapes = 4,  // \U+ and \M+ escapes that the keyword test draws
    // Values joined across lines (DXF MTEXT chunks, table cells): a
    // character may be parted by a line end (CR, LF, or the zero that ends a
    // binary DXF string).
    kRawSplitAtLineEnds = 8,
};

// A quick test that rules drawings out before they are parsed: a kanji of a
// keyword piece (a character that no clean-up, case or width folding makes
// from any other; up to three per piece) must lie in the drawing's bytes in
// one of the forms its type stores text in, or the piece cannot be in its
// text. A drawing is read
// by its reader only when some piece may be there. A search whose pieces
// hold no kanji (ASCII, kana) cannot use it: every drawing is read.
class KeywordPrefilter {
  public:
    // The vector instructions the scan may use: the best the processor has,
    // or fewer (tests compare them all).
    enum class Vectors { Best, Avx2, Sse2, None };

    // Inactive: rules nothing out.
    KeywordPrefilter() = default;
    explicit KeywordPrefilter(const KeywordList& keywords, Vectors vectors = Vectors::Best);

    // True when the prefilter can rule drawings out.
    bool Active() const { return !m_pieces.empty(); }

    // False when the bytes of `file`, holding text in `forms`, cannot hold
    // any piece; true when some piece may be there (always true when the
    // prefilter is not active or `forms` is 0). Reads the source in blocks
    // (through `scratch`), passing over the holes of a sparse file, and stops
    // as soon as the answer is true.
    bool MayMatch(ByteSource& file, unsigned forms, std::vector<uint8_t>& scratch) const;

    // The same over bytes in memory.
    bool MayMatch(ByteView bytes, unsigned forms) const;

    // The most kanji looked for, in all pieces together.
    static constexpr size_t kMaxCharacters = 6;

  private:
    struct Needle {
        uint8_t first;
        uint8_t second;
        uint8_t third;  // 0: a two-byte needle
        uint8_t kanji;  // the bit of the character it shows; kEscapeBit for an escape
        uint8_t form;   // the RawTextForm it stands for
    };
    static constexpr uint8_t kEscapeBit = 63;

    class Scan;

    std::vector<uint64_t> m_pieces;  // per piece, the bits of the kanji it needs
    std::vector<Needle> m_needles;
    // What the processor has: the scan looks at 32 bytes at a time with
    // AVX2, 64 with AVX-512.
    bool m_sse2 = true;
    bool m_avx2 = false;
    bool m_avx512 = false;
};

#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bytes/extracted_text.h"
#include "match/keywords.h"

// A drawing's text signature: which pairs of adjacent bytes occur in the
// match form of its lines (each line after its kind's clean-up), as a bit
// set the text cache keeps beside the lines. A keyword piece found in a line
// has every pair of its own adjacent bytes among the line's, so a drawing
// whose signature lacks one pair of each piece cannot match, and its lines
// need not be decoded and tested. The test may say "maybe" for a drawing
// that does not match; never "no" for one that does.
//
// Layout: one byte, the base-2 logarithm of the bit count (8 to 16), then the
// bits, least significant first in each byte. With 65536 bits every pair has
// a bit of its own; fewer bits are chosen for texts of fewer distinct pairs
// (about four bits per pair) and pairs share bits by a hash.
std::string MakeTextSignature(const ExtractedText& text);

// The keyword side, made once per search from its pieces.
class SignatureQuery {
  public:
    SignatureQuery() = default;  // says "maybe" to every signature
    explicit SignatureQuery(const KeywordList& keywords);

    // False only when no piece can occur in the text `signature` describes.
    // An empty or malformed signature, or a piece shorter than two bytes,
    // gives true.
    bool MayMatch(std::string_view signature) const;

  private:
    bool m_always = true;
    std::vector<std::vector<uint16_t>> m_pairs;  // per piece, its byte pairs
};

#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bytes/extracted_text.h"
#include "search/keyword_prefilter.h"
#include "search/keywords.h"
#include "search/line_match.h"

// What every candidate of one search is tested against: the keyword pieces,
// and the prefilter made from them once for the search.
struct KeywordTest {
    explicit KeywordTest(KeywordList keywordPieces)
        : pieces(std::move(keywordPieces)), prefilter(pieces) {}

    KeywordList pieces;
    KeywordPrefilter prefilter;
};

// What one evaluation thread keeps from candidate to candidate, so that a
// warm thread allocates nothing per drawing: the buffer a small drawing is
// read into, and the text its reader gives. Its size is bounded: see
// kWholeReadLimit and kSearchTextLimit.
struct CandidateScratch {
    std::vector<uint8_t> bytes;
    ExtractedText text{kSearchTextLimit};

    // A drawing read front to back is read into `bytes` whole when it holds
    // at most this many bytes, and walked there in place; a larger one is
    // read in blocks by its reader.
    static constexpr size_t kWholeReadLimit = size_t{1} << 20;
    // The text of one drawing the search keeps: a drawing with more text is
    // searched in as much of it as this holds.
    static constexpr size_t kSearchTextLimit = ExtractedText::kDefaultByteLimit;
};

// Reads the drawing at `path` (a regular file when its status was read, as
// `knownRegular` says) with the reader of its extension and gives the first
// line that holds a piece (FindMatchingLine), or nothing. The prefilter rules
// a drawing out before its reader runs when it can. `readable` is set false
// when the file cannot be opened. Never throws: a drawing too large to treat
// is read as far as memory allows.
std::optional<LineMatch> MatchCandidateText(const std::string& path, bool knownRegular,
                                            const KeywordTest& test, CandidateScratch& scratch,
                                            bool& readable);

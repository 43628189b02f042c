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
// read into, and the lines its reader gives.
struct CandidateScratch {
    // A drawing read front to back is read into `bytes` whole when it holds
    // at most this many bytes, and walked there in place; a larger one is
    // read in blocks by its reader.
    static constexpr size_t kWholeReadLimit = size_t{1} << 20;
    // The lines kept at a time: when they fill it, they are tested and
    // dropped, and the reading goes on.
    static constexpr size_t kTextLimit = size_t{4} << 20;

    std::vector<uint8_t> bytes;
    ExtractedText text{kTextLimit};
};

// Reads the drawing at `path` (a regular file when its status was read, as
// `knownRegular` says) with the reader of its extension and gives the first
// line that holds a piece (FindMatchingLine), or nothing. The prefilter rules
// a drawing out before its reader runs when it can; the lines are tested as
// the text fills, and the reading stops at the first match. `readable` is
// set false when the file cannot be opened, or memory runs out while it is
// read (LastReadError() then says why). Never throws.
std::optional<LineMatch> MatchCandidateText(const std::string& path, bool knownRegular,
                                            const KeywordTest& test, CandidateScratch& scratch,
                                            bool& readable);

#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bytes/extracted_text.h"
#include "match/keyword_prefilter.h"
#include "match/keywords.h"
#include "match/line_match.h"
#include "platform/read_result.h"

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

// What reading one candidate gave.
struct CandidateReading {
    // True when `scratch.text` holds every line of the drawing (what a text
    // cache may keep): the drawing was read to its end, and its lines fit.
    bool wholeText = false;
    // The prefilter ruled the drawing out: its reader never ran.
    bool ruledOut = false;
    // The first line that holds a piece (FindMatchingLine).
    std::optional<LineMatch> match;
};

// Reads the drawing at `path` (a regular file when its status was just read,
// as `knownRegular` says) with the reader of its extension into
// `scratch.text`, testing its lines against `keywords` (none: no test) a
// text-full at a time, so a drawing of any size is read in the memory of one
// text. `prefilter` (nullptr: none) rules a drawing out before its reader
// runs when it can. Without `wholeText` the reading stops at the first
// match; with it the drawing is always read to its end (to keep its text).
// Gives the error, with `scratch.text` empty, when the file cannot be opened
// or memory runs out while it is read. Never throws.
ReadResult<CandidateReading> ReadCandidateText(const std::string& path, bool knownRegular,
                                               const KeywordList& keywords,
                                               const KeywordPrefilter* prefilter, bool wholeText,
                                               CandidateScratch& scratch);

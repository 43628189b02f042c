#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "bytes/extracted_text.h"
#include "match/keywords.h"

// One line of a drawing where a keyword piece occurs, as a person reads it.
struct MatchedLine {
    TextKind kind = TextKind::Text;
    // The line after its kind's clean-up (CP932); where the clean-up breaks
    // a value into parts (an MTEXT paragraph break), the part.
    std::string text;
    // Where pieces occur in `text`: byte ranges [first, second), in order,
    // apart from each other, each on character boundaries.
    std::vector<std::pair<size_t, size_t>> marks;
};

// Every line of `text` that holds a piece of any of `searches` (a search and
// the narrowing searches after it), in the drawing's order, with every place
// of every piece marked. The test is the keyword test's: the line's match
// form (width, case and spaces folded) searched at character boundaries, so
// "ＰＬＡＮ" and "p l a n" are marked for "plan". Empty pieces (the search that
// lists every drawing) mark nothing. At most `limit` lines.
std::vector<MatchedLine> FindMatchedLines(const ExtractedText& text,
                                          std::span<const KeywordList> searches, size_t limit);

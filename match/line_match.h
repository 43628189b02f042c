#pragma once

#include <optional>
#include <string>

#include "bytes/extracted_text.h"
#include "match/keywords.h"

// Where a drawing matched: one line of what the keyword test saw.
struct LineMatch {
    // The line after its kind's clean-up (CP932). Where the clean-up breaks a
    // value into several lines (an MTEXT paragraph break), the one that holds
    // the keyword.
    std::string text;
    TextKind kind = TextKind::Text;
};

// One line as the keyword test sees it: after its kind's clean-up (the line
// itself when it needs none, else kept in `cleaned`), returned, and in match
// form, in `folded`. Both buffers are reused from line to line.
std::string_view CleanAndFold(TextLine line, std::string& cleaned, std::string& folded);

// The keyword test of one line as CleanAndFold gave it: `seen`, and
// `folded`, its match form. Gives the part of `seen` that holds the first
// piece found (as LineMatch::text), or nothing when no piece is there (always
// nothing for an empty list; an empty piece is found at the start).
std::optional<std::string> MatchInLine(std::string_view seen, std::string_view folded,
                                       const KeywordList& keywords);

// The keyword test of a drawing: each line of `text`, after its kind's
// clean-up (CleanLine) and in match form, is searched for each piece in
// order; a keyword never spans two lines. Gives the first line that holds a
// piece, or nothing (always nothing for an empty list). An empty piece
// matches the first line.
std::optional<LineMatch> FindMatchingLine(const ExtractedText& text, const KeywordList& keywords);

#include "match/line_match.h"

#include <string_view>

#include "bytes/cp932.h"
#include "match/text_cleanup.h"

namespace {

// The part of `line` between line feeds that holds the character at
// `foldedPosition` of its match form. Both walk by the same characters and a
// line feed is a character of its own in both, so the count of line feeds
// before the position names the part.
std::string_view PartHolding(std::string_view line, std::string_view folded,
                             size_t foldedPosition) {
    size_t breaks = 0;
    for (size_t k = 0; k < foldedPosition; k += Cp932CharLength(folded, k)) {
        if (folded[k] == '\n') ++breaks;
    }
    size_t begin = 0;
    for (size_t k = 0; k < line.size(); k += Cp932CharLength(line, k)) {
        if (line[k] != '\n') continue;
        if (breaks == 0) return line.substr(begin, k - begin);
        --breaks;
        begin = k + 1;
    }
    return line.substr(begin);
}

}  // namespace

std::string_view CleanAndFold(TextLine line, std::string& cleaned, std::string& folded) {
    std::string_view seen = line.text;
    if (MayNeedCleanup(line.kind, seen)) {
        cleaned.clear();
        AppendCleanLine(line.kind, seen, cleaned);
        seen = cleaned;
    }
    folded.clear();
    AppendMatchForm(seen, folded);
    return seen;
}

std::optional<std::string> MatchInLine(std::string_view seen, std::string_view folded,
                                       const KeywordList& keywords) {
    for (const std::string& piece : keywords) {
        size_t found = FindAtCharacterBoundary(folded, piece);
        if (found != std::string_view::npos) return std::string(PartHolding(seen, folded, found));
    }
    return std::nullopt;
}

std::optional<LineMatch> FindMatchingLine(const ExtractedText& text, const KeywordList& keywords) {
    if (keywords.empty()) return std::nullopt;
    std::string cleaned;
    std::string folded;
    for (size_t i = 0; i < text.size(); ++i) {
        std::string_view seen = CleanAndFold(text[i], cleaned, folded);
        if (std::optional<std::string> part = MatchInLine(seen, folded, keywords)) {
            return LineMatch{std::move(*part), text[i].kind};
        }
    }
    return std::nullopt;
}

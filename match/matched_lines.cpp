#include "match/matched_lines.h"

#include <algorithm>
#include <string_view>

#include "bytes/cp932.h"
#include "match/line_match.h"

namespace {

// Half-width voiced and semi-voiced sound marks (DE, DF) and the full-width
// ones (81 4A, 81 4B): a kana before one may fold with it into one character.
bool IsSoundMark(std::string_view text, size_t at) {
    const auto byte = static_cast<uint8_t>(text[at]);
    if (byte == 0xDE || byte == 0xDF) return true;
    return byte == 0x81 && at + 1 < text.size() &&
           (static_cast<uint8_t>(text[at + 1]) == 0x4A ||
            static_cast<uint8_t>(text[at + 1]) == 0x4B);
}

// The match form of a line with, for each of its bytes, the range of the
// line's bytes it came from; false when the form cannot be traced to the
// line character by character (then nothing is marked).
struct TracedForm {
    std::string folded;
    std::vector<std::pair<size_t, size_t>> origin;  // one per byte of `folded`
};

bool TraceMatchForm(std::string_view line, TracedForm& traced) {
    traced.folded.clear();
    traced.origin.clear();
    for (size_t at = 0; at < line.size();) {
        size_t end = at + Cp932CharLength(line, at);
        // A kana and its sound mark fold into one character when they can.
        if (end < line.size() && IsSoundMark(line, end)) {
            const size_t pairEnd = end + Cp932CharLength(line, end);
            const std::string pair = MatchForm(line.substr(at, pairEnd - at));
            if (pair.size() < MatchForm(line.substr(at, end - at)).size() +
                                  MatchForm(line.substr(end, pairEnd - end)).size()) {
                end = pairEnd;
            }
        }
        const size_t before = traced.folded.size();
        AppendMatchForm(line.substr(at, end - at), traced.folded);
        traced.origin.insert(traced.origin.end(), traced.folded.size() - before, {at, end});
        at = end;
    }
    return traced.folded == MatchForm(line);
}

// The marks of every piece in the traced line, merged where they touch.
std::vector<std::pair<size_t, size_t>> MarkPieces(const TracedForm& traced,
                                                  std::span<const KeywordList> searches) {
    std::vector<std::pair<size_t, size_t>> marks;
    for (const KeywordList& search : searches) {
        for (const std::string& piece : search) {
            if (piece.empty()) continue;
            std::string_view rest = traced.folded;
            size_t offset = 0;
            while (true) {
                const size_t found = FindAtCharacterBoundary(rest, piece);
                if (found == std::string_view::npos) break;
                const size_t first = offset + found, last = first + piece.size() - 1;
                marks.push_back({traced.origin[first].first, traced.origin[last].second});
                // On after the piece, at the character boundary it ends on.
                offset = first + piece.size();
                rest = std::string_view(traced.folded).substr(offset);
            }
        }
    }
    std::sort(marks.begin(), marks.end());
    std::vector<std::pair<size_t, size_t>> merged;
    for (const auto& mark : marks) {
        if (!merged.empty() && mark.first <= merged.back().second) {
            merged.back().second = std::max(merged.back().second, mark.second);
        } else {
            merged.push_back(mark);
        }
    }
    return merged;
}

bool HoldsAPiece(std::string_view folded, std::span<const KeywordList> searches) {
    for (const KeywordList& search : searches) {
        for (const std::string& piece : search) {
            if (!piece.empty() && ContainsAtCharacterBoundary(folded, piece)) return true;
        }
    }
    return false;
}

}  // namespace

std::vector<MatchedLine> FindMatchedLines(const ExtractedText& text,
                                          std::span<const KeywordList> searches, size_t limit) {
    std::vector<MatchedLine> lines;
    std::string cleaned, folded;
    TracedForm traced;
    for (size_t i = 0; i < text.size() && lines.size() < limit; ++i) {
        std::string_view seen = CleanAndFold(text[i], cleaned, folded);
        if (!HoldsAPiece(folded, searches)) continue;
        // Each part between the clean-up's line feeds is a line of its own.
        size_t begin = 0;
        while (begin <= seen.size() && lines.size() < limit) {
            size_t end = begin;
            while (end < seen.size() && seen[end] != '\n') end += Cp932CharLength(seen, end);
            std::string_view part = seen.substr(begin, end - begin);
            MatchedLine line{text[i].kind, std::string(part), {}};
            if (TraceMatchForm(part, traced)) {
                line.marks = MarkPieces(traced, searches);
                if (!line.marks.empty()) lines.push_back(std::move(line));
            } else if (HoldsAPiece(MatchForm(part), searches)) {
                lines.push_back(std::move(line));
            }
            begin = end + 1;
        }
    }
    return lines;
}

#include "search/candidate.h"

#include "platform/fs.h"
#include "search/extract_text.h"
#include "search/line_match.h"

namespace {

// The reason to report for the read that just failed on this thread.
std::string SkipReason() {
    return LastReadFailure() == ReadFailure::Other ? LastReadError() : std::string();
}

}  // namespace

bool PassesFilters(const FileStatus& status, const DateCriterion& date, const SizeCriterion& size) {
    int64_t created = status.creationTime != 0 ? status.creationTime : status.modificationTime;
    if (date.kind != DateKind::Any) {
        int64_t time = date.kind == DateKind::Created ? created : status.modificationTime;
        switch (date.range) {
            case DateRange::OnOrBefore:
                if (time > date.boundA) return false;
                break;
            case DateRange::OnOrAfter:
                if (time < date.boundB) return false;
                break;
            case DateRange::Between:
                if (time < date.boundA || time > date.boundB) return false;
                break;
        }
    }
    if (size.minSize != 0 && status.size < size.minSize) return false;
    if (size.maxSize != 0 && status.size > size.maxSize) return false;
    return true;
}

CandidateOutcome EvaluateCandidate(const std::string& path, const KeywordList& keywords,
                                   const DateCriterion& date, const SizeCriterion& size) {
    CandidateOutcome outcome;
    std::optional<FileStatus> status = ReadFileStatus(path);
    if (!status) {
        outcome.skipReason = SkipReason();
        return outcome;
    }
    if (!PassesFilters(*status, date, size)) return outcome;
    outcome.passedFilters = true;
    // An empty piece matches every text and an empty list none, so neither
    // needs the file's text.
    if (keywords.empty()) return outcome;
    bool matchesAll = false;
    for (const std::string& piece : keywords) matchesAll |= piece.empty();
    if (matchesAll) {
        outcome.hit = MakeResultRecord(path, LowerCasePath(path));
        return outcome;
    }
    ExtractedText text;
    if (!ExtractText(path, text)) {
        outcome.skipReason = SkipReason();
        return outcome;
    }
    std::optional<LineMatch> match = FindMatchingLine(text, keywords);
    if (!match) return outcome;
    outcome.hit = MakeResultRecord(path, LowerCasePath(path));
    if (outcome.hit) {
        outcome.hit->matchText = std::move(match->text);
        outcome.hit->matchKind = match->kind;
    }
    return outcome;
}

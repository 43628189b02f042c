#include "search/candidate.h"

#include "platform/fs.h"
#include "search/drawing_types.h"
#include "search/extract_text.h"
#include "search/line_match.h"
#include "search/text_cache.h"

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

namespace {

// Where a drawing's text came from.
enum class TextSource { Cache, Drawing, Nothing };

// The drawing's text: from the cache when its row was made from this version
// of the drawing (`version`), otherwise read from the drawing.
TextSource DrawingText(const std::string& path, TextCache* cache, const DrawingVersion& version,
                       ExtractedText& text) {
    if (cache != nullptr && cache->Lookup(path, version, text)) return TextSource::Cache;
    text.Clear();
    return ExtractText(path, text) ? TextSource::Drawing : TextSource::Nothing;
}

}  // namespace

CandidateOutcome EvaluateCandidate(const std::string& path, const KeywordList& keywords,
                                   const DateCriterion& date, const SizeCriterion& size) {
    return EvaluateCandidate(path, CandidateTest{keywords}, date, size);
}

CandidateOutcome EvaluateCandidate(const std::string& path, const CandidateTest& test,
                                   const DateCriterion& date, const SizeCriterion& size) {
    CandidateOutcome outcome;
    std::optional<FileStatus> status = ReadFileStatus(path);
    if (!status) {
        outcome.skipReason = SkipReason();
        return outcome;
    }
    if (!PassesFilters(*status, date, size)) return outcome;
    outcome.passedFilters = true;
    const KeywordList& keywords = test.keywords;
    if (!test.readOnly) {
        // An empty piece matches every text and an empty list none, so
        // neither needs the file's text.
        if (keywords.empty()) return outcome;
        bool matchesAll = false;
        for (const std::string& piece : keywords) matchesAll |= piece.empty();
        if (matchesAll) {
            outcome.hit = MakeResultRecord(path, LowerCasePath(path));
            return outcome;
        }
    }

    TextCache* cache = test.cache != nullptr && test.cache->Usable() ? test.cache : nullptr;
    DrawingVersion version;
    if (cache != nullptr) {
        const DrawingType* type = FindDrawingType(ExtractionKey(path));
        version = VersionOf(*status, type != nullptr ? type->generation : 0);
    }
    ExtractedText text;
    TextSource source = DrawingText(path, cache, version, text);
    if (source == TextSource::Nothing) {
        outcome.skipReason = SkipReason();
        return outcome;
    }
    std::optional<LineMatch> match;
    if (!test.readOnly) match = FindMatchingLine(text, keywords);
    // What was read now is kept for the next search, once tested.
    if (source == TextSource::Drawing && cache != nullptr) {
        cache->Store(path, version, std::move(text));
    }
    if (!match) return outcome;
    outcome.hit = MakeResultRecord(path, LowerCasePath(path));
    if (outcome.hit) {
        outcome.hit->matchText = std::move(match->text);
        outcome.hit->matchKind = match->kind;
    }
    return outcome;
}

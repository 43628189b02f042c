#include "search/candidate.h"

#include <algorithm>

#include "bytes/cp932.h"
#include "cache/text_cache.h"
#include "match/line_match.h"
#include "match/text_signature.h"
#include "platform/read_result.h"
#include "search/drawing_types.h"
#include "search/extract_text.h"

namespace {

// The reason to report for a read that failed: none for a file that vanished
// or is no regular file.
std::string SkipReason(const ReadError& error) {
    return error.kind == ReadFailure::Other ? error.reason : std::string();
}

// The row of a hit, with the line that matched. The line is for showing; a
// row keeps no more of it than a person reads, whatever the drawing holds.
std::optional<ResultRecord> HitRecord(const std::string& path, LineMatch match) {
    std::optional<ResultRecord> hit = MakeResultRecord(path, LowerCasePath(path));
    if (!hit) return hit;
    LimitMatchText(match.text);
    hit->matchText = std::move(match.text);
    hit->matchKind = match.kind;
    return hit;
}

// Tests the text of the drawing at `path` (its status just read) against the
// keywords, none when the search fills the cache: the lines a cache keeps for
// this version of it when they are there, else the drawing's own, which the
// cache is then given. `known` as for EvaluateCandidate.
ReadResult<CandidateReading> TestText(const std::string& path, const FileStatus& status,
                                      const CandidateTest& test, CandidateScratch& scratch,
                                      const CachedRow* known) {
    const KeywordList noKeywords;
    const KeywordList& keywords = test.fillCache ? noKeywords : test.keywords;
    TextCache* cache = test.cache != nullptr && test.cache->Usable() ? test.cache : nullptr;
    DrawingVersion version;
    if (cache != nullptr) version = DrawingVersionOf(path, status);
    ExtractedText& text = scratch.text;
    text.SetFlush(nullptr);
    text.Clear();
    TextCache::Found found = TextCache::Found::Miss;
    if (cache != nullptr) {
        // Filling a cache tests nothing: a current row needs no more.
        CachedRow row;
        if (known != nullptr) {
            row = *known;
        } else if (!test.cacheHeldNothing) {
            row = cache->RowOf(path, test.MayMatch());
        }
        found = cache->Answer(path, row, version, !test.fillCache, text);
    }
    CandidateReading cached;
    if (found == TextCache::Found::RuledOut) return cached;
    // A cached text that filled the thread's text (kept by an older version
    // with a larger one) would hide lines a reading tests: read it again.
    if (found == TextCache::Found::Lines && !text.Full()) {
        if (!keywords.empty()) cached.match = FindMatchingLine(text, keywords);
        return cached;
    }
    const bool storing = cache != nullptr && cache->Storing();
    const bool prefiltered = !storing || (test.fillAfter && !test.fillCache);
    ReadResult<CandidateReading> reading =
        ReadCandidateText(path, status.isRegularFile, keywords,
                          prefiltered ? &test.prefilter : nullptr, storing, scratch);
    // What was read now is kept for the next search, once tested (packed
    // from the thread's own buffer).
    if (reading && storing && reading->wholeText) {
        cache->Store(path, version, text, MakeTextSignature(text));
    }
    return reading;
}

}  // namespace

void LimitMatchText(std::string& text) {
    if (text.size() <= kMatchTextLimit) return;
    size_t cut = 0;
    while (cut + Cp932CharLength(text, cut) <= kMatchTextLimit) cut += Cp932CharLength(text, cut);
    text.resize(cut);
}

DrawingVersion DrawingVersionOf(const std::string& path, const FileStatus& status) {
    const DrawingType* type = DrawingTypeOfPath(path);
    return VersionOf(status, type != nullptr ? type->generation : 0);
}

bool PassesFilters(const FileStatus& status, const DateCriterion& date, const SizeCriterion& size) {
    int64_t created = status.creationTime != 0 ? status.creationTime : status.modificationTime;
    if (date.kind != DateKind::Any) {
        int64_t time = date.kind == DateKind::Created ? created : status.modificationTime;
        switch (date.range) {
            case DateRange::OnOrBefore:
                if (time > date.latest) return false;
                break;
            case DateRange::OnOrAfter:
                if (time < date.earliest) return false;
                break;
            case DateRange::Between:
                if (time < date.earliest || time > date.latest) return false;
                break;
        }
    }
    if (size.minSize != 0 && status.size < size.minSize) return false;
    if (size.maxSize != 0 && status.size > size.maxSize) return false;
    return true;
}

CandidateOutcome EvaluateCandidate(const std::string& path, const KeywordList& keywords,
                                   const DateCriterion& date, const SizeCriterion& size) {
    CandidateTest test;
    test.keywords = keywords;
    test.prefilter = KeywordPrefilter(keywords);
    test.signature = SignatureQuery(keywords);
    return EvaluateCandidate(path, test, date, size);
}

CandidateOutcome EvaluateCandidate(const std::string& path, const CandidateTest& test,
                                   const DateCriterion& date, const SizeCriterion& size) {
    CandidateScratch scratch;
    return EvaluateCandidate(path, test, date, size, scratch);
}

CandidateOutcome EvaluateCandidate(const std::string& path, const CandidateTest& test,
                                   const DateCriterion& date, const SizeCriterion& size,
                                   CandidateScratch& scratch, const CachedRow* known) {
    CandidateOutcome outcome;
    ReadResult<FileStatus> status = ReadFileStatus(path);
    if (!status) {
        outcome.skipReason = SkipReason(status.Error());
        return outcome;
    }
    if (!PassesFilters(*status, date, size)) return outcome;
    outcome.passedFilters = true;
    if (!test.fillCache) {
        // An empty piece matches every text and an empty list none, so
        // neither needs the file's text.
        const KeywordList& keywords = test.keywords;
        if (keywords.empty()) return outcome;
        if (std::any_of(keywords.begin(), keywords.end(),
                        [](const std::string& piece) { return piece.empty(); })) {
            outcome.hit = MakeResultRecord(path, LowerCasePath(path));
            return outcome;
        }
    }
    ReadResult<CandidateReading> reading = TestText(path, *status, test, scratch, known);
    if (!reading) {
        outcome.skipReason = SkipReason(reading.Error());
        return outcome;
    }
    if (reading->match) outcome.hit = HitRecord(path, std::move(*reading->match));
    outcome.passedOver =
        reading->ruledOut && test.fillAfter && test.cache != nullptr && test.cache->Storing();
    return outcome;
}

void ReadIntoCache(const std::string& path, TextCache& cache, CandidateScratch& scratch) {
    ReadResult<FileStatus> status = ReadFileStatus(path);
    if (!status || !status->isRegularFile) return;
    ReadResult<CandidateReading> reading =
        ReadCandidateText(path, true, KeywordList(), nullptr, true, scratch);
    if (reading && reading->wholeText) {
        cache.Store(path, DrawingVersionOf(path, *status), scratch.text,
                    MakeTextSignature(scratch.text));
    }
}

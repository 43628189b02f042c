#include "search/candidate.h"

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
    const KeywordList noKeywords;
    const KeywordList& tested = test.readOnly ? noKeywords : keywords;

    TextCache* cache = test.cache != nullptr && test.cache->Usable() ? test.cache : nullptr;
    DrawingVersion version;
    if (cache != nullptr) {
        const DrawingType* type = DrawingTypeOfPath(path);
        version = VersionOf(*status, type != nullptr ? type->generation : 0);
    }
    std::optional<LineMatch> match;
    ExtractedText& text = scratch.text;
    text.SetFlush(nullptr);
    text.Clear();
    // A cached text that filled the thread's text (kept by an older version
    // with a larger one) would hide lines a reading tests: read it again.
    TextCache::Found found = TextCache::Found::Miss;
    if (cache != nullptr) {
        // Filling a cache tests nothing: a current row needs no more.
        CachedRow row = known != nullptr ? *known : cache->RowOf(path, test.MayMatch());
        found = cache->Answer(path, row, version, !test.readOnly, text);
    }
    if (found == TextCache::Found::RuledOut) return outcome;
    if (found == TextCache::Found::Lines && !text.Full()) {
        if (!tested.empty()) match = FindMatchingLine(text, tested);
    } else {
        const bool storing = cache != nullptr && cache->Storing();
        ReadResult<CandidateReading> reading =
            ReadCandidateText(path, status->isRegularFile, tested,
                              storing ? nullptr : &test.prefilter, storing, scratch);
        if (!reading) {
            outcome.skipReason = SkipReason(reading.Error());
            return outcome;
        }
        match = std::move(reading->match);
        // What was read now is kept for the next search, once tested (a
        // copy the size of the text, the thread's own buffer staying).
        if (storing && reading->wholeText)
            cache->Store(path, version, text, MakeTextSignature(text));
    }
    if (!match) return outcome;
    outcome.hit = MakeResultRecord(path, LowerCasePath(path));
    if (outcome.hit) {
        // The line is for showing; a row keeps no more of it than a person
        // reads, whatever the drawing holds.
        if (match->text.size() > kMatchTextLimit) {
            size_t cut = 0;
            while (cut + Cp932CharLength(match->text, cut) <= kMatchTextLimit) {
                cut += Cp932CharLength(match->text, cut);
            }
            match->text.resize(cut);
        }
        outcome.hit->matchText = std::move(match->text);
        outcome.hit->matchKind = match->kind;
    }
    return outcome;
}

#pragma once

#include <optional>
#include <string>

#include "cache/text_cache.h"
#include "match/keyword_prefilter.h"
#include "match/keywords.h"
#include "match/text_signature.h"
#include "platform/file_status.h"
#include "results/result_record.h"
#include "search/candidate_text.h"
#include "search/criteria.h"
#include "search/extract_text.h"

// The date and size test of a candidate's status. A missing creation time
// is replaced by the modification time.
bool PassesFilters(const FileStatus& status, const DateCriterion& date, const SizeCriterion& size);

// The version of the drawing at `path` that the text cache tells apart: its
// status, and the reader generation of its type (0 for a path of no type).
DrawingVersion DrawingVersionOf(const std::string& path, const FileStatus& status);

// What every candidate of one search is tested with.
struct CandidateTest {
    KeywordList keywords;
    // Text kept from earlier reads, used for drawings that have not changed
    // and given the text of those read now; nullptr for none.
    TextCache* cache = nullptr;
    // Reads every drawing into the cache and makes no hit (the keywords are
    // not tested): a search that only fills the cache.
    bool fillCache = false;
    // Made from `keywords` once for the search (KeywordPrefilter(keywords)),
    // or left inactive. A cache must see every drawing whole, so with a
    // cache that keeps what is read it is used only when `fillAfter` says so.
    KeywordPrefilter prefilter;
    // With a cache that keeps what is read: a drawing the prefilter rules out
    // is not read now but passed over (CandidateOutcome::passedOver), to be
    // read into the cache once the search has reported its end (CacheFiller).
    // Without it, every drawing is read whole and kept as it is tested.
    bool fillAfter = false;
    // The cache held no row when the search began (TextCache::HoldsNoRows):
    // nothing is looked up in it, every drawing is read.
    bool cacheHeldNothing = false;
    // Made from `keywords` once for the search (SignatureQuery(keywords)): a
    // cached drawing whose text signature rules every piece out is no hit
    // without its lines being tested. Left inactive, it rules nothing out.
    SignatureQuery signature;

    // `signature` as the text cache asks it of a row.
    SignatureTest MayMatch() const {
        return [this](std::string_view kept) { return signature.MayMatch(kept); };
    }
};

// The outcome of testing one candidate.
struct CandidateOutcome {
    bool passedFilters = false;  // false also when the status cannot be read
    std::optional<ResultRecord> hit;
    // Why the candidate could not be tested (its status or its bytes could
    // not be read), for the front end; empty when it was tested, and for a
    // file that vanished or is no regular file.
    std::string skipReason;
    // The cache would keep its text, but the prefilter ruled it out and it
    // was not read (CandidateTest::fillAfter).
    bool passedOver = false;
};

// Tests the candidate at `path` (as found on disk): status, date and size,
// then its extracted text against the keywords, line by line
// (FindMatchingLine). A hit carries its row record, with the line that matched
// and its kind; a list with an empty piece makes every candidate a hit without
// reading it (and with no line).
//
// With a cache, a drawing whose status matches its cached row is tested
// against the cached lines and never opened; any other is read and its lines
// handed to the cache. The hits are the same either way.
//
// The drawing is read with the thread's `scratch`. `known` is the cache's
// row for the path when it was surveyed (not present: none), in place of a
// lookup; nullptr: look it up.
CandidateOutcome EvaluateCandidate(const std::string& path, const CandidateTest& test,
                                   const DateCriterion& date, const SizeCriterion& size,
                                   CandidateScratch& scratch, const CachedRow* known = nullptr);

// The same with a scratch of its own.
CandidateOutcome EvaluateCandidate(const std::string& path, const CandidateTest& test,
                                   const DateCriterion& date, const SizeCriterion& size);

// The most bytes of the matching line a hit keeps (cut at a character
// boundary).
inline constexpr size_t kMatchTextLimit = 4096;

// Cuts `text` (CP932) to at most kMatchTextLimit bytes, at a character
// boundary: what a hit keeps of the line that matched.
void LimitMatchText(std::string& text);

// The same without a cache.
CandidateOutcome EvaluateCandidate(const std::string& path, const KeywordList& keywords,
                                   const DateCriterion& date, const SizeCriterion& size);

// Reads the drawing at `path` whole, as it is now, and gives its lines to
// `cache` (with their signature), as a search that keeps what it reads does.
// Nothing is kept when it cannot be read, is no regular file, or its lines
// do not fit in the scratch's text. With the thread's `scratch`.
void ReadIntoCache(const std::string& path, TextCache& cache, CandidateScratch& scratch);

#include "search/search_session.h"

#include <algorithm>
#include <functional>
#include <memory>

#include "match/keywords.h"
#include "platform/folder_listing.h"
#include "search/cache_filler.h"
#include "search/candidate_schedule.h"
#include "search/candidate_survey.h"
#include "search/drawing_types.h"
#include "search/evaluation_pool.h"
#include "search/extract_text.h"
#include "search/folder_walk.h"
#include "search/read_ahead.h"
#include "search/status_prefetch.h"

std::string StartRefusalMessage(StartResult result) {
    switch (result) {
        case StartResult::NoPlace:
            return "ファイルを検索する場所を指定してください";
        case StartResult::NoTypes:
            return "検索するファイルの種類を指定してください";
        case StartResult::NothingToNarrow:
            return "絞り込む対象のファイルがありません";
        case StartResult::AlreadyRunning:
            return "検索中です。先に検索中止で止めてください";
        case StartResult::Started:
            break;
    }
    return {};
}

SearchSession::SearchSession(SearchFrontEnd& frontEnd, unsigned threads)
    : m_frontEnd(frontEnd), m_threads(threads), m_iconLoaded(TypeSlotCount(), false) {
    if (m_threads == 0) m_threads = std::max(1u, std::thread::hardware_concurrency());
}

SearchSession::~SearchSession() {
    StopSearch();
    Wait();
    m_filler.reset();
}

StartResult SearchSession::CheckRequest(const SearchRequest& request) const {
    if (m_running.load()) return StartResult::AlreadyRunning;
    if (!request.narrow && request.place.empty()) return StartResult::NoPlace;
    if ((request.typeMask & TYPE_ALL) == 0) return StartResult::NoTypes;
    // The worker has ended: the candidates it left are the session's again.
    if (request.narrow && m_candidates.empty()) return StartResult::NothingToNarrow;
    return StartResult::Started;
}

StartResult SearchSession::StartSearch(const SearchRequest& request) {
    if (StartResult refusal = CheckRequest(request); refusal != StartResult::Started) {
        return refusal;
    }
    Wait();  // the last worker has ended; collect its thread
    m_cancel.store(false);
    if (!request.narrow) m_candidates.clear();
    m_hits.clear();
    m_running.store(true);
    m_worker = std::thread([this, request] { RunWorker(request); });
    return StartResult::Started;
}

void SearchSession::StopSearch() { m_cancel.store(true); }

bool SearchSession::IsRunning() const { return m_running.load(); }

void SearchSession::Wait() {
    if (m_worker.joinable()) m_worker.join();
}

const std::vector<std::string>& SearchSession::Candidates() const { return m_candidates; }

void SearchSession::UseTextCache(std::optional<TextCacheSettings> settings) {
    if (settings == m_cacheSettings) return;
    Wait();  // the last worker has let go of the filler
    // The drawings not yet filled in are dropped with the cache they were for.
    m_filler.reset();
    m_cache.reset();
    m_cacheSettings = std::move(settings);
}

void SearchSession::FinishFilling() {
    if (m_filler && !m_filler->Finish()) return;
    if (!m_cache) return;
    m_cache->Flush();
    if (std::string problem = m_cache->TakeProblem(); !problem.empty()) {
        m_frontEnd.ReportNotice(problem);
    }
}

void SearchSession::RunWorker(SearchRequest request) {
    // The filling of the cache for the searches before waits for this one.
    if (m_filler) m_filler->SearchStarted();
    // With a cache, the statuses of the first candidates are read while the
    // walk goes on, and the cache is opened meanwhile.
    std::unique_ptr<StatusPrefetch> prefetch;
    if (m_cacheSettings && !request.narrow) prefetch = std::make_unique<StatusPrefetch>();
    std::jthread opener = OpenCacheMeanwhile();
    if (!request.narrow && !CollectCandidates(request, prefetch.get())) {
        // Stopped between or inside the drives: the search ends with the
        // cancel text alone and nothing to narrow.
        m_candidates.clear();
        prefetch.reset();
        if (opener.joinable()) opener.join();
        m_frontEnd.PostStatus(CancelledStatus(SEARCH_STATUS_TEXT));
        EndWorker();
        if (m_filler) m_filler->SearchEnded();
        return;
    }
    CandidateTest test = PrepareTest(request.fillCache);
    std::vector<std::optional<FileStatus>> statuses;
    if (prefetch) statuses = prefetch->Finish();
    prefetch.reset();
    if (opener.joinable()) opener.join();
    test.cache = m_cache.get();
    // A cache with no row yet (the first search) answers nothing: neither a
    // survey nor a lookup per drawing, and no status read twice.
    test.cacheHeldNothing = m_cache && m_cache->HoldsNoRows();
    CacheFiller* filler = FillerFor(request);
    test.fillAfter = filler != nullptr;
    std::unique_ptr<CandidateSurvey> survey = SurveyCache(test, std::move(statuses));
    TestCandidates(test, survey.get(), filler);
    survey.reset();
    FinishCacheUse();
    ReportEnd();
    // The search has ended for its front end; what it passed over is read
    // into the cache from now on.
    if (m_filler) m_filler->SearchEnded();
}

std::jthread SearchSession::OpenCacheMeanwhile() {
    if (!m_cacheSettings || m_cache) return {};
    return std::jthread([this] { m_cache = std::make_unique<TextCache>(*m_cacheSettings); });
}

bool SearchSession::CollectCandidates(const SearchRequest& request, StatusPrefetch* prefetch) {
    m_frontEnd.PostStatus(CollectingStatus(-1));
    FolderWalk walk(
        request.typeMask, m_cancel,
        {[this] { return m_frontEnd.IncludeSubfolders(); },
         [this](size_t candidatesSoFar) {
             m_frontEnd.PostStatus(CollectingStatus(static_cast<int64_t>(candidatesSoFar)));
         },
         [this](const std::string& path, const std::string& reason) {
             m_frontEnd.ReportSkipped(path, reason);
         },
         [prefetch](const std::string& path) {
             if (prefetch != nullptr) prefetch->Add(path);
         }},
        m_candidates);
    if (request.place != kAllDrivesPlace) {
        walk.Walk(AbsolutePath(request.place));
        return true;
    }
    for (const std::string& root : AllDriveRoots()) {
        walk.Walk(root, true);
        if (m_cancel.load()) return false;
    }
    return true;
}

CandidateTest SearchSession::PrepareTest(bool fillCache) {
    CandidateTest test;
    if (!fillCache) test.keywords = PrepareKeywords(m_frontEnd.KeywordText());
    test.fillCache = fillCache;
    // Used for the drawings read when no cache keeps what is read.
    test.prefilter = KeywordPrefilter(test.keywords);
    test.signature = SignatureQuery(test.keywords);
    return test;
}

CacheFiller* SearchSession::FillerFor(const SearchRequest& request) {
    // Filling the cache reads every drawing anyway; a search with nothing to
    // test reads none.
    if (request.fillCache || !m_cache || !m_cache->Storing()) return nullptr;
    if (!m_filler) {
        m_filler = std::make_unique<CacheFiller>(*m_cache, m_threads, m_cancel);
        m_filler->SearchStarted();
    }
    return m_filler.get();
}

std::unique_ptr<CandidateSurvey> SearchSession::SurveyCache(
    const CandidateTest& test, std::vector<std::optional<FileStatus>> statuses) {
    // What the cache holds for each candidate is surveyed ahead, a block at
    // a time: an unchanged drawing that its signature rules out is settled
    // at once, without a test of its own.
    if (!m_cache || !m_cache->Usable() || test.cacheHeldNothing ||
        !CandidateSurvey::Worthwhile(test)) {
        return nullptr;
    }
    return std::make_unique<CandidateSurvey>(m_candidates, *m_cache, test, m_threads, m_cancel,
                                             std::move(statuses));
}

void SearchSession::TestCandidates(const CandidateTest& test, CandidateSurvey* survey,
                                   CacheFiller* filler) {
    const size_t count = m_candidates.size();
    std::function<bool(size_t)> needed;
    if (survey != nullptr) needed = [survey](size_t index) { return survey->NeedsReading(index); };
    ReadAhead readAhead(m_candidates, std::move(needed));
    // With one thread, Take tests each candidate itself.
    EvaluationPool pool(m_threads - 1, test);
    CandidateSchedule schedule(
        count, CandidateSchedule::LimitsFor(m_threads),
        [&](size_t index) { return HandOver(index, survey, pool); },
        [&pool](size_t index) { return pool.Take(index); });
    SearchStatus testing;
    for (size_t i = 0; i < count; ++i) {
        readAhead.Testing(i);
        CandidateOutcome outcome = schedule.OutcomeOf(i);
        if (filler != nullptr) {
            if (outcome.passedOver) filler->Add(m_candidates[i]);
            // Processors the search leaves idle (while it waits for the disk)
            // read what was passed over meanwhile.
            filler->SearchGoesOn();
        }
        ReportOutcome(i, std::move(outcome));
        if (m_cancel.load()) break;
        SetTestingStatus(testing, static_cast<int64_t>(count), static_cast<int64_t>(i + 1));
        m_frontEnd.PostStatus(testing);
    }
    // Held back again until the search has reported its end.
    if (filler != nullptr) filler->SearchEnding();
    // The pool drops the candidates not yet started, then the read-ahead
    // ends: both before the candidates change.
}

std::optional<CandidateOutcome> SearchSession::HandOver(size_t index, CandidateSurvey* survey,
                                                        EvaluationPool& pool) {
    // The limits are read as each candidate is handed over.
    const DateCriterion date = m_frontEnd.DateLimits();
    const SizeCriterion size = m_frontEnd.SizeLimits();
    std::optional<CachedRow> known;
    if (survey != nullptr) {
        const SurveyedCandidate& surveyed = survey->At(index);
        if (surveyed.settled) {
            CandidateOutcome outcome;
            outcome.passedFilters = PassesFilters(*surveyed.status, date, size);
            if (outcome.passedFilters) {
                m_cache->CountSurveyed(m_candidates[index], surveyed.row, true);
            }
            return outcome;
        }
        known = surveyed.row;
    }
    pool.Submit({.index = index,
                 .path = m_candidates[index],
                 .date = date,
                 .size = size,
                 .known = std::move(known)});
    return std::nullopt;
}

void SearchSession::ReportOutcome(size_t index, CandidateOutcome outcome) {
    const std::string& path = m_candidates[index];
    if (!outcome.skipReason.empty()) m_frontEnd.ReportSkipped(path, outcome.skipReason);
    if (!outcome.passedFilters) return;
    const DrawingType* type = DrawingTypeOfPath(path);
    const int slot = type != nullptr ? type->iconSlot : -1;
    if (slot >= 0 && !m_iconLoaded[slot]) {
        m_iconLoaded[slot] = true;
        m_frontEnd.LoadTypeIcon(slot, path);
    }
    if (outcome.hit) {
        m_hits.push_back(path);
        m_frontEnd.AddResultRow(std::move(*outcome.hit), slot);
    }
}

void SearchSession::FinishCacheUse() {
    if (!m_cache) return;
    m_cache->FinishSearch();
    // A cache that fails says so once and the search goes on without it.
    if (std::string problem = m_cache->TakeProblem(); !problem.empty()) {
        m_frontEnd.ReportNotice(problem);
    }
    if (std::string remark = m_cache->TakeRemark(); !remark.empty()) {
        m_frontEnd.ReportRemark(remark);
    }
}

void SearchSession::ReportEnd() {
    if (m_cancel.exchange(false)) {
        m_frontEnd.PostStatus(CancelledStatus(SEARCH_STATUS_CANCELLED));
    } else {
        m_frontEnd.PostStatus(DoneStatus(static_cast<int64_t>(m_hits.size())));
        m_candidates = std::move(m_hits);
        m_hits.clear();
        m_frontEnd.EndNarrowingMode();
    }
    EndWorker();
}

void SearchSession::EndWorker() {
    m_running.store(false);
    m_frontEnd.SearchEnded();
}

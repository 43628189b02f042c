#include "search/search_session.h"

#include <algorithm>
#include <functional>
#include <memory>

#include "match/keywords.h"
#include "platform/folder_listing.h"
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
}

StartResult SearchSession::StartSearch(const SearchRequest& request) {
    if (m_running.load()) return StartResult::AlreadyRunning;
    Wait();  // the last worker has ended; collect its thread
    if (!request.narrow && request.place.empty()) return StartResult::NoPlace;
    if ((request.typeMask & TYPE_ALL) == 0) return StartResult::NoTypes;
    if (request.narrow && m_candidates.empty()) return StartResult::NothingToNarrow;
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
    bool same = settings && m_cacheSettings && settings->path == m_cacheSettings->path &&
                settings->readOnly == m_cacheSettings->readOnly &&
                settings->sizeLimit == m_cacheSettings->sizeLimit &&
                settings->rollbackJournal == m_cacheSettings->rollbackJournal;
    if (same) return;
    m_cache.reset();
    m_cacheSettings = std::move(settings);
}

void SearchSession::RunWorker(SearchRequest request) {
    auto end = [this] {
        m_running.store(false);
        m_frontEnd.SearchEnded();
    };

    // With a cache, the statuses of the first candidates are read while the
    // walk goes on, and the cache is opened meanwhile.
    std::unique_ptr<StatusPrefetch> prefetch;
    std::thread opener;
    if (m_cacheSettings) {
        if (!request.narrow) prefetch = std::make_unique<StatusPrefetch>();
        if (!m_cache) {
            opener =
                std::thread([this] { m_cache = std::make_unique<TextCache>(*m_cacheSettings); });
        }
    }
    auto joinOpener = [&opener] {
        if (opener.joinable()) opener.join();
    };

    if (!request.narrow) {
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
             [&prefetch](const std::string& path) {
                 if (prefetch) prefetch->Add(path);
             }},
            m_candidates);
        if (request.place == kAllDrivesPlace) {
            for (const std::string& root : AllDriveRoots()) {
                walk.Walk(root, true);
                if (m_cancel.load()) {
                    // Stopped between or inside the drives: the search ends
                    // with the cancel text alone and nothing to narrow.
                    m_candidates.clear();
                    prefetch.reset();
                    joinOpener();
                    m_frontEnd.PostStatus(CancelledStatus(SEARCH_STATUS_TEXT));
                    end();
                    return;
                }
            }
        } else {
            walk.Walk(AbsolutePath(request.place));
        }
    }

    CandidateTest test;
    if (!request.fillCache) test.keywords = PrepareKeywords(m_frontEnd.KeywordText());
    test.readOnly = request.fillCache;
    std::vector<std::optional<FileStatus>> statuses;
    if (prefetch) statuses = prefetch->Finish();
    prefetch.reset();
    joinOpener();
    test.cache = m_cache.get();
    // Used for the drawings read when no cache keeps what is read.
    test.prefilter = KeywordPrefilter(test.keywords);
    test.signature = SignatureQuery(test.keywords);
    const size_t count = m_candidates.size();
    // With a cache, what it holds for each candidate is surveyed ahead, a
    // block at a time: an unchanged drawing that its signature rules out is
    // settled at once, without a test of its own.
    std::unique_ptr<CandidateSurvey> survey;
    if (m_cache && m_cache->Usable() && CandidateSurvey::Worthwhile(test)) {
        survey = std::make_unique<CandidateSurvey>(m_candidates, *m_cache, test, m_threads,
                                                   m_cancel, std::move(statuses));
    }
    // Candidates are handed to the pool a window ahead of the one being
    // reported, so outcomes arrive in order and a stop waits only for those
    // already handed over. Sixteen a thread: a helper seldom finds the queue
    // empty and has to be woken for the next one (the hand-off cost more than
    // reading a small drawing). With one thread, Take tests them itself.
    auto pool = std::make_unique<EvaluationPool>(m_threads - 1, test);
    std::function<bool(size_t)> needed;
    if (survey) needed = [&survey](size_t index) { return survey->NeedsReading(index); };
    auto readAhead = std::make_unique<ReadAhead>(m_candidates, std::move(needed));
    const size_t window = m_threads > 1 ? static_cast<size_t>(m_threads) * 16 : 1;
    // Settled candidates take no place in the window: they are handed over
    // up to this far ahead, so that the pool has the next tests to do.
    const size_t reach = m_threads > 1 ? 1024 : 1;
    size_t handedOver = 0;
    size_t inPool = 0;  // handed to the pool and not yet taken
    // Settled candidates never reach the pool: 1, they passed the date and
    // size test; 2, they did not.
    std::vector<uint8_t> settled(survey ? count : 0);
    // True when the candidate went to the pool.
    auto handOver = [&](size_t index) {
        DateCriterion date = m_frontEnd.DateLimits();
        SizeCriterion size = m_frontEnd.SizeLimits();
        CandidateJob job{index, {}, date, size, std::nullopt};
        if (survey) {
            const SurveyedCandidate& known = survey->At(index);
            if (known.settled) {
                bool passed = PassesFilters(*known.status, date, size);
                if (passed) m_cache->CountSurveyed(m_candidates[index], known.row, true);
                settled[index] = passed ? 1 : 2;
                return false;
            }
            job.known = known.row;
        }
        job.path = m_candidates[index];
        pool->Submit(std::move(job));
        return true;
    };

    SearchStatus testing;
    for (size_t i = 0; i < count; ++i) {
        readAhead->Testing(i);
        for (; handedOver < count && handedOver < i + reach && inPool < window; ++handedOver) {
            inPool += handOver(handedOver) ? 1 : 0;
        }
        CandidateOutcome outcome;
        if (survey && settled[i] != 0) {
            outcome.passedFilters = settled[i] == 1;
        } else {
            outcome = pool->Take(i);
            --inPool;
        }
        if (!outcome.skipReason.empty()) {
            m_frontEnd.ReportSkipped(m_candidates[i], outcome.skipReason);
        }
        if (outcome.passedFilters) {
            const DrawingType* type = DrawingTypeOfPath(m_candidates[i]);
            const int slot = type != nullptr ? type->iconSlot : -1;
            if (slot >= 0 && !m_iconLoaded[slot]) {
                m_iconLoaded[slot] = true;
                m_frontEnd.LoadTypeIcon(slot, m_candidates[i]);
            }
            if (outcome.hit) {
                m_hits.push_back(m_candidates[i]);
                m_frontEnd.AddResultRow(std::move(*outcome.hit), slot);
            }
        }
        if (m_cancel.load()) break;
        SetTestingStatus(testing, static_cast<int64_t>(count), static_cast<int64_t>(i + 1));
        m_frontEnd.PostStatus(testing);
    }
    pool.reset();
    readAhead.reset();  // before the candidates change
    survey.reset();
    if (m_cache) {
        m_cache->FinishSearch();
        // A cache that fails says so once and the search goes on without it.
        if (std::string problem = m_cache->TakeProblem(); !problem.empty()) {
            m_frontEnd.ReportNotice(problem);
        }
    }

    if (m_cancel.load()) {
        m_cancel.store(false);
        m_frontEnd.PostStatus(CancelledStatus(SEARCH_STATUS_CANCELLED));
        end();
        return;
    }
    m_cancel.store(false);
    m_frontEnd.PostStatus(DoneStatus(static_cast<int64_t>(m_hits.size())));
    m_candidates = std::move(m_hits);
    m_hits.clear();
    m_frontEnd.EndNarrowingMode();
    end();
}

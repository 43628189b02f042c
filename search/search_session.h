#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cache/text_cache.h"
#include "platform/file_status.h"
#include "search/candidate.h"
#include "search/front_end.h"

class CandidateSurvey;
class EvaluationPool;
class StatusPrefetch;

// The request that the start button makes.
struct SearchRequest {
    std::string place{};  // a folder (native path bytes) or kAllDrivesPlace
    unsigned typeMask = TYPE_ALL;
    bool narrow = false;  // search the hits of the last completed search
    // Read every candidate into the text cache and report no hits (the
    // keyword is not read).
    bool fillCache = false;
};

enum class StartResult {
    Started,
    NoPlace,          // "ファイルを検索する場所を指定してください"
    NoTypes,          // "検索するファイルの種類を指定してください"
    NothingToNarrow,  // "絞り込む対象のファイルがありません"; narrowing mode goes off
    AlreadyRunning,  // a search is still running: nothing starts
};

// The message a refused start shows (UTF-8), empty for Started.
std::string StartRefusalMessage(StartResult result);

// The search state of one form: cancel flag, extension list, candidates and
// hits, icon-loaded flags, and at most one worker thread at a time.
class SearchSession {
  public:
    // `threads` extraction threads per search; 0 means one per core.
    explicit SearchSession(SearchFrontEnd& frontEnd, unsigned threads = 0);
    // Stops and joins a running worker.
    ~SearchSession();
    SearchSession(const SearchSession&) = delete;
    SearchSession& operator=(const SearchSession&) = delete;

    // Whether `request` may start now: the first refusal in the order they
    // are checked (a search still running, no place, no types, nothing to
    // narrow), or Started. Called on the thread that owns the session (the
    // UI thread), as StartSearch.
    StartResult CheckRequest(const SearchRequest& request) const;
    // Starts the worker when CheckRequest allows it; gives its answer.
    StartResult StartSearch(const SearchRequest& request);
    // Asks a running search to stop; it ends at its next check.
    void StopSearch();
    // True from a successful start until the worker has ended.
    bool IsRunning() const;
    // Waits for the worker to end (returns at once when none runs).
    void Wait();

    // Keeps what the readers extract in the text cache `settings` name, and
    // reuses it, from the next search on; nothing: no cache. Called while no
    // search runs.
    void UseTextCache(std::optional<TextCacheSettings> settings);

    // The candidates a narrowing search would test (valid while idle).
    const std::vector<std::string>& Candidates() const;

  private:
    // The steps of one search, on its worker thread, in this order.
    void RunWorker(SearchRequest request);
    // Opens the text cache on a thread of its own, when the search uses one
    // and it is not open yet.
    std::jthread OpenCacheMeanwhile();
    // Walks the place for the candidates, handing each to `prefetch` (when
    // given). False when a stop ended an all-drives walk.
    bool CollectCandidates(const SearchRequest& request, StatusPrefetch* prefetch);
    // What every candidate is tested with; reads the keyword unless the
    // search only fills the cache.
    CandidateTest PrepareTest(bool fillCache);
    // The survey of what the cache holds for the candidates, when it helps
    // (`statuses`: those of the first candidates, read already); nothing
    // when it does not.
    std::unique_ptr<CandidateSurvey> SurveyCache(const CandidateTest& test,
                                                 std::vector<std::optional<FileStatus>> statuses);
    // Tests the candidates on the pool and reports them in candidate order,
    // until they are done or a stop is seen after a report.
    void TestCandidates(const CandidateTest& test, CandidateSurvey* survey);
    // Hands candidate `index` to the pool, or settles it at once when the
    // survey leaves nothing but its date and size to test: its outcome then.
    std::optional<CandidateOutcome> HandOver(size_t index, CandidateSurvey* survey,
                                             EvaluationPool& pool);
    // Reports the outcome of candidate `index`: a skip, its type's icon, a hit.
    void ReportOutcome(size_t index, CandidateOutcome outcome);
    // Writes down what the cache was given; a cache that failed says so once.
    void FinishCacheUse();
    // The last status (done or cancelled) and the end of the worker.
    void ReportEnd();
    void EndWorker();

    SearchFrontEnd& m_frontEnd;
    unsigned m_threads;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_running{false};
    std::vector<std::string> m_candidates;
    std::vector<std::string> m_hits;
    std::vector<bool> m_iconLoaded;  // by type slot
    std::optional<TextCacheSettings> m_cacheSettings;
    std::unique_ptr<TextCache> m_cache;  // opened by the first search that uses it
    std::thread m_worker;
};

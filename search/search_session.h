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

class CacheFiller;
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
    // Asks a running search to stop; it ends at its next check. Also holds
    // back the filling of the text cache until the next search.
    void StopSearch();
    // True from a successful start until the worker has ended.
    bool IsRunning() const;
    // Waits for the worker to end (returns at once when none runs).
    void Wait();

    // Keeps what the readers extract in the text cache `settings` name, and
    // reuses it, from the next search on; nothing: no cache. Called while no
    // search runs. A search with keywords reads no more than it would without
    // a cache: the drawings its prefilter rules out are read into the cache
    // after it has reported its end, on threads of their own (CacheFiller),
    // while the session waits for its next search.
    void UseTextCache(std::optional<TextCacheSettings> settings);

    // Waits until the text cache holds what the searches so far passed over,
    // and everything given to it is written, then reports a problem the
    // cache met meanwhile (ReportNotice, on the calling thread). Returns
    // early on a stop (StopSearch). Called while no search runs: a command
    // line does it before it exits; a window need not (the filling goes on
    // between searches and ends with the session).
    void FinishFilling();

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
    // The filler of the text cache, made with the first search that passes
    // drawings over; nullptr when the search reads every drawing it tests
    // into the cache, or keeps nothing.
    CacheFiller* FillerFor(const SearchRequest& request);
    // Tests the candidates on the pool and reports them in candidate order,
    // until they are done or a stop is seen after a report. The drawings
    // passed over go to `filler`.
    void TestCandidates(const CandidateTest& test, CandidateSurvey* survey, CacheFiller* filler);
    // Hands candidate `index` to the pool, or settles it at once when the
    // survey leaves nothing but its date and size to test: its outcome then.
    std::optional<CandidateOutcome> HandOver(size_t index, CandidateSurvey* survey,
                                             EvaluationPool& pool);
    // Reports the outcome of candidate `index`: a skip, its type's icon, a hit.
    void ReportOutcome(size_t index, CandidateOutcome outcome);
    // Writes down the search's use of the cache; a cache that failed says so
    // once, and a remark it has is told.
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
    std::unique_ptr<TextCache> m_cache;     // opened by the first search that uses it
    std::unique_ptr<CacheFiller> m_filler;  // of m_cache; goes before it
    std::thread m_worker;
};

#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cache/text_cache.h"
#include "search/front_end.h"

// The request that the start button makes.
struct SearchRequest {
    std::string place;  // a folder (native path bytes) or kAllDrivesPlace
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

    // Checks the request in order (place, types, narrowing) and starts the
    // worker. Called on the thread that owns the session (the UI thread).
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
    void RunWorker(SearchRequest request);

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

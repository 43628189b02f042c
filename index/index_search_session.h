#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "index/db_result.h"
#include "index/index_query.h"
#include "index/pg_connection.h"
#include "search/front_end.h"
#include "search/search_session.h"

// Where the office index is, as a window or a page keeps it.
struct OfficeIndexSettings {
    std::string target;                 // a libpq URI or connection string; empty: none
    std::vector<RootMapping> mappings;  // the index's places as this machine sees them
    PgTimeouts timeouts = {};

    // True when a search of `place` goes through the index: one is set, and
    // the place lies at or below the local side of a mapping.
    bool Covers(const std::string& place) const;
};

// A search of the office index with a search session's reads and reports
// (search/front_end.h), for a front end that searches places the index holds
// through it: on a worker thread of its own, it reads the keyword and the
// limits from the front end, asks the index, and reports the rows in walk
// order, the final status (with how fresh the index is) and the end. A
// narrowing search keeps the hits of the last one that the index finds
// again for the new keyword and limits. A failure (a server that is down or
// refuses, a place the index does not hold) goes to `onFailure`, on the
// worker thread, before the end is reported.
class IndexSearchSession {
  public:
    using FailureReport = std::function<void(const DbError& error)>;
    // The index's last completed scan of what was searched (seconds since
    // 1970), on the worker thread, before the final status.
    using FreshnessReport = std::function<void(std::optional<int64_t> freshAsOf)>;

    IndexSearchSession(SearchFrontEnd& frontEnd, FailureReport onFailure,
                       FreshnessReport onFreshness);
    ~IndexSearchSession();  // stops and joins a running worker
    IndexSearchSession(const IndexSearchSession&) = delete;
    IndexSearchSession& operator=(const IndexSearchSession&) = delete;

    // Starts a search of `request` (its place a folder, or a drawing, below a
    // mapping of `settings`); AlreadyRunning or NothingToNarrow as a search
    // session refuses them.
    StartResult StartSearch(const OfficeIndexSettings& settings, const SearchRequest& request);
    void StopSearch();
    bool IsRunning() const;
    void Wait();

  private:
    void RunWorker(OfficeIndexSettings settings, SearchRequest request);

    SearchFrontEnd& m_frontEnd;
    FailureReport m_onFailure;
    FreshnessReport m_onFreshness;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_running{false};
    std::string m_lastPlace;       // the place of the last completed search
    std::set<std::string> m_hits;  // its hits, for narrowing
    std::thread m_worker;
};

#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "search/front_end.h"
#include "search/search_session.h"
#include "serve/drawing_search.h"

// The front end of one search session that runs the page's searches: each
// query is its keyword text as a first pass, then each narrowing text as a
// narrowing pass over the last pass's hits, as `search --and` runs them. It
// hands the session's reports on to the query's receiver, and keeps as rows
// the last pass's hits that lie under the query's root once links are
// followed. A derived class owns the session and starts, stops and awaits
// its passes.
class PassRunner : public SearchFrontEnd {
  public:
    // Runs `query` on the session to its end or until `stop` is set. One
    // query at a time.
    SearchOutcome Run(const ServeQuery& query, SearchReceiver& receiver,
                      const std::atomic<bool>& stop);

    std::string KeywordText() override { return m_keyword; }
    bool IncludeSubfolders() override { return m_query->subfolders; }
    DateCriterion DateLimits() override { return m_query->date; }
    SizeCriterion SizeLimits() override { return m_query->size; }
    void PostStatus(const SearchStatus& status) override;
    void LoadTypeIcon(int, const std::string&) override {}
    void AddResultRow(ResultRecord record, int) override;
    void EndNarrowingMode() override {}
    void ReportNotice(const std::string& text) override { m_receiver->Notice(text); }
    void ReportSkipped(const std::string&, const std::string&) override { ++m_outcome.skipped; }
    void SearchEnded() override;

  protected:
    ~PassRunner() = default;

    // The session's side: start a pass of `request` (the keyword, the
    // limits and the subfolder switch come from this front end), ask a
    // running one to stop, wait for its worker to finish.
    virtual StartResult StartPass(const SearchRequest& request) = 0;
    virtual void StopPass() = 0;
    virtual void JoinPass() = 0;

    // Why the running pass failed, in words for the summary (the pass then
    // reports itself cancelled). On the session's worker.
    void PassFailed(std::string message) { m_failure = std::move(message); }

  private:
    void BeginPass(std::string keyword, bool lastPass);
    // Waits at most `wait` for the pass to end; true once it has.
    bool WaitForEnd(std::chrono::milliseconds wait);

    // Written by the thread that runs the search before each pass starts,
    // read by the session's worker during it.
    const ServeQuery* m_query = nullptr;
    SearchReceiver* m_receiver = nullptr;
    std::string m_keyword;
    bool m_lastPass = true;
    // Written by the worker during a pass, read once the pass has ended.
    int64_t m_passHits = 0;
    bool m_cancelled = false;
    std::string m_failure;
    SearchOutcome m_outcome;

    std::mutex m_endMutex;
    std::condition_variable m_endChanged;
    bool m_ended = false;
};

// A fixed set of runners, each made once and reused; a search waits for a
// free one.
template <typename Runner>
class RunnerPool {
  public:
    template <typename... Args>
    RunnerPool(unsigned count, const Args&... args) {
        for (unsigned k = 0; k < std::max(1u, count); ++k) {
            m_runners.push_back(std::make_unique<Runner>(args...));
            m_free.push_back(m_runners.back().get());
        }
    }

    SearchOutcome Run(const ServeQuery& query, SearchReceiver& receiver,
                      const std::atomic<bool>& stop) {
        Runner* runner;
        {
            std::unique_lock lock(m_mutex);
            m_freed.wait(lock, [this] { return !m_free.empty(); });
            runner = m_free.back();
            m_free.pop_back();
        }
        SearchOutcome outcome = runner->Run(query, receiver, stop);
        {
            std::lock_guard lock(m_mutex);
            m_free.push_back(runner);
        }
        m_freed.notify_one();
        return outcome;
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_freed;
    std::vector<std::unique_ptr<Runner>> m_runners;
    std::vector<Runner*> m_free;
};

#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "serve/drawing_search.h"
#include "serve/search_gate.h"

// One who receives a run's reports, and then how it ended.
class RunMember : public SearchReceiver {
  public:
    // The run has ended (its last report came before): its outcome, and
    // whether a member's time limit stopped it.
    virtual void RunEnded(const SearchOutcome& outcome, bool timedOut) = 0;
};

// One search whose reports go to every member. Requests for a query that is
// waiting for its turn ride along with it instead of waiting for turns of
// their own: each member asked before the search began, so each receives
// what a search of its own begun then would give. A run that has begun takes
// no one (its first rows were found before the request came).
class SharedRun final : private SearchReceiver {
  public:
    SharedRun(DrawingSearch& search, ServeQuery query);
    ~SharedRun();  // stops the search if it still runs, and waits for it

    const ServeQuery& Query() const { return m_query; }

    // Adds a member; false once the run has begun or was abandoned.
    bool Join(RunMember& member);
    // The member receives nothing more (its writer has let go of whatever
    // its reports wait on). The last member to leave stops the search.
    void Leave(RunMember& member);

    // Starts the search on a thread of its own, holding `pass` (when given)
    // until the search ends.
    void Begin(std::optional<SearchGate::Pass> pass);
    // The search will not run (its first member did not get a turn).
    void Abandon();

    enum class State { Waiting, Running, Abandoned };
    State CurrentState();
    // Waits while the run waits for its turn, until `deadline`, asking
    // `stillWanted` every 100 ms; the state then.
    State WaitForTurn(std::chrono::steady_clock::time_point deadline,
                      const std::function<bool()>& stillWanted);

    // A member's time limit has passed: the search stops for every member.
    void StopForTimeLimit();

  private:
    void Progress(const SearchStatus& status) override;
    void Row(const ResultRecord& record, const std::string& relativePath) override;
    void Notice(const std::string& text) override;

    DrawingSearch& m_search;
    const ServeQuery m_query;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_timedOut{false};
    std::thread m_thread;

    std::mutex m_stateMutex;  // guards the state
    std::condition_variable m_stateChanged;
    State m_state = State::Waiting;
    // Held while a report is handed on, which may wait for a member's
    // writer; never taken before the state's.
    std::mutex m_membersMutex;
    std::vector<RunMember*> m_members;
};

// The runs waiting for their turn, by query.
class SharedRuns {
  public:
    explicit SharedRuns(DrawingSearch& search) : m_search(search) {}

    // `member` joins the waiting run of `query`, or opens a new one and
    // leads it (`leads`): the leader asks for the turn, then begins or
    // abandons the run.
    std::shared_ptr<SharedRun> Join(const ServeQuery& query, RunMember& member, bool& leads);

  private:
    DrawingSearch& m_search;
    std::mutex m_mutex;
    std::vector<std::weak_ptr<SharedRun>> m_waiting;
};

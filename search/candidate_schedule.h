#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>

#include "search/candidate.h"

// Hands the candidates of a search to the testing threads ahead of the one
// being reported, and gives their outcomes back in candidate order.
//
// At most `window` candidates wait in the pool at a time: a stop then waits
// only for those, and the pool's threads seldom find it empty. A candidate
// settled without a test (the text cache's survey ruled it out) takes no
// place in the window, but is handed over at most `reach` candidates past the
// one being reported, so that the pool is given its next tests in time.
class CandidateSchedule {
  public:
    // Hands candidate `index` over: its outcome when it is settled at once,
    // or nothing when it went to the pool. Called once for each candidate,
    // in increasing order, on the thread that asks for outcomes.
    using HandOver = std::function<std::optional<CandidateOutcome>(size_t index)>;
    // Waits for the outcome of a candidate that went to the pool.
    using Take = std::function<CandidateOutcome(size_t index)>;

    struct Limits {
        size_t window = 1;  // candidates in the pool at most
        size_t reach = 1;   // how far past the reported candidate one is handed over
    };

    // For `threads` testing threads, the reporting one among them. Sixteen a
    // thread: a helper seldom finds the queue empty and has to be woken for
    // the next one (the hand-off costs more than reading a small drawing).
    // One thread tests each candidate as it is reported, nothing ahead.
    static Limits LimitsFor(unsigned threads);

    CandidateSchedule(size_t count, Limits limits, HandOver handOver, Take take);

    // The outcome of candidate `index`, asked once for each, in increasing
    // order from 0: first the candidates the limits allow are handed over.
    CandidateOutcome OutcomeOf(size_t index);

    // Candidates handed over so far, and those of them still in the pool.
    size_t HandedOver() const { return m_handedOver; }
    size_t InPool() const { return m_inPool; }

  private:
    void HandOverAhead(size_t index);

    size_t m_count;
    Limits m_limits;
    HandOver m_handOver;
    Take m_take;
    size_t m_next = 0;        // the next candidate whose outcome is asked
    size_t m_handedOver = 0;  // candidates handed over, from the first
    size_t m_inPool = 0;      // handed to the pool and not yet taken
    // From m_next up to m_handedOver: the outcome of a settled candidate,
    // nothing for one in the pool.
    std::deque<std::optional<CandidateOutcome>> m_ahead;
};

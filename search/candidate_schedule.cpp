#include "search/candidate_schedule.h"

#include <cassert>
#include <utility>

CandidateSchedule::Limits CandidateSchedule::LimitsFor(unsigned threads) {
    if (threads <= 1) return {.window = 1, .reach = 1};
    return {.window = static_cast<size_t>(threads) * 16, .reach = 1024};
}

CandidateSchedule::CandidateSchedule(size_t count, Limits limits, HandOver handOver, Take take)
    : m_count(count), m_limits(limits), m_handOver(std::move(handOver)), m_take(std::move(take)) {
    assert(m_limits.window >= 1 && m_limits.reach >= 1);
}

void CandidateSchedule::HandOverAhead(size_t index) {
    for (; m_handedOver < m_count && m_handedOver < index + m_limits.reach &&
           m_inPool < m_limits.window;
         ++m_handedOver) {
        std::optional<CandidateOutcome> settled = m_handOver(m_handedOver);
        if (!settled) ++m_inPool;
        m_ahead.push_back(std::move(settled));
    }
}

CandidateOutcome CandidateSchedule::OutcomeOf(size_t index) {
    assert(index == m_next && index < m_count);
    HandOverAhead(index);
    // A window and a reach of at least one: `index` has been handed over.
    std::optional<CandidateOutcome> settled = std::move(m_ahead.front());
    m_ahead.pop_front();
    ++m_next;
    if (settled) return std::move(*settled);
    --m_inPool;
    return m_take(index);
}

#include "serve/search_gate.h"

#include <algorithm>

SearchGate::SearchGate(unsigned limit, size_t maxWaiting)
    : m_limit(std::max(1u, limit)), m_maxWaiting(maxWaiting) {}

SearchGate::Pass::~Pass() {
    if (m_gate != nullptr) m_gate->Leave();
}

std::optional<SearchGate::Pass> SearchGate::Enter(std::chrono::milliseconds wait,
                                                  const std::function<bool()>& stillWanted) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::unique_lock lock(m_mutex);
    if (m_closed) return std::nullopt;
    if (m_line.empty() && m_running < m_limit) {
        ++m_running;
        return Pass(this);
    }
    if (m_line.size() >= m_maxWaiting) return std::nullopt;
    const uint64_t ticket = m_nextTicket++;
    m_line.push_back(ticket);
    for (;;) {
        if (!m_closed && m_line.front() == ticket && m_running < m_limit) {
            m_line.pop_front();
            ++m_running;
            // The next in line may fit too.
            m_changed.notify_all();
            return Pass(this);
        }
        bool timedOut = std::chrono::steady_clock::now() >= deadline;
        bool gone = false;
        if (!m_closed && !timedOut && stillWanted) {
            lock.unlock();
            gone = !stillWanted();
            lock.lock();
        }
        if (m_closed || timedOut || gone) {
            m_line.erase(std::find(m_line.begin(), m_line.end(), ticket));
            m_changed.notify_all();
            return std::nullopt;
        }
        auto until =
            std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(100));
        m_changed.wait_until(lock, until);
    }
}

void SearchGate::Close() {
    std::lock_guard lock(m_mutex);
    m_closed = true;
    m_changed.notify_all();
}

unsigned SearchGate::Running() const {
    std::lock_guard lock(m_mutex);
    return m_running;
}

size_t SearchGate::Waiting() const {
    std::lock_guard lock(m_mutex);
    return m_line.size();
}

void SearchGate::Leave() {
    std::lock_guard lock(m_mutex);
    --m_running;
    m_changed.notify_all();
}

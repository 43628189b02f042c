#include "serve/search_gate.h"

#include <algorithm>

bool WaitWhileWanted(std::unique_lock<std::mutex>& lock, std::condition_variable& changed,
                     std::chrono::steady_clock::time_point deadline,
                     const std::function<bool()>& stillWanted, const std::function<bool()>& ready) {
    for (;;) {
        if (ready()) return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return false;
        if (changed.wait_until(lock, std::min(deadline, now + std::chrono::milliseconds(100)),
                               ready)) {
            return true;
        }
        if (stillWanted) {
            lock.unlock();
            const bool wanted = stillWanted();
            lock.lock();
            if (!wanted) return false;
        }
    }
}

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
    const bool turn = WaitWhileWanted(lock, m_changed, deadline, stillWanted, [&] {
        return m_closed || (m_line.front() == ticket && m_running < m_limit);
    });
    if (!turn || m_closed) {
        m_line.erase(std::find(m_line.begin(), m_line.end(), ticket));
        m_changed.notify_all();
        return std::nullopt;
    }
    m_line.pop_front();
    ++m_running;
    // The next in line may fit too.
    m_changed.notify_all();
    return Pass(this);
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

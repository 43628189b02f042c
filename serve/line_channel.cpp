#include "serve/line_channel.h"

void LineChannel::Push(std::string_view line) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_closed || m_waiting.size() < m_limit; });
    if (m_closed) return;
    const bool wasEmpty = m_waiting.empty();
    m_waiting.append(line);
    if (wasEmpty) m_changed.notify_all();
}

void LineChannel::Finish() {
    std::lock_guard lock(m_mutex);
    m_finished = true;
    m_changed.notify_all();
}

void LineChannel::Close() {
    std::lock_guard lock(m_mutex);
    m_closed = true;
    m_waiting.clear();
    m_changed.notify_all();
}

bool LineChannel::Take(std::string& out, std::chrono::milliseconds wait) {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, wait, [this] { return !m_waiting.empty() || m_finished; });
    const bool drained = m_waiting.empty();
    out.append(m_waiting);
    m_waiting.clear();
    m_changed.notify_all();  // the producer may be waiting for room
    return !(m_finished && drained);
}

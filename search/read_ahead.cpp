#include "search/read_ahead.h"

#include <chrono>

#include "platform/file_source.h"

ReadAhead::ReadAhead(const std::vector<std::string>& candidates, std::function<bool(size_t)> needed)
    : m_candidates(candidates), m_needed(std::move(needed)) {
    m_thread = std::thread([this] { Run(); });
}

ReadAhead::~ReadAhead() {
    m_stop.store(true);
    m_thread.join();
}

void ReadAhead::Run() {
    // Asking: the last candidates missed the cache. Eight found in a row end
    // it, and then only samples are looked at until one misses again.
    bool asking = false;
    int foundInARow = 0;
    for (size_t next = 0; next < m_candidates.size() && !m_stop.load();) {
        size_t testing = m_testing.load(std::memory_order_relaxed);
        if (next < testing) next = testing;  // the search has caught up
        if (next >= testing + kAhead) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        if ((!asking && next % kSampleEvery != 0) || (m_needed && !m_needed(next))) {
            ++next;
            continue;
        }
        if (ReadAheadFile(m_candidates[next], kBytes)) {
            if (++foundInARow >= 8) asking = false;
        } else {
            asking = true;
            foundInARow = 0;
        }
        ++next;
    }
}

#include "search/status_prefetch.h"

#include <algorithm>

namespace {

// Paths handed over, and read, at a time.
constexpr size_t kRun = 64;

}  // namespace

StatusPrefetch::StatusPrefetch() {
    m_batch.reserve(kRun);
    m_thread = std::thread([this] { Run(); });
}

StatusPrefetch::~StatusPrefetch() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void StatusPrefetch::Add(const std::string& path) {
    if (m_added >= kMost) return;
    ++m_added;
    m_batch.push_back(path);
    if (m_batch.size() >= kRun) HandOver();
}

void StatusPrefetch::HandOver() {
    {
        std::lock_guard lock(m_mutex);
        if (m_taken == m_pending.size()) {
            m_pending.clear();
            m_taken = 0;
        }
        for (std::string& path : m_batch) m_pending.push_back(std::move(path));
    }
    m_batch.clear();
    m_changed.notify_one();
}

std::vector<std::optional<FileStatus>> StatusPrefetch::Finish() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) m_thread.join();
    return std::move(m_statuses);
}

void StatusPrefetch::Run() {
    std::vector<std::string> run;
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stopping || m_taken < m_pending.size(); });
            // What is left when the walk has ended is read by the search itself.
            if (m_stopping) return;
            size_t end = std::min(m_pending.size(), m_taken + kRun);
            run.assign(std::make_move_iterator(m_pending.begin() + static_cast<ptrdiff_t>(m_taken)),
                       std::make_move_iterator(m_pending.begin() + static_cast<ptrdiff_t>(end)));
            m_taken = end;
        }
        StatusReader reader;
        for (const std::string& path : run) m_statuses.push_back(reader.Read(path));
    }
}

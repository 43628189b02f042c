#include "search/status_prefetch.h"

namespace {

// Paths handed over, and read, at a time.
constexpr size_t kRun = 64;

}  // namespace

StatusPrefetch::StatusPrefetch() {
    m_batch.reserve(kRun);
    m_thread = std::thread([this] { Run(); });
}

StatusPrefetch::~StatusPrefetch() { Stop(); }

void StatusPrefetch::Stop() {
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
    if (m_batch.size() < kRun) return;
    {
        std::lock_guard lock(m_mutex);
        m_pending.push_back(std::move(m_batch));
    }
    m_batch = {};
    m_batch.reserve(kRun);
    m_changed.notify_one();
}

std::vector<std::optional<FileStatus>> StatusPrefetch::Finish() {
    Stop();
    return std::move(m_statuses);
}

void StatusPrefetch::Run() {
    for (;;) {
        std::vector<std::string> run;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stopping || !m_pending.empty(); });
            // What is left when the walk has ended is read by the search itself.
            if (m_stopping) return;
            run = std::move(m_pending.front());
            m_pending.pop_front();
        }
        StatusReader reader;
        for (const std::string& path : run) m_statuses.push_back(reader.Read(path).Value());
    }
}

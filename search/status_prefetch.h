#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_status.h"

// Reads the statuses of the candidates a walk finds while the walk goes on,
// on a thread of its own (a walk keeps one core busy; a repeat search with a
// text cache spends most of its time on statuses). The first kMost
// candidates at most.
class StatusPrefetch {
  public:
    static constexpr size_t kMost = 65536;

    StatusPrefetch();
    ~StatusPrefetch();  // stops the thread
    StatusPrefetch(const StatusPrefetch&) = delete;
    StatusPrefetch& operator=(const StatusPrefetch&) = delete;

    // The next candidate the walk found. On the walk's thread.
    void Add(const std::string& path);

    // Ends the reading: the statuses read so far, of the first candidates in
    // the order they were added (nothing where one could not be read).
    std::vector<std::optional<FileStatus>> Finish();

  private:
    void Stop();
    void Run();

    size_t m_added = 0;
    std::vector<std::string> m_batch;  // the walk's, not yet handed over

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<std::string>> m_pending;  // runs handed over, not yet read
    bool m_stopping = false;
    std::vector<std::optional<FileStatus>> m_statuses;  // the thread's until it ends
    std::thread m_thread;
};

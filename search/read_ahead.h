#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Reads candidates ahead into the system's cache while a search tests them,
// when they turn out not to be there (a cold cache, a share on a file
// server): the disk is then given several files to fetch at once, not one
// per evaluation thread. Each candidate up to kAhead past the one being
// tested is asked for (its first kBytes), as long as the candidates keep
// missing the cache; on a warm cache it looks at one candidate in
// kSampleEvery and asks nothing. Runs on a thread of its own, and costs the
// search nothing but that thread.
class ReadAhead {
  public:
    static constexpr size_t kAhead = 32;
    static constexpr uint64_t kBytes = uint64_t{4} << 20;
    static constexpr size_t kSampleEvery = 64;

    // `needed` (if given) tells, on the read-ahead thread, whether the
    // drawing at an index will be read at all.
    explicit ReadAhead(const std::vector<std::string>& candidates,
                       std::function<bool(size_t)> needed = {});
    ~ReadAhead();  // stops the thread and waits for it
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The search is testing candidate `index`.
    void Testing(size_t index) { m_testing.store(index, std::memory_order_relaxed); }

  private:
    void Run();

    const std::vector<std::string>& m_candidates;
    std::function<bool(size_t)> m_needed;
    std::atomic<size_t> m_testing{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

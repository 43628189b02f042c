#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A fixed set of helper threads that run one piece of work together with the
// caller, as often as they are asked: started once, and asleep between
// rounds.
class ThreadCrew {
  public:
    explicit ThreadCrew(unsigned helpers);
    ~ThreadCrew();  // wakes the helpers and waits for them to end
    ThreadCrew(const ThreadCrew&) = delete;
    ThreadCrew& operator=(const ThreadCrew&) = delete;

    // Runs `work` on every helper and on the calling thread at once, and
    // returns when every run has returned. What the runs wrote is then seen
    // by the caller. One round at a time, from one thread.
    void RunOnAll(const std::function<void()>& work);

    unsigned Helpers() const { return static_cast<unsigned>(m_threads.size()); }

  private:
    void Serve();

    std::mutex m_mutex;
    std::condition_variable m_roundStarted;
    std::condition_variable m_roundEnded;
    const std::function<void()>* m_work = nullptr;  // the current round's
    uint64_t m_round = 0;                           // rounds started
    unsigned m_running = 0;                         // helpers still in the current round
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

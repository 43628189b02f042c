#include "search/thread_crew.h"

ThreadCrew::ThreadCrew(unsigned helpers) {
    m_threads.reserve(helpers);
    for (unsigned t = 0; t < helpers; ++t) m_threads.emplace_back([this] { Serve(); });
}

ThreadCrew::~ThreadCrew() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_roundStarted.notify_all();
    for (std::thread& thread : m_threads) thread.join();
}

void ThreadCrew::RunOnAll(const std::function<void()>& work) {
    {
        std::lock_guard lock(m_mutex);
        m_work = &work;
        m_running = static_cast<unsigned>(m_threads.size());
        ++m_round;
    }
    m_roundStarted.notify_all();
    work();
    std::unique_lock lock(m_mutex);
    m_roundEnded.wait(lock, [this] { return m_running == 0; });
    m_work = nullptr;
}

void ThreadCrew::Serve() {
    uint64_t done = 0;  // the last round this helper ran
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_roundStarted.wait(lock, [&] { return m_stopping || m_round != done; });
        if (m_stopping) return;
        done = m_round;
        const std::function<void()>& work = *m_work;
        lock.unlock();
        work();
        lock.lock();
        if (--m_running == 0) m_roundEnded.notify_one();
    }
}

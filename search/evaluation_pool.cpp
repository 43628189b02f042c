#include "search/evaluation_pool.h"

#include <new>

CandidateOutcome EvaluateCandidateSafely(const CandidateJob& job, const CandidateTest& test,
                                         CandidateScratch& scratch) {
    try {
        return EvaluateCandidate(job.path, test, job.date, job.size, scratch,
                                 job.known ? &*job.known : nullptr);
    } catch (const std::bad_alloc&) {
        CandidateOutcome outcome;
        outcome.passedFilters = true;
        return outcome;
    }
}

EvaluationPool::EvaluationPool(unsigned helperThreads, const CandidateTest& test) : m_test(test) {
    for (unsigned t = 0; t < helperThreads; ++t) m_threads.emplace_back([this] { Run(); });
}

EvaluationPool::~EvaluationPool() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        m_jobs.clear();
    }
    m_jobReady.notify_all();
    for (std::thread& thread : m_threads) thread.join();
}

void EvaluationPool::Submit(CandidateJob job) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_jobReady.notify_one();
}

CandidateOutcome EvaluationPool::Take(size_t index) {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        auto found = m_outcomes.find(index);
        if (found != m_outcomes.end()) {
            CandidateOutcome outcome = std::move(found->second);
            m_outcomes.erase(found);
            m_awaited = SIZE_MAX;
            return outcome;
        }
        if (!m_jobs.empty()) {
            CandidateJob job = std::move(m_jobs.front());
            m_jobs.pop_front();
            lock.unlock();
            CandidateOutcome outcome = EvaluateCandidateSafely(job, m_test, m_takerScratch);
            lock.lock();
            m_outcomes.emplace(job.index, std::move(outcome));
            continue;
        }
        m_awaited = index;
        m_outcomeReady.wait(lock);
    }
}

void EvaluationPool::Run() {
    CandidateScratch scratch;
    for (;;) {
        CandidateJob job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_jobReady.wait(lock, [&] { return m_stopping || !m_jobs.empty(); });
            if (m_stopping) return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        CandidateOutcome outcome = EvaluateCandidateSafely(job, m_test, scratch);
        bool awaited;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            awaited = job.index == m_awaited;
            m_outcomes.emplace(job.index, std::move(outcome));
        }
        if (awaited) m_outcomeReady.notify_one();
    }
}

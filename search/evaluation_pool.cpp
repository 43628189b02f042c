#include "search/evaluation_pool.h"

#include <new>

CandidateOutcome EvaluateCandidateSafely(const CandidateJob& job, const KeywordList& keywords) {
    try {
        return EvaluateCandidate(job.path, keywords, job.date, job.size);
    } catch (const std::bad_alloc&) {
        CandidateOutcome outcome;
        outcome.passedFilters = true;
        return outcome;
    }
}

EvaluationPool::EvaluationPool(unsigned threads, const KeywordList& keywords)
    : m_keywords(keywords) {
    for (unsigned t = 0; t < threads; ++t) m_threads.emplace_back([this] { Run(); });
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
    m_outcomeReady.wait(lock, [&] { return m_outcomes.count(index) != 0; });
    CandidateOutcome outcome = std::move(m_outcomes[index]);
    m_outcomes.erase(index);
    return outcome;
}

void EvaluationPool::Run() {
    for (;;) {
        CandidateJob job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_jobReady.wait(lock, [&] { return m_stopping || !m_jobs.empty(); });
            if (m_stopping) return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        CandidateOutcome outcome = EvaluateCandidateSafely(job, m_keywords);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_outcomes.emplace(job.index, std::move(outcome));
        }
        m_outcomeReady.notify_all();
    }
}

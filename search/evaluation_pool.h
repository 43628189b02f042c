#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "search/candidate.h"

// One candidate to test, with the limits read when it was handed over.
struct CandidateJob {
    size_t index = 0;
    std::string path;
    DateCriterion date;
    SizeCriterion size;
    // The text cache's row, when the candidate was surveyed.
    std::optional<CachedRow> known;
};

// Tests candidates on a fixed set of threads (none: Take tests them). Jobs may finish in any order;
// Take hands each outcome back by its index, so the caller sees them in
// candidate order. Destroying the pool drops the jobs not yet started and
// waits for those in flight.
class EvaluationPool {
  public:
    EvaluationPool(unsigned threads, const CandidateTest& test);
    ~EvaluationPool();
    EvaluationPool(const EvaluationPool&) = delete;
    EvaluationPool& operator=(const EvaluationPool&) = delete;

    void Submit(CandidateJob job);
    // Blocks until the outcome of the job with `index` is ready.
    CandidateOutcome Take(size_t index);

  private:
    void Run();

    const CandidateTest& m_test;
    CandidateScratch m_takerScratch;  // for the jobs Take runs on the caller's thread
    std::mutex m_mutex;
    std::condition_variable m_jobReady;
    std::condition_variable m_outcomeReady;
    std::deque<CandidateJob> m_jobs;
    std::unordered_map<size_t, CandidateOutcome> m_outcomes;
    size_t m_awaited = SIZE_MAX;  // the index Take is sleeping for
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

// Tests one candidate; a failure inside (memory running out on a huge text)
// counts as a candidate that passed the filters without a hit.
CandidateOutcome EvaluateCandidateSafely(const CandidateJob& job, const CandidateTest& test,
                                         CandidateScratch& scratch);

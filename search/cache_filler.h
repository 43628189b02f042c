#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "cache/text_cache.h"
#include "platform/processor_time.h"

// Reads into the text cache the drawings that searches passed over without
// reading (their prefilter ruled them out: CandidateOutcome::passedOver), so
// that the cache ends up holding every drawing, as if the search had read
// them all, while the search itself reads no more than it would without a
// cache.
//
// Its threads read a search's drawings once the search has reported its end.
// While a search runs they hold back, but for as many of them as there are
// processors to spare: idle ones (a search that waits for the disk leaves
// them so), or ones busy only with the filler's own reading, measured over
// the last kSampleTime. The drawings passed over by then were just read
// whole by the prefilter and are in the system's cache. A stop (`stop`, the
// session's cancel flag) holds them back until it is cleared; drawings not
// read when the filler is destroyed are dropped, and the next search passes
// them over again.
class CacheFiller {
  public:
    // The machine's idle processor seconds so far (IdleProcessorSeconds;
    // tests give their own).
    using IdleClock = std::function<std::optional<double>()>;

    // `threads` reading threads, started now, asleep until there is work.
    CacheFiller(TextCache& cache, unsigned threads, const std::atomic<bool>& stop,
                IdleClock idleSeconds = IdleProcessorSeconds);
    ~CacheFiller();  // waits for the drawings being read; the rest are dropped
    CacheFiller(const CacheFiller&) = delete;
    CacheFiller& operator=(const CacheFiller&) = delete;

    // A drawing passed over, in the order the search reports them; one
    // still waiting to be read is not added twice.
    void Add(const std::string& path);

    static constexpr std::chrono::milliseconds kSampleTime{100};

    // A search starts: the threads hold back.
    void SearchStarted();
    // While a search runs, as it reports its candidates: once every
    // kSampleTime, lets as many threads read as there were processors to
    // spare. Cheap between samples.
    void SearchGoesOn();
    // The search is about to end: the threads hold back again.
    void SearchEnding();
    // The search has reported its end: the threads read the rest.
    void SearchEnded();

    // Waits until every drawing added has been read, or until `stop` is set;
    // false for a stop. Called while no search runs.
    bool Finish();

    // Drawings added and not yet read, those being read among them.
    size_t Left();

  private:
    void Run();
    // Whether a thread may take the next drawing now (with m_mutex held).
    bool MayRead() const;
    // The threads that may read during the search.
    void AllowDuringSearch(unsigned threads);

    TextCache& m_cache;
    const std::atomic<bool>& m_stop;
    IdleClock m_idleSeconds;
    std::mutex m_mutex;
    std::condition_variable m_changed;          // work, a search's end, a stop
    std::condition_variable m_done;             // the last drawing has been read
    std::deque<std::string> m_paths;            // added, not yet taken
    std::unordered_set<std::string> m_waiting;  // the same paths
    size_t m_reading = 0;                       // taken, not yet read
    bool m_searching = false;
    unsigned m_allowed = 0;  // threads that may read while a search runs
    bool m_stopping = false;
    std::atomic<int64_t> m_busyNanos{0};  // processor time the threads spent reading
    // The last sample, by the search's thread.
    std::chrono::steady_clock::time_point m_sampledAt;
    double m_idleThen = -1;  // idle processor seconds then; -1: none yet
    int64_t m_busyNanosThen = 0;
    std::vector<std::thread> m_threads;
};

#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cache/text_cache.h"
#include "platform/file_status.h"
#include "search/candidate.h"
#include "search/thread_crew.h"

// What the text cache tells of one candidate before it is tested.
struct SurveyedCandidate {
    // Its status when it was surveyed; nothing when it could not be read
    // (the test reads it again and says why).
    std::optional<FileStatus> status;
    CachedRow row;  // not present when the cache holds none
    // The row is of the drawing's version: the drawing need not be read.
    bool current = false;
    // Nothing is left to do but the date and size test: the row is current
    // and its signature rules the keywords out (or the search only fills the
    // cache).
    bool settled = false;
};

// Surveys the candidates of a search that uses a text cache, a block at a
// time as the search reaches it: the statuses of a block are read on several
// threads while the cache's rows for it are read in one sweep, so an
// unchanged drawing costs one status and no lookup of its own. The threads
// are started once, with the survey, and sleep between blocks.
class CandidateSurvey {
  public:
    static constexpr size_t kBlock = 4096;

    // `threads` read statuses (the caller's thread among them); `block`
    // candidates are surveyed at a time. `statuses` are those of the first
    // candidates, read already (StatusPrefetch).
    CandidateSurvey(const std::vector<std::string>& candidates, TextCache& cache,
                    const CandidateTest& test, unsigned threads, const std::atomic<bool>& cancel,
                    std::vector<std::optional<FileStatus>> statuses = {}, size_t block = kBlock);

    // Whether a survey helps this search: keywords a signature can rule out,
    // or filling the cache.
    static bool Worthwhile(const CandidateTest& test);

    // The candidate at `index`, its block surveyed when first asked. Asked
    // in increasing order of index; an entry stays valid until the next
    // block is surveyed.
    const SurveyedCandidate& At(size_t index);

    // False once the survey has found that the drawing at `index` need not
    // be read. Safe on any thread.
    bool NeedsReading(size_t index) const {
        return !m_current[index].load(std::memory_order_relaxed);
    }

  private:
    void SurveyBlock(size_t begin);
    // Reads the rows and statuses of the candidates from `begin` to `end`
    // into the block, on every thread of the crew.
    void ReadBlock(size_t begin, size_t end);
    // Marks the entries of the block whose row is of the drawing's version.
    void MarkCurrent(size_t begin, size_t end);

    const std::vector<std::string>& m_candidates;
    TextCache& m_cache;
    const CandidateTest& m_test;
    unsigned m_threads;
    const std::atomic<bool>& m_cancel;
    ThreadCrew m_crew;
    std::vector<std::optional<FileStatus>> m_statuses;
    size_t m_blockSize;
    size_t m_begin = 0;  // the first index of the surveyed block
    std::vector<SurveyedCandidate> m_block;
    std::unique_ptr<std::atomic<bool>[]> m_current;  // by index
};

#include "search/candidate_survey.h"

#include <algorithm>

namespace {

// Statuses a thread takes at a time.
constexpr size_t kStatusRun = 64;

}  // namespace

CandidateSurvey::CandidateSurvey(const std::vector<std::string>& candidates, TextCache& cache,
                                 const CandidateTest& test, unsigned threads,
                                 const std::atomic<bool>& cancel,
                                 std::vector<std::optional<FileStatus>> statuses, size_t block)
    : m_candidates(candidates),
      m_cache(cache),
      m_test(test),
      m_threads(std::max(1u, threads)),
      m_cancel(cancel),
      m_crew(m_threads - 1),
      m_statuses(std::move(statuses)),
      m_blockSize(std::max<size_t>(1, block)),
      m_current(std::make_unique<std::atomic<bool>[]>(candidates.size())) {}

bool CandidateSurvey::Worthwhile(const CandidateTest& test) {
    if (test.fillCache) return true;
    if (test.keywords.empty()) return false;
    return std::none_of(test.keywords.begin(), test.keywords.end(),
                        [](const std::string& piece) { return piece.empty(); });
}

const SurveyedCandidate& CandidateSurvey::At(size_t index) {
    if (m_block.empty() || index < m_begin || index >= m_begin + m_block.size()) {
        SurveyBlock(index);
    }
    return m_block[index - m_begin];
}

void CandidateSurvey::SurveyBlock(size_t begin) {
    const size_t end = std::min(m_candidates.size(), begin + m_blockSize);
    m_begin = begin;
    m_block.assign(end - begin, SurveyedCandidate());
    ReadBlock(begin, end);
    MarkCurrent(begin, end);
}

void CandidateSurvey::ReadBlock(size_t begin, size_t end) {
    // Each thread first reads the rows of a part of the block in one sweep,
    // then statuses, a run at a time, until none are left.
    const size_t parts = std::min<size_t>(m_threads, (end - begin + kStatusRun - 1) / kStatusRun);
    std::atomic<size_t> nextPart{0};
    // Those read ahead are taken; the rest are read.
    const size_t readAhead = std::clamp(m_statuses.size(), begin, end);
    for (size_t i = begin; i < readAhead; ++i) m_block[i - begin].status = std::move(m_statuses[i]);
    std::atomic<size_t> nextStatus{readAhead};
    const SignatureTest mayMatch = m_test.fillCache ? SignatureTest() : m_test.MayMatch();
    m_crew.RunOnAll([&] {
        for (size_t part; (part = nextPart.fetch_add(1)) < parts;) {
            size_t first = begin + (end - begin) * part / parts;
            size_t last = begin + (end - begin) * (part + 1) / parts;
            std::vector<CachedRow> rows = m_cache.Survey(
                std::span<const std::string>(m_candidates).subspan(first, last - first), mayMatch);
            for (size_t i = first; i < last; ++i) m_block[i - begin].row = rows[i - first];
        }
        for (;;) {
            size_t first = nextStatus.fetch_add(kStatusRun);
            if (first >= end || m_cancel.load(std::memory_order_relaxed)) return;
            StatusReader reader;
            for (size_t i = first; i < std::min(end, first + kStatusRun); ++i) {
                m_block[i - begin].status = reader.Read(m_candidates[i]).Value();
            }
        }
    });
}

void CandidateSurvey::MarkCurrent(size_t begin, size_t end) {
    for (size_t i = begin; i < end; ++i) {
        SurveyedCandidate& entry = m_block[i - begin];
        if (!entry.status || !entry.status->isRegularFile || !entry.row.present) continue;
        entry.current = entry.row.version == DrawingVersionOf(m_candidates[i], *entry.status);
        entry.settled = entry.current && (m_test.fillCache || !entry.row.mayMatch);
        if (entry.current) m_current[i].store(true, std::memory_order_relaxed);
    }
}

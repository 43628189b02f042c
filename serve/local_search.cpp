#include "serve/local_search.h"

#include <chrono>

#include "platform/file_status.h"
#include "platform/folder_listing.h"
#include "search/search_session.h"

// One search session and the front end it reports to, which hands the
// session's reports on to the receiver of the search it runs.
class LocalDrawingSearch::Slot final : public SearchFrontEnd {
  public:
    Slot(unsigned threads, const std::optional<TextCacheSettings>& cache)
        : m_session(*this, threads) {
        m_session.UseTextCache(cache);
    }

    SearchOutcome Run(const ServeQuery& query, SearchReceiver& receiver,
                      const std::atomic<bool>& stop) {
        m_query = &query;
        m_receiver = &receiver;
        m_outcome = {};
        for (size_t pass = 0; pass < query.keywords.size(); ++pass) {
            if (stop.load()) {
                m_outcome.stopped = true;
                break;
            }
            StartPass(query.keywords[pass], pass + 1 == query.keywords.size());
            SearchRequest request{
                .place = query.place, .typeMask = query.typeMask, .narrow = pass > 0};
            StartResult started = m_session.StartSearch(request);
            if (started != StartResult::Started) {
                m_outcome.refusal = StartRefusalMessage(started);
                break;
            }
            while (!WaitForEnd(std::chrono::milliseconds(20))) {
                if (stop.load()) m_session.StopSearch();
            }
            m_session.Wait();
            if (m_cancelled) m_outcome.stopped = true;
            if (m_cancelled || m_passHits == 0) break;
        }
        m_query = nullptr;
        m_receiver = nullptr;
        return m_outcome;
    }

    std::string KeywordText() override { return m_keyword; }
    bool IncludeSubfolders() override { return m_query->subfolders; }
    DateCriterion DateLimits() override { return m_query->date; }
    SizeCriterion SizeLimits() override { return m_query->size; }

    void PostStatus(const SearchStatus& status) override {
        if (status.phase == SearchPhase::Cancelled) m_cancelled = true;
        if (status.phase == SearchPhase::Done || status.phase == SearchPhase::Cancelled) {
            m_outcome.statusText = status.text;
        }
        m_receiver->Progress(status);
    }
    void LoadTypeIcon(int, const std::string&) override {}
    void AddResultRow(ResultRecord record, int) override {
        ++m_passHits;
        if (!m_lastPass) return;
        // The walk never enters a linked folder, so only the drawing's own
        // entry may be a link; one that leads out of the root is no row.
        std::optional<std::string> relative = RelativeToRoot(*m_query->root, record.fullPath);
        if (!relative) return;
        if (IsSymbolicLink(record.fullPath)) {
            std::optional<std::string> real = RealPath(record.fullPath);
            if (!real || !RelativeToRoot(*m_query->root, *real)) return;
        }
        ++m_outcome.rows;
        m_receiver->Row(record, *relative);
    }
    void EndNarrowingMode() override {}
    void ReportNotice(const std::string& text) override { m_receiver->Notice(text); }
    void ReportSkipped(const std::string&, const std::string&) override { ++m_outcome.skipped; }
    void SearchEnded() override {
        std::lock_guard lock(m_endMutex);
        m_ended = true;
        m_endChanged.notify_all();
    }

  private:
    void StartPass(std::string keyword, bool lastPass) {
        m_keyword = std::move(keyword);
        m_lastPass = lastPass;
        m_passHits = 0;
        m_cancelled = false;
        std::lock_guard lock(m_endMutex);
        m_ended = false;
    }

    // Waits at most `wait` for the pass to end; true once it has.
    bool WaitForEnd(std::chrono::milliseconds wait) {
        std::unique_lock lock(m_endMutex);
        return m_endChanged.wait_for(lock, wait, [this] { return m_ended; });
    }

    // Written by the thread that runs the search before each pass starts,
    // read by the session's worker during it.
    const ServeQuery* m_query = nullptr;
    SearchReceiver* m_receiver = nullptr;
    std::string m_keyword;
    bool m_lastPass = true;
    // Written by the worker during a pass, read once the pass has ended.
    int64_t m_passHits = 0;
    bool m_cancelled = false;
    SearchOutcome m_outcome;

    std::mutex m_endMutex;
    std::condition_variable m_endChanged;
    bool m_ended = false;
    SearchSession m_session;  // last: its worker ends before the rest goes
};

LocalDrawingSearch::LocalDrawingSearch(unsigned sessions, unsigned threads,
                                       const std::optional<TextCacheSettings>& cache) {
    for (unsigned k = 0; k < std::max(1u, sessions); ++k) {
        m_slots.push_back(std::make_unique<Slot>(threads, cache));
        m_free.push_back(m_slots.back().get());
    }
}

LocalDrawingSearch::~LocalDrawingSearch() = default;

SearchOutcome LocalDrawingSearch::Run(const ServeQuery& query, SearchReceiver& receiver,
                                      const std::atomic<bool>& stop) {
    Slot* slot;
    {
        std::unique_lock lock(m_mutex);
        m_freed.wait(lock, [this] { return !m_free.empty(); });
        slot = m_free.back();
        m_free.pop_back();
    }
    SearchOutcome outcome = slot->Run(query, receiver, stop);
    {
        std::lock_guard lock(m_mutex);
        m_free.push_back(slot);
    }
    m_freed.notify_one();
    return outcome;
}

#include "serve/pass_runner.h"

#include "platform/file_status.h"
#include "platform/folder_listing.h"

SearchOutcome PassRunner::Run(const ServeQuery& query, SearchReceiver& receiver,
                              const std::atomic<bool>& stop) {
    m_query = &query;
    m_receiver = &receiver;
    m_outcome = {};
    for (size_t pass = 0; pass < query.keywords.size(); ++pass) {
        if (stop.load()) {
            m_outcome.stopped = true;
            break;
        }
        BeginPass(query.keywords[pass], pass + 1 == query.keywords.size());
        SearchRequest request{.place = query.place, .typeMask = query.typeMask, .narrow = pass > 0};
        StartResult started = StartPass(request);
        if (started != StartResult::Started) {
            m_outcome.refusal = StartRefusalMessage(started);
            break;
        }
        while (!WaitForEnd(std::chrono::milliseconds(20))) {
            if (stop.load()) StopPass();
        }
        JoinPass();
        if (!m_failure.empty()) {
            m_outcome.refusal = m_failure;
            break;
        }
        if (m_cancelled) m_outcome.stopped = true;
        if (m_cancelled || m_passHits == 0) break;
    }
    m_query = nullptr;
    m_receiver = nullptr;
    return m_outcome;
}

void PassRunner::PostStatus(const SearchStatus& status) {
    if (status.phase == SearchPhase::Cancelled) m_cancelled = true;
    if (status.phase == SearchPhase::Done || status.phase == SearchPhase::Cancelled) {
        m_outcome.statusText = status.text;
    }
    m_receiver->Progress(status);
}

void PassRunner::AddResultRow(ResultRecord record, int) {
    ++m_passHits;
    if (!m_lastPass) return;
    // The walk never enters a linked folder, so only the drawing's own entry
    // may be a link; one that leads out of the root is no row.
    std::optional<std::string> relative = RelativeToRoot(*m_query->root, record.fullPath);
    if (!relative) return;
    if (IsSymbolicLink(record.fullPath)) {
        std::optional<std::string> real = RealPath(record.fullPath);
        if (!real || !RelativeToRoot(*m_query->root, *real)) return;
    }
    ++m_outcome.rows;
    m_receiver->Row(record, *relative);
}

void PassRunner::SearchEnded() {
    std::lock_guard lock(m_endMutex);
    m_ended = true;
    m_endChanged.notify_all();
}

void PassRunner::BeginPass(std::string keyword, bool lastPass) {
    m_keyword = std::move(keyword);
    m_lastPass = lastPass;
    m_passHits = 0;
    m_cancelled = false;
    m_failure.clear();
    std::lock_guard lock(m_endMutex);
    m_ended = false;
}

bool PassRunner::WaitForEnd(std::chrono::milliseconds wait) {
    std::unique_lock lock(m_endMutex);
    return m_endChanged.wait_for(lock, wait, [this] { return m_ended; });
}

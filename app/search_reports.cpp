#include "app/search_reports.h"

#include <iterator>
#include <string>
#include <utility>

namespace {
bool IsFinal(const SearchStatus& status) {
    return status.phase == SearchPhase::Done || status.phase == SearchPhase::Cancelled;
}
}  // namespace

bool SearchReports::Woken() {
    if (m_wakeSent) return false;
    m_wakeSent = true;
    return true;
}

bool SearchReports::AddStatus(const SearchStatus& status) {
    std::lock_guard lock(m_mutex);
    m_pending.status = status;
    m_pending.hitsAtStatus = m_hits;
    return Woken();
}

bool SearchReports::AddRow(ResultRecord record, int slot) {
    std::lock_guard lock(m_mutex);
    m_pending.rows.push_back({std::move(record), slot});
    ++m_hits;
    return Woken();
}

bool SearchReports::AddIcon(int slot, const std::string& path) {
    std::lock_guard lock(m_mutex);
    m_pending.icons.push_back({slot, path});
    return Woken();
}

bool SearchReports::AddEndNarrowing() {
    std::lock_guard lock(m_mutex);
    m_pending.endNarrowing = true;
    return Woken();
}

bool SearchReports::AddEnd() {
    std::lock_guard lock(m_mutex);
    m_pending.ended = true;
    Woken();
    return true;
}

ReportBatch SearchReports::Take(size_t maxRows) {
    std::lock_guard lock(m_mutex);
    ReportBatch batch;
    if (m_pending.rows.size() <= maxRows) {
        batch = std::move(m_pending);
        m_pending = ReportBatch{};
        m_wakeSent = false;
        return batch;
    }
    auto split = m_pending.rows.begin() + static_cast<std::ptrdiff_t>(maxRows);
    batch.rows.assign(std::make_move_iterator(m_pending.rows.begin()),
                      std::make_move_iterator(split));
    m_pending.rows.erase(m_pending.rows.begin(), split);
    batch.icons = std::move(m_pending.icons);
    m_pending.icons.clear();
    if (m_pending.status && !IsFinal(*m_pending.status)) {
        batch.status = std::move(m_pending.status);
        batch.hitsAtStatus = m_pending.hitsAtStatus;
        m_pending.status.reset();
    }
    batch.more = true;
    // The caller comes back for the rest without being woken.
    m_wakeSent = true;
    return batch;
}

bool SearchReports::EndPending() const {
    std::lock_guard lock(m_mutex);
    return m_pending.ended;
}

void SearchReports::Clear() {
    std::lock_guard lock(m_mutex);
    m_pending = ReportBatch{};
    m_wakeSent = false;
    m_hits = 0;
}

std::string StatusBarText(const SearchStatus& status, int64_t hitsSoFar) {
    if (status.phase != SearchPhase::Testing) return status.text;
    return status.text + " (" + std::to_string(hitsSoFar) + " 枚一致)";
}

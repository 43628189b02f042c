#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "results/result_record.h"
#include "search/front_end.h"

// What a search has reported and the window has not shown yet. The worker
// adds as fast as it likes; the window takes it all at its own pace. Nothing
// of the order that matters is lost: rows stay in hit order, the latest status
// replaces the ones before it, and the end of a search comes after the rows.
struct PendingRow {
    ResultRecord record;
    int slot = -1;
};

struct PendingIcon {
    int slot = -1;
    std::string path;
};

struct ReportBatch {
    std::optional<SearchStatus> status;  // the latest, when there was one
    int64_t hitsAtStatus = 0;            // rows reported before that status
    std::vector<PendingRow> rows;        // in hit order
    std::vector<PendingIcon> icons;
    bool endNarrowing = false;
    bool ended = false;  // the worker has ended: nothing more comes
    // More waits behind this batch (rows beyond its limit).
    bool more = false;

    bool Empty() const {
        return !status && rows.empty() && icons.empty() && !endNarrowing && !ended;
    }
};

class SearchReports {
  public:
    // Each Add returns true when the window has to be woken: the first report
    // after the last Take, and always the end of a search.
    bool AddStatus(const SearchStatus& status);
    bool AddRow(ResultRecord record, int slot);
    bool AddIcon(int slot, const std::string& path);
    bool AddEndNarrowing();
    bool AddEnd();

    // Everything pending, with at most `maxRows` rows. While rows are left
    // behind, a final status (done, cancelled), the end of narrowing and the
    // end of the search wait with them; progress texts do not.
    ReportBatch Take(size_t maxRows);
    // True when the end of the search is pending.
    bool EndPending() const;
    // Drops everything pending and the count of rows (a new search starts).
    void Clear();

  private:
    bool Woken();  // called with the lock held

    mutable std::mutex m_mutex;
    ReportBatch m_pending;
    bool m_wakeSent = false;
    int64_t m_hits = 0;  // rows reported since the last Clear
};

// What the status bar shows for a status: its own text, and while drawings
// are tested the hits so far beside it ("検索中--- 20 枚中 7 枚目 (3 枚一致)").
std::string StatusBarText(const SearchStatus& status, int64_t hitsSoFar);

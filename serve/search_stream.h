#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "serve/drawing_search.h"
#include "serve/line_channel.h"
#include "serve/shared_run.h"

struct SearchStreamOptions {
    std::chrono::milliseconds timeLimit{std::chrono::minutes(5)};
    bool progress = false;  // progress lines between the rows
    // How often the stream looks at the client while no line is due, and
    // how often at most it writes a progress line.
    std::chrono::milliseconds tick{100};
};

// One search of the page's API, written as it runs, one JSON object a line:
//   rows       the object `search --format json --show-match` prints, with
//              "root" and the path under it
//   progress   {"progress": TEXT, "candidates": N, "tested": M} (when asked
//              for; at most one a tick, the latest)
//   summary    {"count": ROWS, "status": TEXT, "stopped": B, "timed_out": B,
//              "skipped": N, "messages": [...]}, last
// The search runs on a thread of its own, possibly for other streams of the
// same query too (SharedRun); the caller's thread writes.
class SearchStream final : public RunMember {
  public:
    // A stream that receives a run: Attach it to one (it has joined) before
    // Run, which writes what the run reports once it has begun.
    SearchStream(ServeQuery query, SearchStreamOptions options);
    ~SearchStream() override;  // leaves its run

    const ServeQuery& Query() const { return m_query; }
    // The run this stream receives (it has joined it).
    void Attach(std::shared_ptr<SharedRun> run);
    // Leaves the run attached.
    void Detach();
    // Leaves a run that has not begun (and so has sent nothing), ready to
    // join another.
    void LeaveWaitingRun();

    // Writes the run's lines with `write` until it ends. While nothing is to
    // be written `clientThere` is asked each tick. A failed write or a
    // client that has gone leaves the run (the last to leave stops it), and
    // nothing more is written; the time limit stops the run, after which the
    // summary says so. True when the summary was written.
    bool Run(const std::function<bool(std::string_view)>& write,
             const std::function<bool()>& clientThere);

    void Progress(const SearchStatus& status) override;
    void Row(const ResultRecord& record, const std::string& relativePath) override;
    void Notice(const std::string& text) override;
    void RunEnded(const SearchOutcome& outcome, bool timedOut) override;

  private:
    std::string SummaryLine(const SearchOutcome& outcome, bool timedOut) const;
    // The latest progress as a line, when it changed since the last one.
    std::string TakeProgressLine();

    const ServeQuery m_query;
    const SearchStreamOptions m_options;
    LineChannel m_channel;
    std::shared_ptr<SharedRun> m_run;

    mutable std::mutex m_mutex;  // guards what follows
    SearchStatus m_progress;
    bool m_progressChanged = false;
    std::vector<std::string> m_messages;
    SearchOutcome m_outcome;
    bool m_timedOut = false;
};

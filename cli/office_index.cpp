// plotsieve-cli index --to: the office index on PostgreSQL.
#include "cli/office_index.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cinttypes>
#include <csignal>
#include <cstdio>

#include "index/index_watcher.h"
#include "index/indexer.h"
#include "index/schema.h"

namespace {

std::atomic<bool> g_stop{false};

void OnStop(int) { g_stop.store(true); }

// Ctrl-C and a service manager's SIGTERM end the run after the batch being
// written, so nothing is left half written.
void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStop;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

// A statement of the indexer may take long on a large index (ANALYZE, a batch
// on a slow disk); connecting may not.
constexpr PgTimeouts kIndexerTimeouts{.connect = std::chrono::seconds(10),
                                      .query = std::chrono::minutes(10)};

std::string Figures(const ScanCounts& counts) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "%" PRId64 " drawings, %" PRId64 " read, %" PRId64 " unchanged, %" PRId64
                  " removed, %" PRId64 " not readable",
                  counts.found, counts.read, counts.unchanged, counts.removed, counts.skipped);
    return text;
}

// Progress on one rewritten line when stderr is a terminal; what could not
// be read, notices, and what the watcher wrote, as they come.
class StderrReport : public WatchReport {
  public:
    explicit StderrReport(bool quiet) : m_quiet(quiet), m_live(!quiet && isatty(STDERR_FILENO)) {}

    void Progress(const std::string& root, const ScanCounts& counts) override {
        if (!m_live) return;
        std::fprintf(stderr, "\r\x1b[K%s: %s", root.c_str(), Figures(counts).c_str());
        std::fflush(stderr);
        m_progressShown = true;
    }
    void Skipped(const std::string& path, const std::string& reason) override {
        skipped = true;
        Say(path + ": " + reason);
    }
    void Notice(const std::string& text) override { Say(text); }
    void Applied(const ScanCounts& counts) override {
        if (counts.read + counts.removed == 0 || m_quiet) return;
        ClearProgress();
        std::fprintf(stderr, "updated: %" PRId64 " read, %" PRId64 " removed\n", counts.read,
                     counts.removed);
    }
    void Summary(const std::string& root, const ScanCounts& counts) {
        ClearProgress();
        if (!m_quiet) std::fprintf(stderr, "%s: %s\n", root.c_str(), Figures(counts).c_str());
    }
    void Say(const std::string& text) {
        ClearProgress();
        std::fprintf(stderr, "plotsieve-cli: %s\n", text.c_str());
    }

    bool skipped = false;

  private:
    void ClearProgress() {
        if (!m_progressShown) return;
        std::fputs("\r\x1b[K", stderr);
        m_progressShown = false;
    }

    bool m_quiet;
    bool m_live;
    bool m_progressShown = false;
};

}  // namespace

int RunOfficeIndex(const OfficeIndexOptions& options) {
    CatchStopSignals();
    StderrReport report(options.quiet);
    const std::string where = "the office index at " + DescribeTarget(options.url);
    DbResult<std::unique_ptr<PgConnection>> connection =
        PgConnection::Connect(options.url, kIndexerTimeouts);
    if (!connection) {
        report.Say(where + ": " + connection.Error().message);
        return 2;
    }
    if (DbResult<void> migrated = MigrateIndexSchema(**connection); !migrated) {
        report.Say(where + ": " + migrated.Error().message);
        return 2;
    }
    if (DbResult<bool> covers = TrigramsCoverJapanese(**connection); covers && !*covers) {
        report.Say(where +
                   ": the database's LC_CTYPE makes no trigrams of Japanese text, so "
                   "searches for it read every drawing's text (create the database with "
                   "a UTF-8 locale such as C.UTF-8)");
    }

    IndexerSettings indexing{
        .typeMask = options.typeMask, .subfolders = options.subfolders, .threads = options.threads};
    bool failed = false;
    {
        Indexer indexer(**connection, indexing, report, g_stop);
        for (const std::string& place : options.places) {
            DbResult<ScanCounts> counts = indexer.ScanRoot(place);
            if (!counts) {
                if (counts.Error().kind == DbFailure::Cancelled) return 130;
                report.Say(where + ": " + counts.Error().message);
                failed = true;
                if (!(**connection).Usable()) return 2;
                continue;
            }
            report.Summary(place, *counts);
        }
    }
    if (options.watch && !failed) {
        connection->reset();
        WatchSettings settings;
        settings.rescan = std::chrono::minutes(options.rescanMinutes);
        IndexConnector connect = [&options] {
            return PgConnection::Connect(options.url, kIndexerTimeouts);
        };
        DbResult<void> watched =
            WatchPlaces(options.places, connect, indexing, settings, report, g_stop);
        if (!watched && watched.Error().kind != DbFailure::Cancelled) {
            report.Say(where + ": " + watched.Error().message);
            return 2;
        }
        return 0;  // stopped by a signal, as a service is
    }
    return failed || report.skipped ? 2 : 0;
}

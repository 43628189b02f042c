#include "index/index_watcher.h"

#include <algorithm>
#include <set>
#include <thread>

#include "index/index_store.h"
#include "platform/folder_watch.h"
#include "search/drawing_types.h"

namespace {

using Clock = std::chrono::steady_clock;

struct WatchedRoot {
    IndexRoot root;
    bool watched = false;  // kept current by the folder watch; else rescanned
};

bool IsLost(const DbError& error) {
    return error.kind == DbFailure::Unreachable || error.kind == DbFailure::TimedOut;
}

// One connection's run of the watch: returns when the server is lost (the
// error), on cancel, or on an error retrying cannot mend.
class WatchRun {
  public:
    WatchRun(PgConnection& connection, const IndexerSettings& indexing,
             const WatchSettings& settings, WatchReport& report, const std::atomic<bool>& cancel)
        : m_connection(connection),
          m_store(connection),
          m_indexer(connection, indexing, report, cancel),
          m_indexing(indexing),
          m_settings(settings),
          m_report(report),
          m_cancel(cancel) {}

    DbResult<void> Run(const std::vector<std::string>& places, bool scanFirst) {
        for (const std::string& place : places) {
            DbResult<IndexRoot> root = m_store.AddRoot(place);
            if (!root) return root.Error();
            m_roots.push_back({*root, false});
        }
        for (WatchedRoot& root : m_roots) Watch(root);
        if (scanFirst) {
            if (DbResult<void> scanned = ScanWhole(false); !scanned) return scanned;
        }
        return Loop();
    }

  private:
    void Watch(WatchedRoot& root) {
        if (!FileSystemReportsChanges(root.root.path)) {
            m_report.Notice(root.root.path + " is on a network file system: scanned again every " +
                            std::to_string(m_settings.rescan.count()) + " minutes");
            return;
        }
        ReadResult<void> added = m_watch.AddTree(root.root.path);
        if (!m_watch.Usable() || !added) {
            m_report.Notice("cannot watch " + root.root.path + " (" +
                            (added ? std::string("no watch") : added.Error().reason) +
                            "): scanned again every " + std::to_string(m_settings.rescan.count()) +
                            " minutes");
            return;
        }
        root.watched = true;
    }

    // Scans every root (only the unwatched ones when `unwatchedOnly`).
    DbResult<void> ScanWhole(bool unwatchedOnly) {
        for (const WatchedRoot& root : m_roots) {
            if (unwatchedOnly && root.watched) continue;
            DbResult<ScanCounts> counts = m_indexer.ScanRoot(root.root.path);
            if (!counts) return counts.Error();
            m_report.Applied(*counts);
        }
        return {};
    }

    const WatchedRoot* RootOf(const std::string& path) const {
        for (const WatchedRoot& root : m_roots) {
            if (PathIsAtOrBelow(path, root.root.path)) return &root;
        }
        return nullptr;
    }

    // Takes what the watch saw into the entries to scan again.
    void Gather(const std::vector<FolderChange>& changes) {
        for (const FolderChange& change : changes) {
            if (change.kind == FolderChange::Kind::Overflow) {
                m_overflow = true;
                continue;
            }
            if (change.isFolder) {
                if (change.gone) {
                    m_watch.RemoveTree(change.path);
                } else if (ReadResult<void> added = m_watch.AddTree(change.path); !added) {
                    m_report.Notice("cannot watch " + added.Error().reason);
                }
            } else if (!IsDrawingPath(change.path, m_indexing.typeMask)) {
                continue;
            }
            if (m_pending.empty()) m_firstPending = Clock::now();
            m_lastChange = Clock::now();
            m_pending.insert(change.path);
        }
    }

    // Scans each entry gathered (one below another gathered is left to it).
    DbResult<void> Apply() {
        std::vector<std::string> scopes;
        for (const std::string& path : m_pending) {
            bool covered = std::any_of(scopes.begin(), scopes.end(), [&](const std::string& s) {
                return PathIsAtOrBelow(path, s);
            });
            if (!covered) scopes.push_back(path);
        }
        m_pending.clear();
        ScanCounts total;
        for (const std::string& scope : scopes) {
            const WatchedRoot* root = RootOf(scope);
            if (root == nullptr) continue;
            DbResult<ScanCounts> counts = m_indexer.ScanScope(root->root, scope);
            if (!counts) return counts.Error();
            total.found += counts->found;
            total.read += counts->read;
            total.unchanged += counts->unchanged;
            total.removed += counts->removed;
            total.skipped += counts->skipped;
        }
        m_report.Applied(total);
        return NoteWatched();
    }

    DbResult<void> NoteWatched() {
        for (const WatchedRoot& root : m_roots) {
            if (!root.watched) continue;
            if (DbResult<void> noted = m_store.NoteWatched(root.root.id); !noted) return noted;
        }
        m_nextHeartbeat = Clock::now() + m_settings.heartbeat;
        return {};
    }

    DbResult<void> Loop() {
        Clock::time_point nextRescan = Clock::now() + m_settings.rescan;
        if (DbResult<void> noted = NoteWatched(); !noted) return noted;
        while (!m_cancel.load()) {
            Gather(m_watch.Wait(std::chrono::milliseconds(200)));
            Clock::time_point now = Clock::now();
            if (m_overflow) {
                m_overflow = false;
                m_pending.clear();
                m_report.Notice("too many changes at once: every watched tree is scanned again");
                for (const WatchedRoot& root : m_roots) {
                    if (!root.watched) continue;
                    DbResult<ScanCounts> counts = m_indexer.ScanRoot(root.root.path);
                    if (!counts) return counts.Error();
                    m_report.Applied(*counts);
                }
            }
            if (!m_pending.empty() && (now - m_lastChange >= m_settings.settle ||
                                       now - m_firstPending >= m_settings.gatherLimit)) {
                if (DbResult<void> applied = Apply(); !applied) return applied;
            }
            if (now >= nextRescan) {
                if (DbResult<void> scanned = ScanWhole(true); !scanned) return scanned;
                nextRescan = Clock::now() + m_settings.rescan;
            }
            if (now >= m_nextHeartbeat) {
                if (DbResult<void> noted = NoteWatched(); !noted) return noted;
            }
        }
        return DbError{DbFailure::Cancelled, "stopped"};
    }

    PgConnection& m_connection;
    IndexStore m_store;
    Indexer m_indexer;
    const IndexerSettings& m_indexing;
    const WatchSettings& m_settings;
    WatchReport& m_report;
    const std::atomic<bool>& m_cancel;
    FolderWatch m_watch;
    std::vector<WatchedRoot> m_roots;
    std::set<std::string> m_pending;
    Clock::time_point m_firstPending;
    Clock::time_point m_lastChange;
    Clock::time_point m_nextHeartbeat;
    bool m_overflow = false;
};

// Waits `wait`, or less when `cancel` becomes true.
void Pause(std::chrono::seconds wait, const std::atomic<bool>& cancel) {
    Clock::time_point end = Clock::now() + wait;
    while (!cancel.load() && Clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

}  // namespace

DbResult<void> WatchPlaces(const std::vector<std::string>& places, const IndexConnector& connect,
                           const IndexerSettings& indexing, const WatchSettings& settings,
                           WatchReport& report, const std::atomic<bool>& cancel) {
    bool scanFirst = false;
    while (!cancel.load()) {
        DbResult<std::unique_ptr<PgConnection>> connection = connect();
        if (!connection) {
            if (!IsLost(connection.Error())) return connection.Error();
            report.Notice("the index's server cannot be reached (" + connection.Error().message +
                          "); trying again in " + std::to_string(settings.retry.count()) + " s");
            Pause(settings.retry, cancel);
            scanFirst = true;
            continue;
        }
        WatchRun run(**connection, indexing, settings, report, cancel);
        DbResult<void> ran = run.Run(places, scanFirst);
        if (ran || !IsLost(ran.Error())) return ran;
        report.Notice("lost the index's server (" + ran.Error().message + "); trying again in " +
                      std::to_string(settings.retry.count()) + " s");
        Pause(settings.retry, cancel);
        // Changes made meanwhile were not seen: everything is scanned again.
        scanFirst = true;
    }
    return DbError{DbFailure::Cancelled, "stopped"};
}

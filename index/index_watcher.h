#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "index/db_result.h"
#include "index/indexer.h"
#include "index/pg_connection.h"

struct WatchSettings {
    // How often a tree whose changes no watch sees (a network mount) is
    // scanned again.
    std::chrono::minutes rescan{10};
    // Changes are gathered until none came for this long (a program saving a
    // drawing in several writes), and for at most `gatherLimit`.
    std::chrono::milliseconds settle{400};
    std::chrono::milliseconds gatherLimit{2000};
    // How often the roots kept current by a watch note that they are.
    std::chrono::seconds heartbeat{60};
    // How long to wait before connecting again to a server that was lost.
    std::chrono::seconds retry{10};
};

// What the watcher reports beside the indexer's reports.
class WatchReport : public IndexerReport {
  public:
    // Something the person running it should know (a server lost, a tree
    // that is rescanned because it cannot be watched). One sentence.
    virtual void Notice(const std::string& text) = 0;
    // The changes gathered were written: what the scans of them did.
    virtual void Applied(const ScanCounts& counts) = 0;
};

// Makes a new connection to the index's server.
using IndexConnector = std::function<DbResult<std::unique_ptr<PgConnection>>()>;

// Keeps the index's rows of `places` (roots already scanned) current until
// `cancel` becomes true: trees on file systems that tell of changes are
// watched, and each entry that changed is scanned again once the changes
// settle (a saved drawing is found within seconds); the others are scanned
// whole every `settings.rescan`. A server that is lost is connected to again
// every `settings.retry`, and everything is then scanned whole. Gives an
// error only for what retrying cannot mend (a place that overlaps another
// root, a schema this program does not know); Cancelled when stopped.
DbResult<void> WatchPlaces(const std::vector<std::string>& places, const IndexConnector& connect,
                           const IndexerSettings& indexing, const WatchSettings& settings,
                           WatchReport& report, const std::atomic<bool>& cancel);

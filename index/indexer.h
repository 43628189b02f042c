#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "index/db_result.h"
#include "index/index_store.h"
#include "index/indexed_drawing.h"
#include "search/criteria.h"

class ThreadCrew;

// What the indexer reads.
struct IndexerSettings {
    unsigned typeMask = TYPE_ALL;
    bool subfolders = true;
    unsigned threads = 0;        // reading threads; 0: one per core
    size_t batchDrawings = 200;  // drawings written per transaction, at most
};

// What a scan found and did.
struct ScanCounts {
    int64_t found = 0;      // drawings the walk found
    int64_t read = 0;       // read and written, being new or changed
    int64_t unchanged = 0;  // whose status matched their row
    int64_t removed = 0;    // rows of drawings no longer there
    int64_t skipped = 0;    // could not be read (reported)
};

// What the indexer reports as it goes. Called on the indexer's thread.
class IndexerReport {
  public:
    virtual ~IndexerReport() = default;
    // After the walk and after each batch written.
    virtual void Progress(const std::string& root, const ScanCounts& counts) = 0;
    // A folder or drawing that could not be read, with the reason.
    virtual void Skipped(const std::string& path, const std::string& reason) = 0;
};

// Keeps the index's rows of a tree equal to what a search reading the tree
// would find: walks it as a search does (search/folder_walk.h), reads each
// drawing whose status differs from its row (or that has none) with the
// search's readers, writes them a batch per transaction, and removes the rows
// of drawings that are no longer there. Drawings are read on several threads
// while the last batch is written.
class Indexer {
  public:
    Indexer(PgConnection& connection, IndexerSettings settings, IndexerReport& report,
            const std::atomic<bool>& cancel);
    ~Indexer();
    Indexer(const Indexer&) = delete;
    Indexer& operator=(const Indexer&) = delete;

    // Scans the place `path` whole (added as a root when new), and notes the
    // root's completed scan. Cancelled when `cancel` became true (what was
    // written stays: a later scan goes on from there).
    DbResult<ScanCounts> ScanRoot(const std::string& path);

    // Scans `scope` (an absolute path under `root`: a folder, with everything
    // below it, or a file) the same way: what a watcher asks for when
    // something there changed. A scope that is gone removes its rows.
    DbResult<ScanCounts> ScanScope(const IndexRoot& root, const std::string& scope);

  private:
    struct Pending {
        std::string path;
        FileStatus status;
        int64_t storedId = 0;  // the row it replaces; 0: none
    };
    struct Batch {
        std::vector<IndexedDrawing> drawings;
        std::vector<int64_t> gone;  // rows of drawings that vanished before they were read
        int64_t skipped = 0;        // drawings that could not be read
    };

    std::vector<std::string> Walk(const std::string& scope, bool reportMissing);
    Batch ReadBatch(const std::vector<Pending>& pending, size_t begin, size_t end);
    DbResult<void> WriteChanges(const IndexRoot& root, const std::vector<Pending>& pending,
                                ScanCounts& counts);

    PgConnection& m_connection;
    IndexStore m_store;
    IndexerSettings m_settings;
    IndexerReport& m_report;
    const std::atomic<bool>& m_cancel;
    std::unique_ptr<ThreadCrew> m_crew;
    std::vector<IndexReadScratch> m_scratch;  // one per reading thread
};

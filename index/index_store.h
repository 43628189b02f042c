#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "cache/text_cache.h"
#include "index/db_result.h"
#include "index/indexed_drawing.h"
#include "index/pg_connection.h"
#include "index/root_mapping.h"

// A root of the index: a place indexed, as the indexing machine sees it.
struct IndexRoot {
    int id = 0;
    std::string path;           // absolute, no trailing "/" (but "/" itself)
    int64_t scanCompleted = 0;  // seconds since 1970; 0: never
    int64_t watched = 0;        // when a watcher last found it current; 0: never
};

// What the index holds of one drawing, to tell whether it changed.
struct StoredDrawing {
    int64_t id = 0;
    DrawingVersion version;
};

// The index's tables as the indexer writes them (index/schema.h). Each call
// is a transaction of its own: a reader of the index sees a batch whole or
// not at all.
class IndexStore {
  public:
    explicit IndexStore(PgConnection& connection) : m_connection(connection) {}

    // The roots, in path order.
    DbResult<std::vector<IndexRoot>> Roots();

    // The root at `path` (absolute, made normal), added when new. Refuses a
    // path inside another root or around one: a drawing belongs to one root.
    DbResult<IndexRoot> AddRoot(const std::string& path);

    // Each drawing stored at `scope` (an absolute path under a root) or below
    // it, with its walk key, as the server sends them.
    DbResult<void> ForEachStored(const std::string& scope,
                                 const std::function<void(std::string, StoredDrawing)>& take);

    // Writes `drawings` (found under `root`), each replacing what was stored
    // for its path, in one transaction.
    DbResult<void> Store(const IndexRoot& root, const std::vector<IndexedDrawing>& drawings);

    // Removes the drawings of these ids, and their text.
    DbResult<void> Remove(const std::vector<int64_t>& ids);

    // Notes the start and the end of a whole scan of the root, and that a
    // watcher found it current.
    DbResult<void> NoteScanStarted(int rootId);
    DbResult<void> NoteScanCompleted(int rootId);
    DbResult<void> NoteWatched(int rootId);

    // Refreshes the planner's figures after many changes.
    DbResult<void> Analyze();

  private:
    DbResult<void> PrepareStaging();
    DbResult<void> StoreInTransaction(const IndexRoot& root,
                                      const std::vector<IndexedDrawing>& drawings);

    PgConnection& m_connection;
    bool m_staging = false;
};

// The path of `walkKey` below the folder whose FolderKeyStart is
// `folderStart` ("a" 00 "b" 01 below "" gives "a/b"); empty when the key is
// not below it.
std::string PathBelow(std::string_view walkKey, std::string_view folderStart);

#include "index/indexer.h"

#include <algorithm>
#include <future>
#include <map>
#include <thread>

#include "index/walk_key.h"
#include "search/candidate.h"
#include "search/drawing_types.h"
#include "search/folder_walk.h"
#include "search/thread_crew.h"

namespace {

// The rows a scan changes beyond which the planner's figures are refreshed.
constexpr int64_t kAnalyzeAfter = 1000;

}  // namespace

Indexer::Indexer(PgConnection& connection, IndexerSettings settings, IndexerReport& report,
                 const std::atomic<bool>& cancel)
    : m_connection(connection),
      m_store(connection),
      m_settings(settings),
      m_report(report),
      m_cancel(cancel) {
    unsigned threads = m_settings.threads != 0 ? m_settings.threads
                                               : std::max(1u, std::thread::hardware_concurrency());
    m_crew = std::make_unique<ThreadCrew>(threads - 1);
    m_scratch.resize(threads);
    m_settings.batchDrawings = std::max<size_t>(1, m_settings.batchDrawings);
}

Indexer::~Indexer() = default;

std::vector<std::string> Indexer::Walk(const std::string& scope, bool reportMissing) {
    std::vector<std::string> candidates;
    const bool subfolders = m_settings.subfolders;
    FolderWalk walk(m_settings.typeMask, m_cancel,
                    {.includeSubfolders = [subfolders] { return subfolders; },
                     .progress = nullptr,
                     .skipped =
                         [&](const std::string& path, const std::string& reason) {
                             // A scope that went away is what a watcher expects.
                             if (path == scope && !reportMissing) return;
                             m_report.Skipped(path, reason);
                         },
                     .found = nullptr},
                    candidates);
    walk.Walk(scope);
    return candidates;
}

Indexer::Batch Indexer::ReadBatch(const std::vector<Pending>& pending, size_t begin, size_t end) {
    std::vector<std::optional<IndexedDrawing>> read(end - begin);
    std::vector<std::string> failures(end - begin);
    std::vector<bool> cut(end - begin, false);
    std::atomic<size_t> next{begin};
    std::atomic<size_t> slot{0};
    m_crew->RunOnAll([&] {
        IndexReadScratch& scratch = m_scratch[slot.fetch_add(1)];
        for (size_t i; (i = next.fetch_add(1)) < end;) {
            const Pending& item = pending[i];
            ReadResult<IndexedReading> reading =
                ReadIndexedDrawing(item.path, item.status, scratch);
            if (!reading) {
                if (reading.Error().kind == ReadFailure::Other) {
                    failures[i - begin] = reading.Error().reason;
                }
                continue;
            }
            const DrawingType* type = DrawingTypeOfPath(item.path);
            IndexedDrawing& drawing = read[i - begin].emplace();
            drawing.path = item.path;
            drawing.status = item.status;
            drawing.typeBit = type != nullptr ? type->typeBit : 0;
            drawing.generation = type != nullptr ? type->generation : 0;
            drawing.chunks = std::move(reading->chunks);
            cut[i - begin] = reading->cut;
        }
    });
    Batch batch;
    for (size_t i = begin; i < end; ++i) {
        if (read[i - begin]) {
            if (cut[i - begin]) {
                m_report.Skipped(pending[i].path,
                                 "more text than the index keeps; the rest is left out");
            }
            batch.drawings.push_back(std::move(*read[i - begin]));
            continue;
        }
        if (!failures[i - begin].empty()) {
            m_report.Skipped(pending[i].path, failures[i - begin]);
            ++batch.skipped;
        }
        if (pending[i].storedId != 0) batch.gone.push_back(pending[i].storedId);
    }
    return batch;
}

DbResult<void> Indexer::WriteChanges(const IndexRoot& root, const std::vector<Pending>& pending,
                                     ScanCounts& counts) {
    // The next batch is read while this one is written.
    const size_t size = m_settings.batchDrawings;
    auto readFrom = [&](size_t begin) {
        return std::async(std::launch::async, [this, &pending, begin, size] {
            return ReadBatch(pending, begin, std::min(pending.size(), begin + size));
        });
    };
    std::future<Batch> next;
    if (!pending.empty()) next = readFrom(0);
    for (size_t begin = 0; begin < pending.size(); begin += size) {
        Batch batch = next.get();
        if (m_cancel.load()) return DbError{DbFailure::Cancelled, "stopped"};
        if (begin + size < pending.size()) next = readFrom(begin + size);
        DbResult<void> stored = m_store.Store(root, batch.drawings);
        if (stored) stored = m_store.Remove(batch.gone);
        if (!stored) {
            if (next.valid()) next.wait();
            return stored;
        }
        counts.read += static_cast<int64_t>(batch.drawings.size());
        counts.removed += static_cast<int64_t>(batch.gone.size());
        counts.skipped += batch.skipped;
        m_report.Progress(root.path, counts);
    }
    return {};
}

DbResult<ScanCounts> Indexer::ScanScope(const IndexRoot& root, const std::string& scope) {
    const bool wholeRoot = scope == root.path;
    ScanCounts counts;
    std::vector<std::string> candidates = Walk(scope, wholeRoot);
    if (m_cancel.load()) return DbError{DbFailure::Cancelled, "stopped"};
    counts.found = static_cast<int64_t>(candidates.size());

    std::map<std::string, StoredDrawing> stored;
    DbResult<void> listed =
        m_store.ForEachStored(scope, [&stored](std::string key, StoredDrawing drawing) {
            stored.emplace(std::move(key), drawing);
        });
    if (!listed) return listed.Error();

    // What changed, by status: the rest needs no reading.
    std::vector<Pending> pending;
    StatusReader statuses;
    for (std::string& path : candidates) {
        auto row = stored.find(WalkKey(path));
        ReadResult<FileStatus> status = statuses.Read(path);
        if (!status) {
            if (status.Error().kind == ReadFailure::Other) {
                m_report.Skipped(path, status.Error().reason);
                ++counts.skipped;
            }
            continue;  // its row, if any, is removed below
        }
        int64_t storedId = 0;
        if (row != stored.end()) {
            if (row->second.version == DrawingVersionOf(path, *status)) {
                ++counts.unchanged;
                stored.erase(row);
                continue;
            }
            storedId = row->second.id;
            stored.erase(row);
        }
        pending.push_back({std::move(path), *status, storedId});
    }
    candidates.clear();
    m_report.Progress(root.path, counts);

    if (DbResult<void> written = WriteChanges(root, pending, counts); !written) {
        return written.Error();
    }
    std::vector<int64_t> vanished;
    for (const auto& [key, drawing] : stored) vanished.push_back(drawing.id);
    if (DbResult<void> removed = m_store.Remove(vanished); !removed) return removed.Error();
    counts.removed += static_cast<int64_t>(vanished.size());
    if (!vanished.empty()) m_report.Progress(root.path, counts);
    if (counts.read + counts.removed >= kAnalyzeAfter) {
        if (DbResult<void> analyzed = m_store.Analyze(); !analyzed) return analyzed.Error();
    }
    return counts;
}

DbResult<ScanCounts> Indexer::ScanRoot(const std::string& path) {
    // A place that cannot be read (a mount that is down) leaves its rows as
    // they are, rather than finding every drawing gone.
    if (ReadResult<FileStatus> place = ReadFileStatus(NormalPath(path)); !place) {
        return DbError{DbFailure::Other, NormalPath(path) + ": " + place.Error().reason};
    }
    DbResult<IndexRoot> root = m_store.AddRoot(path);
    if (!root) return root.Error();
    if (DbResult<void> noted = m_store.NoteScanStarted(root->id); !noted) return noted.Error();
    DbResult<ScanCounts> counts = ScanScope(*root, root->path);
    if (!counts) return counts;
    if (DbResult<void> noted = m_store.NoteScanCompleted(root->id); !noted) return noted.Error();
    return counts;
}

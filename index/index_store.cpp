#include "index/index_store.h"

#include "index/walk_key.h"
#include "platform/folder_listing.h"
#include "results/result_record.h"

namespace {

constexpr size_t kRemoveBatch = 10000;

// A bigint column of a number kept unsigned (device, inode).
std::string UnsignedText(uint64_t value) { return std::to_string(static_cast<int64_t>(value)); }

}  // namespace

std::string PathBelow(std::string_view walkKey, std::string_view folderStart) {
    if (!walkKey.starts_with(folderStart) || walkKey.size() <= folderStart.size()) return {};
    std::string path(walkKey.substr(folderStart.size()));
    path.pop_back();  // the 01 that ends every key
    for (char& ch : path) {
        if (ch == '\0') ch = '/';
    }
    return path;
}

DbResult<std::vector<IndexRoot>> IndexStore::Roots() {
    DbResult<PgResult> rows = m_connection.Query(
        "SELECT id, path, scan_completed, watched FROM plotsieve.roots ORDER BY path");
    if (!rows) return rows.Error();
    std::vector<IndexRoot> roots;
    for (int i = 0; i < rows->Rows(); ++i) {
        PgRow row = rows->Row(i);
        roots.push_back({.id = static_cast<int>(row.Int(0)),
                         .path = std::string(row.Bytes(1)),
                         .scanCompleted = row.Timestamp(2),
                         .watched = row.Timestamp(3)});
    }
    return roots;
}

DbResult<IndexRoot> IndexStore::AddRoot(const std::string& path) {
    const std::string normal = NormalPath(path);
    DbResult<std::vector<IndexRoot>> roots = Roots();
    if (!roots) return roots.Error();
    for (const IndexRoot& root : *roots) {
        if (root.path == normal) return root;
        if (PathIsAtOrBelow(normal, root.path) || PathIsAtOrBelow(root.path, normal)) {
            return DbError{DbFailure::Other, normal + " overlaps the indexed place " + root.path +
                                                 "; index each tree under one place"};
        }
    }
    DbResult<PgResult> added =
        m_connection.Query("INSERT INTO plotsieve.roots (path) VALUES ($1::bytea) RETURNING id",
                           {PgParam::Bytes(normal)});
    if (!added) return added.Error();
    return IndexRoot{.id = static_cast<int>(added->Row(0).Int(0)), .path = normal};
}

DbResult<void> IndexStore::ForEachStored(
    const std::string& scope, const std::function<void(std::string, StoredDrawing)>& take) {
    std::string sql =
        "SELECT walk_key, id, device, inode, size, modified_ns, changed_ns, generation"
        " FROM plotsieve.drawings WHERE walk_key = $1::bytea";
    std::vector<PgParam> params{PgParam::Bytes(WalkKey(scope))};
    std::string start = FolderKeyStart(scope);
    std::string end = FolderKeyEnd(scope);
    if (start.empty()) {
        sql += " OR true";
    } else {
        sql += " OR (walk_key >= $2::bytea AND walk_key < $3::bytea)";
        params.push_back(PgParam::Bytes(start));
        params.push_back(PgParam::Bytes(end));
    }
    return m_connection.Stream(sql, params, [&take](const PgRow& row) {
        StoredDrawing stored;
        stored.id = row.Int(1);
        stored.version.device = static_cast<uint64_t>(row.Int(2));
        stored.version.inode = static_cast<uint64_t>(row.Int(3));
        stored.version.size = row.Int(4);
        stored.version.modificationNanos = row.Int(5);
        stored.version.changeNanos = row.Int(6);
        stored.version.generation = static_cast<uint32_t>(row.Int(7));
        take(std::string(row.Bytes(0)), stored);
        return true;
    });
}

DbResult<void> IndexStore::PrepareStaging() {
    if (m_staging) return {};
    DbResult<void> made = m_connection.Execute(
        "CREATE TEMP TABLE IF NOT EXISTS staged_drawings ("
        " seq integer, walk_key bytea, rel_path bytea, type_bit smallint, generation integer,"
        " size bigint, created bigint, modified bigint, accessed bigint, attributes smallint,"
        " device bigint, inode bigint, modified_ns bigint, changed_ns bigint, id bigint)"
        " ON COMMIT DELETE ROWS;"
        "CREATE TEMP TABLE IF NOT EXISTS staged_texts ("
        " seq integer, chunk integer, lines bytea, folded text) ON COMMIT DELETE ROWS");
    if (made) m_staging = true;
    return made;
}

DbResult<void> IndexStore::Store(const IndexRoot& root,
                                 const std::vector<IndexedDrawing>& drawings) {
    if (drawings.empty()) return {};
    if (DbResult<void> staged = PrepareStaging(); !staged) return staged;
    if (DbResult<void> begun = m_connection.Execute("BEGIN"); !begun) return begun;
    DbResult<void> stored = StoreInTransaction(root, drawings);
    if (!stored) {
        (void)m_connection.Execute("ROLLBACK");
        return stored;
    }
    return m_connection.Execute("COMMIT");
}

DbResult<void> IndexStore::StoreInTransaction(const IndexRoot& root,
                                              const std::vector<IndexedDrawing>& drawings) {
    // The rows go to the staging tables by COPY, then into the index's own
    // tables in three statements.
    std::string rows;
    std::string texts;
    const std::string rootStart = FolderKeyStart(root.path);
    for (size_t seq = 0; seq < drawings.size(); ++seq) {
        const IndexedDrawing& drawing = drawings[seq];
        const FileStatus& status = drawing.status;
        const std::string key = WalkKey(drawing.path);
        const int64_t created =
            status.creationTime != 0 ? status.creationTime : status.modificationTime;
        const int64_t accessed =
            status.accessTime != 0 ? status.accessTime : status.modificationTime;
        rows += std::to_string(seq) + '\t';
        AppendCopyBytes(rows, key);
        rows += '\t';
        AppendCopyBytes(rows, PathBelow(key, rootStart));
        for (int64_t number :
             {int64_t{drawing.typeBit}, int64_t{drawing.generation}, status.size, created,
              status.modificationTime, accessed, int64_t{ResultAttributes(status)}}) {
            rows += '\t' + std::to_string(number);
        }
        rows += '\t' + UnsignedText(status.device) + '\t' + UnsignedText(status.inode) + '\t' +
                std::to_string(status.modificationNanos) + '\t' +
                std::to_string(status.changeNanos) + "\t\\N\n";
        for (size_t chunk = 0; chunk < drawing.chunks.size(); ++chunk) {
            texts += std::to_string(seq) + '\t' + std::to_string(chunk) + '\t';
            AppendCopyBytes(texts, drawing.chunks[chunk].lines);
            texts += '\t';
            AppendCopyText(texts, drawing.chunks[chunk].folded);
            texts += '\n';
        }
    }
    if (DbResult<void> copied = m_connection.CopyIn("COPY staged_drawings FROM STDIN", rows);
        !copied) {
        return copied;
    }
    if (DbResult<void> copied = m_connection.CopyIn("COPY staged_texts FROM STDIN", texts);
        !copied) {
        return copied;
    }
    DbResult<PgResult> upserted = m_connection.Query(
        "WITH up AS ("
        " INSERT INTO plotsieve.drawings (root_id, walk_key, rel_path, type_bit, generation, size,"
        "  created, modified, accessed, attributes, device, inode, modified_ns, changed_ns)"
        " SELECT $1::integer, walk_key, rel_path, type_bit, generation, size, created, modified,"
        "  accessed, attributes, device, inode, modified_ns, changed_ns FROM staged_drawings"
        " ON CONFLICT (walk_key) DO UPDATE SET root_id = EXCLUDED.root_id,"
        "  rel_path = EXCLUDED.rel_path, type_bit = EXCLUDED.type_bit,"
        "  generation = EXCLUDED.generation, size = EXCLUDED.size, created = EXCLUDED.created,"
        "  modified = EXCLUDED.modified, accessed = EXCLUDED.accessed,"
        "  attributes = EXCLUDED.attributes, device = EXCLUDED.device, inode = EXCLUDED.inode,"
        "  modified_ns = EXCLUDED.modified_ns, changed_ns = EXCLUDED.changed_ns"
        " RETURNING id, walk_key)"
        " UPDATE staged_drawings s SET id = up.id FROM up WHERE s.walk_key = up.walk_key",
        {PgParam::Int(root.id)});
    if (!upserted) return upserted.Error();
    DbResult<PgResult> cleared = m_connection.Query(
        "DELETE FROM plotsieve.texts t USING staged_drawings s WHERE t.drawing_id = s.id");
    if (!cleared) return cleared.Error();
    DbResult<PgResult> inserted = m_connection.Query(
        "INSERT INTO plotsieve.texts (drawing_id, chunk, lines, folded)"
        " SELECT s.id, x.chunk, x.lines, x.folded FROM staged_texts x JOIN staged_drawings s"
        " USING (seq)");
    if (!inserted) return inserted.Error();
    return {};
}

DbResult<void> IndexStore::Remove(const std::vector<int64_t>& ids) {
    for (size_t start = 0; start < ids.size(); start += kRemoveBatch) {
        std::string list = "{";
        for (size_t k = start; k < std::min(ids.size(), start + kRemoveBatch); ++k) {
            if (k > start) list += ',';
            list += std::to_string(ids[k]);
        }
        list += '}';
        DbResult<PgResult> removed = m_connection.Query(
            "DELETE FROM plotsieve.drawings WHERE id = ANY($1::bigint[])", {PgParam::Text(list)});
        if (!removed) return removed.Error();
    }
    return {};
}

DbResult<void> IndexStore::NoteScanStarted(int rootId) {
    DbResult<PgResult> noted =
        m_connection.Query("UPDATE plotsieve.roots SET scan_started = now() WHERE id = $1::integer",
                           {PgParam::Int(rootId)});
    if (!noted) return noted.Error();
    return {};
}

DbResult<void> IndexStore::NoteScanCompleted(int rootId) {
    DbResult<PgResult> noted = m_connection.Query(
        "UPDATE plotsieve.roots SET scan_completed = now() WHERE id = $1::integer",
        {PgParam::Int(rootId)});
    if (!noted) return noted.Error();
    return {};
}

DbResult<void> IndexStore::NoteWatched(int rootId) {
    DbResult<PgResult> noted =
        m_connection.Query("UPDATE plotsieve.roots SET watched = now() WHERE id = $1::integer",
                           {PgParam::Int(rootId)});
    if (!noted) return noted.Error();
    return {};
}

DbResult<void> IndexStore::Analyze() {
    return m_connection.Execute("ANALYZE plotsieve.drawings, plotsieve.texts");
}

#include "cache/text_cache.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <string_view>
#include <thread>
#include <utility>

#include "cache/text_cache_codec.h"
#include "platform/file_source.h"
#include "platform/file_status.h"
#include "platform/user_folders.h"

namespace {

constexpr int kFormat = 3;
// How far the writer may fall behind (bytes of packed rows waiting) before
// new rows are dropped.
constexpr size_t kMaxQueuedBytes = size_t{32} << 20;
// The bounds of a size limit that follows the room on the file system.
constexpr int64_t kSmallestLimit = int64_t{512} << 20;
constexpr int64_t kLargestLimit = int64_t{16} << 30;
// A row found in use is marked again only when its mark is older than this,
// so a repeat search does not rewrite every row.
constexpr int64_t kTouchInterval = int64_t{3600} * 1000000;
constexpr int kBusyMilliseconds = 1000;
// The file is read through a mapping of up to this many bytes: a page costs
// no system call and no copy.
constexpr int64_t kMapBytes = int64_t{1} << 30;
// The most of the file read ahead when it is opened.
constexpr uint64_t kReadAheadBytes = uint64_t{128} << 20;
// Rows a survey reads in one statement (one short read transaction).
constexpr int kSurveyRun = 512;

// A drawing's row is kept in path order, small (version and signature), so
// the rows of a folder's drawings are read in one sweep; its lines are kept
// apart, under a number never given twice, and read only when tested.
constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value INTEGER);"
    "CREATE TABLE IF NOT EXISTS drawings("
    " path BLOB PRIMARY KEY, device INTEGER, inode INTEGER, size INTEGER,"
    " mtime_ns INTEGER, ctime_ns INTEGER, generation INTEGER,"
    " last_used INTEGER, signature BLOB, text_id INTEGER) WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS texts(id INTEGER PRIMARY KEY AUTOINCREMENT, lines BLOB);"
    "CREATE INDEX IF NOT EXISTS drawings_by_use ON drawings(last_used);";

// The columns a lookup and a survey read, in this order.
#define ROW_COLUMNS \
    "path, device, inode, size, mtime_ns, ctime_ns, generation, last_used, signature, text_id"

// The clock of the rows' last use: microseconds since 1970, so that rows
// written later in one search also count as used later.
int64_t MicrosecondsNow() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string_view BlobOf(sqlite3_stmt* statement, int column) {
    const void* data = sqlite3_column_blob(statement, column);
    return {static_cast<const char*>(data),
            static_cast<size_t>(sqlite3_column_bytes(statement, column))};
}

void BindBlob(sqlite3_stmt* statement, int column, std::string_view bytes) {
    // A zero-length blob, not NULL, for an empty path.
    sqlite3_bind_blob(statement, column, bytes.empty() ? "" : bytes.data(),
                      static_cast<int>(bytes.size()), SQLITE_STATIC);
}

bool IsDamage(int code) {
    int primary = code & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

// A statement that finalises itself.
class Statement {
  public:
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK) m_stmt = nullptr;
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return m_stmt; }

  private:
    sqlite3_stmt* m_stmt = nullptr;
};

int Execute(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

int64_t QueryInteger(sqlite3* db, const char* sql, int64_t otherwise) {
    Statement statement(db, sql);
    if (statement.get() == nullptr || sqlite3_step(statement.get()) != SQLITE_ROW) return otherwise;
    return sqlite3_column_int64(statement.get(), 0);
}

// An SQLite URI for a file name: the characters a URI gives meaning to are
// written as %XX.
std::string FileUri(const std::string& path, const char* query) {
    std::string uri = "file:";
    for (char ch : path) {
        auto byte = static_cast<uint8_t>(ch);
        if (ch == '%' || ch == '?' || ch == '#' || byte < 0x20) {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
            uri += escaped;
        } else {
            uri += ch;
        }
    }
    return uri + query;
}

void RemoveWithCompanions(const std::string& path) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        std::remove((path + suffix).c_str());
    }
}

}  // namespace

DrawingVersion VersionOf(const FileStatus& status, uint32_t generation) {
    return {status.device,      status.inode, status.size, status.modificationNanos,
            status.changeNanos, generation};
}

std::string DefaultTextCachePath() {
    std::string folder = UserCacheFolder();
    return folder.empty() ? std::string() : folder + "/plotsieve/text-cache.sqlite";
}

int64_t TextCacheSizeLimit(int64_t room) {
    return std::min(std::clamp(room / 10, kSmallestLimit, kLargestLimit), room / 2);
}

// The writer's statements, made once for the life of its connection.
struct TextCache::WriterStatements {
    explicit WriterStatements(sqlite3* db)
        : previous(db, "SELECT text_id FROM drawings WHERE path = ?"),
          addText(db, "INSERT INTO texts(lines) VALUES(?)"),
          dropText(db, "DELETE FROM texts WHERE id = ?"),
          insert(db, "INSERT OR REPLACE INTO drawings(" ROW_COLUMNS
                     ") VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
          touch(db, "UPDATE drawings SET last_used = ? WHERE path = ?"),
          note(db, "INSERT OR REPLACE INTO meta VALUES(?, ?)") {}

    bool Ready() const {
        return previous.get() != nullptr && addText.get() != nullptr && dropText.get() != nullptr &&
               insert.get() != nullptr && touch.get() != nullptr && note.get() != nullptr;
    }

    Statement previous;  // the number of the lines a drawing's row holds now
    Statement addText;
    Statement dropText;
    Statement insert;  // a drawing's row, replacing the one it had
    Statement touch;   // a row's mark of use
    Statement note;    // a figure in meta
};

// One read connection and its statements.
struct TextCache::Reader {
    sqlite3* db = nullptr;
    sqlite3_stmt* lookup = nullptr;  // a drawing's row by path
    sqlite3_stmt* lines = nullptr;   // its lines by number
    sqlite3_stmt* survey = nullptr;  // a run of rows in path order from ?1 up to ?2
    ~Reader() {
        sqlite3_finalize(lookup);
        sqlite3_finalize(lines);
        sqlite3_finalize(survey);
        sqlite3_close(db);
    }
};

namespace {

// A row's version and what the signature says, from a statement reading
// ROW_COLUMNS.
CachedRow RowFrom(sqlite3_stmt* statement, const SignatureTest& mayMatch, int64_t touchBefore) {
    CachedRow row;
    row.present = true;
    row.version = {static_cast<uint64_t>(sqlite3_column_int64(statement, 1)),
                   static_cast<uint64_t>(sqlite3_column_int64(statement, 2)),
                   sqlite3_column_int64(statement, 3),
                   sqlite3_column_int64(statement, 4),
                   sqlite3_column_int64(statement, 5),
                   static_cast<uint32_t>(sqlite3_column_int64(statement, 6))};
    row.touchDue = sqlite3_column_int64(statement, 7) < touchBefore;
    row.mayMatch = !mayMatch || mayMatch(BlobOf(statement, 8));
    row.textId = sqlite3_column_int64(statement, 9);
    return row;
}

// Binds a drawing's row to a statement writing ROW_COLUMNS; its mark of use
// is now.
void BindRow(sqlite3_stmt* s, std::string_view path, const DrawingVersion& version,
             std::string_view signature, int64_t textId) {
    BindBlob(s, 1, path);
    sqlite3_bind_int64(s, 2, static_cast<int64_t>(version.device));
    sqlite3_bind_int64(s, 3, static_cast<int64_t>(version.inode));
    sqlite3_bind_int64(s, 4, version.size);
    sqlite3_bind_int64(s, 5, version.modificationNanos);
    sqlite3_bind_int64(s, 6, version.changeNanos);
    sqlite3_bind_int64(s, 7, version.generation);
    sqlite3_bind_int64(s, 8, MicrosecondsNow());
    BindBlob(s, 9, signature);
    sqlite3_bind_int64(s, 10, textId);
}

}  // namespace

TextCache::TextCache(TextCacheSettings settings) : m_settings(std::move(settings)) {
    m_now = MicrosecondsNow();
    if (!Open()) return;
    m_usable = true;
    if (!m_settings.neverWrite) m_writerThread = std::thread([this] { RunWriter(); });
}

TextCache::~TextCache() {
    if (Usable() && !m_settings.neverWrite && m_lookups.load() > 0) FinishSearch();
    {
        std::lock_guard lock(m_queueMutex);
        m_stopping = true;
    }
    m_work.notify_all();
    if (m_writerThread.joinable()) m_writerThread.join();
    m_readers.clear();
    m_statements.reset();
    if (m_writer != nullptr) sqlite3_close(m_writer);
    m_writer = nullptr;
    if (m_damaged) SetAsideDamagedFile();
}

std::string TextCache::TakeProblem() {
    std::lock_guard lock(m_problemMutex);
    if (m_problemTold) return {};
    if (!m_problem.empty()) m_problemTold = true;
    return m_problem;
}

std::string TextCache::TakeRemark() {
    std::lock_guard lock(m_problemMutex);
    return std::exchange(m_remark, std::string());
}

void TextCache::Fail(int code, const std::string& what) {
    // A read-only cache never sets its file aside. It reads the file as
    // unchanging, so a writer at work on it shows as damage: that is told
    // by the file having changed since it was opened.
    bool readOnly = m_settings.neverWrite;
    bool changed = readOnly && IsDamage(code) && ChangedSinceOpened();
    if (IsDamage(code) && !readOnly) m_damaged = true;
    m_usable = false;
    std::lock_guard lock(m_problemMutex);
    if (m_problem.empty()) {
        m_problem = "text cache " + m_settings.path + ": " + what;
        if (changed) {
            m_problem += " (the file changed while it was read: another program writes it)";
        } else if (IsDamage(code) && readOnly) {
            m_problem += " (the file is damaged; it is read-only here and left as it is)";
        } else if (IsDamage(code)) {
            m_problem += " (the file is damaged; it is set aside and a new one is started)";
        } else if (code != SQLITE_OK) {
            m_problem += std::string(" (") + sqlite3_errstr(code) + ")";
        }
        m_problem += "; drawings are read without it";
    }
}

sqlite3* TextCache::OpenConnection(bool forWriting) {
    sqlite3* db = nullptr;
    int flags = SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX;
    std::string uri;
    if (m_settings.neverWrite) {
        flags |= SQLITE_OPEN_READONLY;
        uri = FileUri(m_settings.path, "?mode=ro&immutable=1");
    } else {
        // Readers open the file for writing too: a write-ahead log is read
        // through its shared-memory file, which every connection maps.
        flags |= SQLITE_OPEN_READWRITE | (forWriting ? SQLITE_OPEN_CREATE : 0);
        uri = FileUri(m_settings.path, "");
    }
    int code = sqlite3_open_v2(uri.c_str(), &db, flags, nullptr);
    if (code != SQLITE_OK) {
        Fail(code, "cannot be opened");
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, kBusyMilliseconds);
    Execute(db, ("PRAGMA mmap_size=" + std::to_string(kMapBytes) + ";").c_str());
    return db;
}

bool TextCache::Open() {
    // SQLite counts the memory it takes under one process-wide mutex unless
    // told not to before its first use; nothing here reads the count, and
    // the lookups of several threads would queue on that mutex. Told once;
    // after SQLite has started (another user in the process) it is refused,
    // harmlessly.
    static std::once_flag configured;
    std::call_once(configured, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
    if (m_settings.path.empty()) {
        Fail(SQLITE_OK, "has no place (no cache folder)");
        return false;
    }
    // A read-only cache makes and changes nothing, nor remarks on its folder.
    unsigned openFolderMode = 0;
    if (!m_settings.neverWrite && !CreateFile(openFolderMode)) return false;
    if (m_settings.neverWrite) {
        if (ReadResult<FileStatus> status = ReadFileStatus(m_settings.path)) {
            m_openedInode = status->inode;
            m_openedSize = status->size;
            m_openedChangeNanos = status->changeNanos;
        }
    }
    // The file is read into the system's cache in the background while the
    // search walks its folders: a cold disk then gives it in one sweep, not
    // page by page as rows are looked up.
    ReadAheadFile(m_settings.path, kReadAheadBytes);
    // A damaged file is set aside once and a new one started.
    for (int attempt = 0; attempt < 2; ++attempt) {
        m_writer = OpenConnection(!m_settings.neverWrite);
        if (m_writer == nullptr) return false;
        int code = m_settings.neverWrite ? CheckFormat() : PrepareTables();
        if (code == SQLITE_OK && !m_settings.neverWrite) code = PrepareStatements();
        if (code == SQLITE_OK) {
            if (openFolderMode != 0) {
                RemarkOnOpenFolder(m_settings.path.substr(0, m_settings.path.rfind('/')),
                                   openFolderMode);
            }
            return true;
        }
        m_statements.reset();
        sqlite3_close(m_writer);
        m_writer = nullptr;
        if (!IsDamage(code) || m_settings.neverWrite || attempt > 0) {
            Fail(code, "cannot be used");
            return false;
        }
        // The new file is made as the first one was, not with SQLite's mode.
        SetAsideDamagedFile();
        if (!MakeEmptyFile()) return false;
        std::lock_guard lock(m_problemMutex);
        m_problem = "text cache " + m_settings.path +
                    ": the file was damaged; it was set aside and a new one started";
    }
    return false;
}

bool TextCache::CreateFile(unsigned& openFolderMode) {
    size_t slash = m_settings.path.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
        std::string folder = m_settings.path.substr(0, slash);
        // Only the program's own folder for the default cache is made
        // private, when it is made; every other folder is the user's, left
        // as it is (a share, /tmp).
        bool made = true;
        if (m_settings.path == DefaultTextCachePath()) {
            std::optional<PrivateFolder> found = MakePrivateFolder(folder);
            made = found.has_value();
            if (found == PrivateFolder::OpenToOthers) openFolderMode = ModeOf(folder).value_or(0);
        } else {
            made = MakeFolders(folder);
        }
        if (!made) {
            Fail(SQLITE_CANTOPEN, "its folder cannot be made");
            return false;
        }
    }
    return MakeEmptyFile();
}

bool TextCache::MakeEmptyFile() {
    // It holds the text of the user's drawings: the owner's alone, unless it
    // is written for others. SQLite gives its log files the same
    // permissions.
    if (!(m_settings.readableByOthers ? MakeSharedFile(m_settings.path)
                                      : MakePrivateFile(m_settings.path))) {
        Fail(SQLITE_CANTOPEN, "cannot be created");
        return false;
    }
    return true;
}

void TextCache::RemarkOnOpenFolder(const std::string& folder, unsigned mode) {
    // Told once for each mode the folder is found with: the file keeps the
    // mode it told of.
    if (QueryInteger(m_writer, "SELECT value FROM meta WHERE key='open_folder_told'", -1) ==
        static_cast<int64_t>(mode)) {
        return;
    }
    Execute(m_writer, ("INSERT OR REPLACE INTO meta VALUES('open_folder_told', " +
                       std::to_string(mode) + ");")
                          .c_str());
    char octal[8];
    std::snprintf(octal, sizeof octal, "%04o", mode);
    std::lock_guard lock(m_problemMutex);
    m_remark = "the text cache's folder " + folder + " is open to others (mode " + octal +
               "), and the cache holds the text of your drawings; it is left so (chmod 700 " +
               folder + " keeps it yours)";
}

int TextCache::PrepareTables() {
    const char* journal =
        m_settings.rollbackJournal ? "PRAGMA journal_mode=DELETE;" : "PRAGMA journal_mode=WAL;";
    int code = Execute(m_writer, "PRAGMA auto_vacuum=INCREMENTAL;");
    if (code == SQLITE_OK) code = Execute(m_writer, journal);
    // Another connection making the same new file over to its journal is
    // waited for here, not by SQLite's busy wait, which this change skips.
    for (int waited = 0; code == SQLITE_BUSY && waited < kBusyMilliseconds; waited += 10) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        code = Execute(m_writer, journal);
    }
    if (code == SQLITE_OK) code = Execute(m_writer, "PRAGMA synchronous=NORMAL;");
    if (code != SQLITE_OK) return code;
    // The format row is written with the tables, so a file that has it has
    // them all.
    const char* formatQuery = "SELECT value FROM meta WHERE key='format'";
    if (QueryInteger(m_writer, formatQuery, 0) == kFormat) return SQLITE_OK;
    // Two searches may find the same new file at once: the tables are made
    // (or a file of another layout started over) in one write transaction,
    // so the second waits and finds them whole instead of dropping them
    // under the first.
    code = Execute(m_writer, "BEGIN IMMEDIATE");
    if (code != SQLITE_OK) return code;
    code = Execute(m_writer, kSchema);
    int64_t format = QueryInteger(m_writer, formatQuery, 0);
    if (code == SQLITE_OK && format != kFormat) {
        code = Execute(m_writer, "DROP TABLE IF EXISTS drawings; DROP TABLE IF EXISTS texts;");
        if (code == SQLITE_OK) code = Execute(m_writer, kSchema);
        if (code == SQLITE_OK) {
            code = Execute(m_writer, ("INSERT OR REPLACE INTO meta VALUES('format', " +
                                      std::to_string(kFormat) + ");")
                                         .c_str());
        }
    }
    if (code == SQLITE_OK) code = Execute(m_writer, "COMMIT");
    if (code != SQLITE_OK) Execute(m_writer, "ROLLBACK");
    return code;
}

int TextCache::PrepareStatements() {
    m_statements = std::make_unique<WriterStatements>(m_writer);
    return m_statements->Ready() ? SQLITE_OK : sqlite3_errcode(m_writer);
}

int TextCache::CheckFormat() {
    Statement check(m_writer, "SELECT value FROM meta WHERE key='format'");
    int code = check.get() == nullptr ? sqlite3_errcode(m_writer) : sqlite3_step(check.get());
    if (code == SQLITE_ROW && sqlite3_column_int64(check.get(), 0) == kFormat) return SQLITE_OK;
    return IsDamage(code) ? code : SQLITE_CANTOPEN;
}

bool TextCache::ChangedSinceOpened() const {
    ReadResult<FileStatus> now = ReadFileStatus(m_settings.path);
    if (!now) return true;
    return now->inode != m_openedInode || now->size != m_openedSize ||
           now->changeNanos != m_openedChangeNanos;
}

void TextCache::SetAsideDamagedFile() {
    if (m_settings.neverWrite) return;
    std::string aside = m_settings.path + ".damaged";
    RemoveWithCompanions(aside);
    std::rename(m_settings.path.c_str(), aside.c_str());
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
        std::remove((m_settings.path + suffix).c_str());
    }
}

std::unique_ptr<TextCache::Reader> TextCache::TakeReader() {
    {
        std::lock_guard lock(m_readerMutex);
        if (!m_readers.empty()) {
            std::unique_ptr<Reader> reader = std::move(m_readers.back());
            m_readers.pop_back();
            return reader;
        }
    }
    auto reader = std::make_unique<Reader>();
    reader->db = OpenConnection(false);
    if (reader->db == nullptr) return nullptr;
    int code = sqlite3_prepare_v2(reader->db, "SELECT " ROW_COLUMNS " FROM drawings WHERE path = ?",
                                  -1, &reader->lookup, nullptr);
    if (code == SQLITE_OK) {
        code = sqlite3_prepare_v2(reader->db, "SELECT lines FROM texts WHERE id = ?", -1,
                                  &reader->lines, nullptr);
    }
    if (code == SQLITE_OK) {
        code = sqlite3_prepare_v2(reader->db,
                                  ("SELECT " ROW_COLUMNS " FROM drawings WHERE path >= ?1 AND "
                                   "path <= ?2 ORDER BY path LIMIT " +
                                   std::to_string(kSurveyRun))
                                      .c_str(),
                                  -1, &reader->survey, nullptr);
    }
    if (code != SQLITE_OK) {
        Fail(code, "cannot be read");
        return nullptr;
    }
    return reader;
}

void TextCache::ReturnReader(std::unique_ptr<Reader> reader) {
    std::lock_guard lock(m_readerMutex);
    m_readers.push_back(std::move(reader));
}

bool TextCache::Lookup(const std::string& path, const DrawingVersion& version, ExtractedText& out) {
    return LookupFor(path, version, SignatureTest(), out) == Found::Lines;
}

TextCache::Found TextCache::LookupFor(const std::string& path, const DrawingVersion& version,
                                      const SignatureTest& mayMatch, ExtractedText& out) {
    if (!m_usable) return Found::Miss;
    return Answer(path, RowOf(path, mayMatch), version, true, out);
}

bool TextCache::HoldsNoRows() {
    std::unique_ptr<Reader> reader = m_usable ? TakeReader() : nullptr;
    if (!reader) return false;
    bool none = QueryInteger(reader->db, "SELECT EXISTS (SELECT 1 FROM drawings)", 1) == 0;
    ReturnReader(std::move(reader));
    return none;
}

CachedRow TextCache::RowOf(const std::string& path, const SignatureTest& mayMatch) {
    CachedRow row;
    std::unique_ptr<Reader> reader = m_usable ? TakeReader() : nullptr;
    if (!reader) return row;
    sqlite3_stmt* lookup = reader->lookup;
    BindBlob(lookup, 1, path);
    int code = sqlite3_step(lookup);
    if (code == SQLITE_ROW) {
        row = RowFrom(lookup, mayMatch, m_now - kTouchInterval);
    } else if (code != SQLITE_DONE && IsDamage(code)) {
        // A busy file is a miss; a damaged one stops the cache.
        Fail(code, "cannot be read");
    }
    sqlite3_reset(lookup);
    ReturnReader(std::move(reader));
    return row;
}

TextCache::Found TextCache::Answer(const std::string& path, const CachedRow& row,
                                   const DrawingVersion& version, bool linesWanted,
                                   ExtractedText& out) {
    Found found = Found::Miss;
    if (row.present && row.version == version) {
        if (!linesWanted || !row.mayMatch) {
            found = Found::RuledOut;
        } else if (LinesOf(row, out)) {
            found = Found::Lines;
        }
    }
    CountSurveyed(path, row, found != Found::Miss);
    return found;
}

std::vector<CachedRow> TextCache::Survey(std::span<const std::string> paths,
                                         const SignatureTest& mayMatch) {
    std::vector<CachedRow> rows(paths.size());
    if (!m_usable || paths.empty()) return rows;
    // The paths in the rows' order (bytes, as memcmp): a walk gives them
    // nearly so.
    std::vector<size_t> order(paths.size());
    std::iota(order.begin(), order.end(), size_t{0});
    auto byPath = [&paths](size_t a, size_t b) { return paths[a] < paths[b]; };
    if (!std::is_sorted(order.begin(), order.end(), byPath)) {
        std::sort(order.begin(), order.end(), byPath);
    }
    std::unique_ptr<Reader> reader = TakeReader();
    if (!reader) return rows;
    sqlite3_stmt* survey = reader->survey;
    const int64_t touchBefore = m_now - kTouchInterval;
    // Each run starts at the first path not yet passed, so the rows between
    // two far-apart paths are skipped, and ends after kSurveyRun rows.
    size_t next = 0;
    while (next < order.size()) {
        BindBlob(survey, 1, paths[order[next]]);
        BindBlob(survey, 2, paths[order.back()]);
        int count = 0;
        int code = SQLITE_DONE;
        while (next < order.size() && (code = sqlite3_step(survey)) == SQLITE_ROW) {
            ++count;
            std::string_view path = BlobOf(survey, 0);
            while (next < order.size() && std::string_view(paths[order[next]]) < path) ++next;
            if (next < order.size() && paths[order[next]] == path) {
                CachedRow row = RowFrom(survey, mayMatch, touchBefore);
                for (; next < order.size() && paths[order[next]] == path; ++next) {
                    rows[order[next]] = row;
                }
            }
        }
        sqlite3_reset(survey);
        if (code != SQLITE_ROW && code != SQLITE_DONE) {
            // Busy: the rest are misses. Damaged: the cache stops.
            if (IsDamage(code)) Fail(code, "cannot be read");
            break;
        }
        if (count < kSurveyRun) break;  // no rows beyond
    }
    ReturnReader(std::move(reader));
    return rows;
}

bool TextCache::LinesOf(const CachedRow& row, ExtractedText& out) {
    if (!m_usable || !row.present) return false;
    std::unique_ptr<Reader> reader = TakeReader();
    if (!reader) return false;
    sqlite3_stmt* lines = reader->lines;
    sqlite3_bind_int64(lines, 1, row.textId);
    bool found = false;
    int code = sqlite3_step(lines);
    if (code == SQLITE_ROW) {
        found = DecodeCachedLines(BlobOf(lines, 0), out);
    } else if (code != SQLITE_DONE && IsDamage(code)) {
        Fail(code, "cannot be read");
    }
    sqlite3_reset(lines);
    ReturnReader(std::move(reader));
    if (!found) out.Clear();
    return found;
}

void TextCache::CountSurveyed(const std::string& path, const CachedRow& row, bool used) {
    ++m_lookups;
    if (!used) return;
    ++m_hits;
    if (row.touchDue && !m_settings.neverWrite) {
        std::lock_guard lock(m_queueMutex);
        m_touched.push_back(path);
    }
}

void TextCache::Store(const std::string& path, const DrawingVersion& version,
                      const ExtractedText& text, std::string signature) {
    if (!m_usable || m_settings.neverWrite) return;
    // Packed here, on the caller's thread: the writer's thread is left
    // nothing but SQLite's work, and no copy of the lines is made.
    Pending pending{path, version, EncodeCachedLines(text), std::move(signature)};
    bool wake = false;
    {
        std::lock_guard lock(m_queueMutex);
        size_t cost = pending.Cost();
        if (m_queuedBytes + cost > kMaxQueuedBytes) return;
        m_queuedBytes += cost;
        m_queue.push_back(std::move(pending));
        // The first row starts the writer's gathering; a full batch ends it.
        wake = m_queue.size() == 1 || m_queue.size() >= kBatchRows;
    }
    if (wake) m_work.notify_one();
}

void TextCache::Flush() {
    if (!m_writerThread.joinable()) return;
    std::unique_lock lock(m_queueMutex);
    ++m_flushing;
    m_work.notify_one();
    m_written.wait(lock, [this] {
        return m_queue.empty() && m_touched.empty() && !m_figures.has_value() && !m_writing;
    });
    --m_flushing;
}

void TextCache::FinishSearch() {
    if (!m_settings.neverWrite) {
        std::lock_guard lock(m_queueMutex);
        m_figures = SearchFigures{.lookups = m_lookups.exchange(0), .hits = m_hits.exchange(0)};
    } else {
        m_lookups = 0;
        m_hits = 0;
    }
    Flush();
}

void TextCache::RunWriter() {
    std::unique_lock lock(m_queueMutex);
    for (;;) {
        m_work.wait(lock, [this] {
            return m_stopping || !m_queue.empty() || !m_touched.empty() || m_figures.has_value();
        });
        if (m_queue.empty() && m_touched.empty() && !m_figures.has_value()) return;  // stopping
        // Rows that come one by one are gathered into a larger batch, unless
        // someone waits for them: a transaction costs about as much for one
        // row as for a thousand.
        if (m_queue.size() < kBatchRows && m_flushing == 0 && !m_stopping) {
            m_work.wait_for(lock, kGatherTime, [this] {
                return m_stopping || m_flushing > 0 || m_queue.size() >= kBatchRows;
            });
        }
        std::deque<Pending> batch;
        while (!m_queue.empty() && batch.size() < kBatchRows) {
            batch.push_back(std::move(m_queue.front()));
            m_queue.pop_front();
        }
        std::vector<std::string> touched;
        touched.swap(m_touched);
        std::optional<SearchFigures> figures = std::exchange(m_figures, std::nullopt);
        m_writing = true;
        lock.unlock();
        size_t bytes = 0;
        for (const Pending& pending : batch) bytes += pending.Cost();
        if (m_usable) WriteBatch(batch, touched, figures);
        lock.lock();
        m_queuedBytes -= bytes;
        m_writing = false;
        m_written.notify_all();
    }
}

void TextCache::WriteBatch(const std::deque<Pending>& batch,
                           const std::vector<std::string>& touched,
                           const std::optional<SearchFigures>& figures) {
    int code = Execute(m_writer, "BEGIN IMMEDIATE");
    if (code != SQLITE_OK) {
        // Locked too long by another writer: these rows are dropped; the
        // drawings are read again next time.
        if (IsDamage(code)) Fail(code, "cannot be written");
        return;
    }
    code = WriteRows(batch);
    if (code == SQLITE_DONE) code = WriteUseMarks(touched);
    if (code == SQLITE_DONE && figures) code = WriteFigures(*figures);
    if (code != SQLITE_DONE || (code = Execute(m_writer, "COMMIT")) != SQLITE_OK) {
        Execute(m_writer, "ROLLBACK");
        Fail(code, "cannot be written");
        return;
    }
    KeepBelowLimit();
}

namespace {

// Runs a statement with its bindings, then clears it for the next use: its
// SQLite code.
int StepOnce(sqlite3_stmt* statement) {
    int code = sqlite3_step(statement);
    sqlite3_reset(statement);
    return code;
}

}  // namespace

int TextCache::WriteRows(const std::deque<Pending>& batch) {
    sqlite3_stmt* previous = m_statements->previous.get();
    sqlite3_stmt* addText = m_statements->addText.get();
    sqlite3_stmt* dropText = m_statements->dropText.get();
    sqlite3_stmt* insert = m_statements->insert.get();
    int code = SQLITE_DONE;
    for (const Pending& pending : batch) {
        // The lines the row held until now go with it.
        BindBlob(previous, 1, pending.path);
        if (sqlite3_step(previous) == SQLITE_ROW) {
            sqlite3_bind_int64(dropText, 1, sqlite3_column_int64(previous, 0));
            code = StepOnce(dropText);
        }
        sqlite3_reset(previous);
        if (code != SQLITE_DONE) break;
        BindBlob(addText, 1, pending.lines);
        if ((code = StepOnce(addText)) != SQLITE_DONE) break;
        BindRow(insert, pending.path, pending.version, pending.signature,
                sqlite3_last_insert_rowid(m_writer));
        if ((code = StepOnce(insert)) != SQLITE_DONE) break;
    }
    return code;
}

int TextCache::WriteUseMarks(const std::vector<std::string>& touched) {
    sqlite3_stmt* touch = m_statements->touch.get();
    int code = SQLITE_DONE;
    for (const std::string& path : touched) {
        sqlite3_bind_int64(touch, 1, m_now);
        BindBlob(touch, 2, path);
        if ((code = StepOnce(touch)) != SQLITE_DONE) break;
    }
    return code;
}

int TextCache::WriteFigures(const SearchFigures& figures) {
    sqlite3_stmt* note = m_statements->note.get();
    int code = SQLITE_DONE;
    for (auto [key, value] :
         {std::pair{"last_lookups", figures.lookups}, std::pair{"last_hits", figures.hits}}) {
        sqlite3_bind_text(note, 1, key, -1, SQLITE_STATIC);
        sqlite3_bind_int64(note, 2, value);
        if ((code = StepOnce(note)) != SQLITE_DONE) break;
    }
    return code;
}

int64_t TextCache::SizeLimit(int64_t fileBytes) const {
    if (m_settings.sizeLimit > 0) return m_settings.sizeLimit;
    // The room it has: what its file system has free, and what it holds.
    std::optional<int64_t> free = FreeBytesAt(m_settings.path);
    return TextCacheSizeLimit(free.value_or(0) + fileBytes);
}

void TextCache::KeepBelowLimit() {
    int64_t pages = QueryInteger(m_writer, "PRAGMA page_count", 0);
    int64_t pageSize = QueryInteger(m_writer, "PRAGMA page_size", 4096);
    int64_t freePages = QueryInteger(m_writer, "PRAGMA freelist_count", 0);
    int64_t used = (pages - freePages) * pageSize;
    const int64_t limit = SizeLimit(pages * pageSize);
    if (used <= limit) return;
    // Down to nine tenths of the limit, taking the least recently used rows
    // first, in proportion to the rows' mean size.
    int64_t rows = QueryInteger(m_writer, "SELECT count(*) FROM drawings", 0);
    if (rows <= 0) return;
    int64_t excess = used - limit * 9 / 10;
    int64_t drop = std::max<int64_t>(1, excess / std::max<int64_t>(1, used / rows) + 1);
    if (Execute(m_writer, "BEGIN IMMEDIATE") != SQLITE_OK) return;
    int code = SQLITE_DONE;
    {
        Statement oldest(m_writer, "SELECT path, text_id FROM drawings ORDER BY last_used LIMIT ?");
        Statement dropRow(m_writer, "DELETE FROM drawings WHERE path = ?");
        Statement dropText(m_writer, "DELETE FROM texts WHERE id = ?");
        if (oldest.get() == nullptr || dropRow.get() == nullptr || dropText.get() == nullptr) {
            code = SQLITE_ERROR;
        }
        std::vector<std::pair<std::string, int64_t>> victims;
        if (code == SQLITE_DONE) {
            sqlite3_bind_int64(oldest.get(), 1, drop);
            while (sqlite3_step(oldest.get()) == SQLITE_ROW) {
                victims.emplace_back(BlobOf(oldest.get(), 0),
                                     sqlite3_column_int64(oldest.get(), 1));
            }
        }
        for (const auto& [path, textId] : victims) {
            if (code != SQLITE_DONE) break;
            BindBlob(dropRow.get(), 1, path);
            code = sqlite3_step(dropRow.get());
            sqlite3_reset(dropRow.get());
            if (code != SQLITE_DONE) break;
            sqlite3_bind_int64(dropText.get(), 1, textId);
            code = sqlite3_step(dropText.get());
            sqlite3_reset(dropText.get());
        }
    }
    if (code != SQLITE_DONE || Execute(m_writer, "COMMIT") != SQLITE_OK) {
        Execute(m_writer, "ROLLBACK");
        return;
    }
    Execute(m_writer, "PRAGMA incremental_vacuum");
}

bool TextCache::ReadStats(const std::string& path, TextCacheStats& stats) {
    sqlite3* db = nullptr;
    std::string uri = FileUri(path, "?mode=ro");
    if (sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    sqlite3_busy_timeout(db, kBusyMilliseconds);
    stats.rows = QueryInteger(db, "SELECT count(*) FROM drawings", -1);
    stats.fileBytes =
        QueryInteger(db, "PRAGMA page_count", 0) * QueryInteger(db, "PRAGMA page_size", 0);
    stats.lastLookups = QueryInteger(db, "SELECT value FROM meta WHERE key='last_lookups'", 0);
    stats.lastHits = QueryInteger(db, "SELECT value FROM meta WHERE key='last_hits'", 0);
    sqlite3_close(db);
    return stats.rows >= 0;
}

bool TextCache::Clear(const std::string& path) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(FileUri(path, "").c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    sqlite3_busy_timeout(db, kBusyMilliseconds);
    // A file of an older layout may have no texts table.
    bool texts = QueryInteger(db, "SELECT count(*) FROM sqlite_master WHERE name = 'texts'", 0) > 0;
    int code = Execute(db, "DELETE FROM drawings; DELETE FROM meta WHERE key LIKE 'last_%';");
    if (code == SQLITE_OK && texts) code = Execute(db, "DELETE FROM texts;");
    if (code == SQLITE_OK) Execute(db, "VACUUM");
    sqlite3_close(db);
    return code == SQLITE_OK;
}

bool TextCache::Copy(const std::string& from, const std::string& to, bool readableByOthers) {
    sqlite3* source = nullptr;
    sqlite3* target = nullptr;
    bool copied = false;
    if (sqlite3_open_v2(FileUri(from, "?mode=ro").c_str(), &source,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) == SQLITE_OK &&
        (readableByOthers ? MakeSharedFile(to) : MakePrivateFile(to)) &&
        sqlite3_open_v2(FileUri(to, "").c_str(), &target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI,
                        nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(source, kBusyMilliseconds);
        if (sqlite3_backup* backup = sqlite3_backup_init(target, "main", source, "main")) {
            copied = sqlite3_backup_step(backup, -1) == SQLITE_DONE;
            copied = sqlite3_backup_finish(backup) == SQLITE_OK && copied;
        }
        copied = copied &&
                 QueryInteger(target, "SELECT value FROM meta WHERE key='format'", 0) == kFormat;
    }
    sqlite3_close(source);
    sqlite3_close(target);
    if (!copied) RemoveWithCompanions(to);
    return copied;
}

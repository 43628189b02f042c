#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bytes/extracted_text.h"

struct sqlite3;
struct FileStatus;

// Says whether a drawing whose kept signature is `signature` may hold what a
// search looks for (the signature is the blob Store was given). An empty test
// says yes to every row.
using SignatureTest = std::function<bool(std::string_view signature)>;

// What tells one version of a drawing from another: if any of these differs
// from what the cache holds for the path, the drawing is read again.
struct DrawingVersion {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modificationNanos = 0;
    int64_t changeNanos = 0;
    uint32_t generation = 0;  // the reader's generation for the drawing's type

    bool operator==(const DrawingVersion&) const = default;
};

DrawingVersion VersionOf(const FileStatus& status, uint32_t generation);

struct TextCacheSettings {
    std::string path;  // the database file
    // Never writes: opens a file that another process writes and renames
    // into place, takes no lock, and keeps nothing it is given.
    bool neverWrite = false;
    // The file is kept below this size: the rows used least recently go
    // first. 0: the bound follows the room on the file's file system
    // (TextCacheSizeLimit).
    int64_t sizeLimit = 0;
    // Rollback journal instead of write-ahead log: for a file that is built
    // once and then renamed into place for readers.
    bool rollbackJournal = false;
    // A file written for others to read (index --cache FILE): a new one is
    // made 0644 less the umask, not 0600.
    bool readableByOthers = false;

    bool operator==(const TextCacheSettings&) const = default;
};

// The cache file in the user's cache folder
// ($XDG_CACHE_HOME/plotsieve/text-cache.sqlite); empty when there is none.
// Its folder is the one folder a cache makes private (0700), and only when
// the cache creates it; a file named anywhere else has its missing folders
// made as the umask allows, and no existing folder is ever changed.
std::string DefaultTextCachePath();

// The bound of a cache whose settings leave it to the room it has: `room` is
// the bytes its file system has free for the user plus the bytes the file
// holds already. A tenth of that room, at least 512 MB and at most 16 GB
// (about 600,000 and 20 million drawings), and never more than half of it.
int64_t TextCacheSizeLimit(int64_t room);

// What the cache holds for one drawing, read ahead of testing it (Survey).
struct CachedRow {
    bool present = false;
    // The row's text signature lets a piece of the survey's query match.
    bool mayMatch = true;
    bool touchDue = false;  // its mark of last use is old
    DrawingVersion version;
    int64_t textId = 0;  // where its lines are kept
};

// Numbers a person asks about: rows, the file's size, and the lookups and
// hits of the last search that used the file.
struct TextCacheStats {
    int64_t rows = 0;
    int64_t fileBytes = 0;
    int64_t lastLookups = 0;
    int64_t lastHits = 0;
};

// The text the readers extracted, kept in SQLite by drawing path and reused
// while the drawing is unchanged. Only an accelerator: a cache that cannot be
// opened, is locked or turns out damaged never fails a search. It reports one
// problem (TakeProblem) and stops being used; a damaged file is set aside
// (renamed with ".damaged") when the cache closes, so the next one starts new.
//
// Lookup may be called on several threads at once (each takes a connection of
// its own); Store hands rows to one writer thread that commits in batches, so
// a search never waits for the disk.
class TextCache {
  public:
    explicit TextCache(TextCacheSettings settings);
    ~TextCache();  // writes what is pending, then closes
    TextCache(const TextCache&) = delete;
    TextCache& operator=(const TextCache&) = delete;

    bool Usable() const { return m_usable.load(); }

    // Whether Store keeps what it is given (the cache is usable and may
    // write).
    bool Storing() const { return Usable() && !m_settings.neverWrite; }

    // The first problem met since the last call, as a sentence; empty if none.
    std::string TakeProblem();

    // Something worth telling once that is no problem (the default cache's
    // folder is open to others), as a sentence; empty if none. Told once per
    // cache file and folder mode: the file keeps what it has told.
    std::string TakeRemark();

    // Fills `out` (empty) with the lines kept for `path` when its row was
    // made from the same version of the drawing. False for a miss.
    bool Lookup(const std::string& path, const DrawingVersion& version, ExtractedText& out);

    // The same for a search: a row of the same version whose text signature
    // says no piece of `query` can match is RuledOut, its lines neither
    // decoded nor given (and it counts as a hit of the cache).
    enum class Found { Miss, Lines, RuledOut };
    Found LookupFor(const std::string& path, const DrawingVersion& version,
                    const SignatureTest& mayMatch, ExtractedText& out);

    // Reads the rows of all `paths` (in any order) at once, one entry per
    // path: in runs of path order, each run a short read of its own, far
    // cheaper than a lookup per path. A path without a row, or every path of
    // a cache that cannot be read, has an entry that is not present. A
    // surveyed row counts as no lookup until CountSurveyed.
    std::vector<CachedRow> Survey(std::span<const std::string> paths,
                                  const SignatureTest& mayMatch);

    // True when the file holds no drawing's row yet (a new cache, or one
    // just emptied): a search then has nothing to look up or survey. False
    // when it cannot tell.
    bool HoldsNoRows();

    // The row kept for `path`, as a survey gives it: one lookup.
    CachedRow RowOf(const std::string& path, const SignatureTest& mayMatch);

    // What a row (surveyed, or from RowOf) answers for the drawing's
    // `version`, as LookupFor does; without `linesWanted` (filling the
    // cache) a current row is RuledOut: nothing is to be tested. Counts the
    // lookup (CountSurveyed).
    Found Answer(const std::string& path, const CachedRow& row, const DrawingVersion& version,
                 bool linesWanted, ExtractedText& out);

    // Fills `out` (empty) with the lines of a surveyed row. False when they
    // cannot be read or the row has been replaced since the survey.
    bool LinesOf(const CachedRow& row, ExtractedText& out);

    // Counts the lookup a surveyed row answered; `used`: it was of the
    // drawing's version (a hit), and the row is marked as used.
    void CountSurveyed(const std::string& path, const CachedRow& row, bool used);

    // Keeps the lines read from `path` (replacing any older row) with their
    // `signature`, a blob the cache only stores and hands to a SignatureTest.
    // The lines are packed on the caller's thread, and the writer thread
    // commits them with others (in batches of up to kBatchRows, gathered for
    // up to kGatherTime while they come in). Dropped when the cache never
    // writes, is unusable, or is too far behind.
    void Store(const std::string& path, const DrawingVersion& version, const ExtractedText& text,
               std::string signature);

    static constexpr size_t kBatchRows = 1024;
    static constexpr std::chrono::milliseconds kGatherTime{25};

    // Waits until everything stored so far is written.
    void Flush();

    // Ends one search: its lookups and hits are written down as the last
    // search's (for `cache stats`), the counts start again, and everything
    // stored is written before it returns.
    void FinishSearch();

    // Lookups and hits since the cache was opened or the last FinishSearch.
    int64_t Lookups() const { return m_lookups.load(); }
    int64_t Hits() const { return m_hits.load(); }

    // The statistics kept in the file at `path`; nothing when it cannot be read.
    static bool ReadStats(const std::string& path, TextCacheStats& stats);
    // Empties the cache at `path`. False when it cannot be opened.
    static bool Clear(const std::string& path);
    // Copies the cache at `from` (consistent, whatever writes it at the same
    // time) into a new file `to`, private to the user or, with
    // `readableByOthers`, made as TextCacheSettings::readableByOthers says.
    // False, leaving no file, when `from` cannot be read as a cache.
    static bool Copy(const std::string& from, const std::string& to, bool readableByOthers);

  private:
    struct Reader;
    struct WriterStatements;
    struct Pending {
        std::string path;
        DrawingVersion version;
        std::string lines;  // packed (EncodeCachedLines)
        std::string signature;

        size_t Cost() const { return path.size() + lines.size() + signature.size(); }
    };

    // The lookups and hits of a search, for `cache stats`.
    struct SearchFigures {
        int64_t lookups = 0;
        int64_t hits = 0;
    };

    sqlite3* OpenConnection(bool forWriting);
    bool Open();
    // Makes the file and the folders missing above it: the default cache's
    // folder private, the file private or, for others, readable by them.
    // False (and failed) when either cannot be made. `openFolderMode`: the
    // mode of the default cache's folder when it was there already, open to
    // others (left at 0 otherwise).
    bool CreateFile(unsigned& openFolderMode);
    // Makes the file, empty, with its mode (private, or readable by others);
    // false (and failed) when it cannot.
    bool MakeEmptyFile();
    // Sets up the writer's file (log, tables, statements), starting it over
    // when it is new or of another layout; an SQLite code.
    int PrepareTables();
    // Makes the writer's statements; an SQLite code.
    int PrepareStatements();
    // Notes once that the default cache's folder, found open to others with
    // `mode`, is left so.
    void RemarkOnOpenFolder(const std::string& folder, unsigned mode);
    // Checks that a file opened to be read only is of this layout: SQLITE_OK,
    // the code of a damaged file, or SQLITE_CANTOPEN.
    int CheckFormat();
    void Fail(int code, const std::string& what);
    std::unique_ptr<Reader> TakeReader();
    void ReturnReader(std::unique_ptr<Reader> reader);
    void RunWriter();
    // Writes a batch in one transaction: rows, marks of use, and the last
    // search's figures (when given). A failure rolls it back and fails the
    // cache.
    void WriteBatch(const std::deque<Pending>& batch, const std::vector<std::string>& touched,
                    const std::optional<SearchFigures>& figures);
    // The steps of a batch, inside its transaction: each gives SQLITE_DONE,
    // or the code that stopped it.
    int WriteRows(const std::deque<Pending>& batch);
    int WriteUseMarks(const std::vector<std::string>& touched);
    int WriteFigures(const SearchFigures& figures);
    // The bound of the file's size now (from the settings, or the room).
    int64_t SizeLimit(int64_t fileBytes) const;
    void KeepBelowLimit();
    void SetAsideDamagedFile();
    // For a read-only cache: true when the file is no longer what it was when
    // opened (another program writes it in place, or replaced it).
    bool ChangedSinceOpened() const;

    TextCacheSettings m_settings;
    // A read-only cache's file when opened: its identity, size and times.
    uint64_t m_openedInode = 0;
    int64_t m_openedSize = -1;
    int64_t m_openedChangeNanos = 0;
    std::atomic<bool> m_usable{false};
    std::atomic<bool> m_damaged{false};
    std::atomic<int64_t> m_lookups{0};
    std::atomic<int64_t> m_hits{0};
    int64_t m_now = 0;  // microseconds, when the cache was opened: when its hits were used

    std::mutex m_problemMutex;
    std::string m_problem;
    bool m_problemTold = false;
    std::string m_remark;

    std::mutex m_readerMutex;
    std::vector<std::unique_ptr<Reader>> m_readers;

    sqlite3* m_writer = nullptr;
    std::unique_ptr<WriterStatements> m_statements;
    std::mutex m_queueMutex;
    std::condition_variable m_work;     // the writer waits for rows, marks, figures or a stop
    std::condition_variable m_written;  // Flush waits for the writer to be done
    std::deque<Pending> m_queue;
    std::vector<std::string> m_touched;  // paths of rows found in use, to mark as used now
    size_t m_queuedBytes = 0;
    std::optional<SearchFigures> m_figures;  // the last search's, waiting to be written
    bool m_writing = false;                  // the writer holds a batch
    int m_flushing = 0;                      // callers waiting in Flush: no gathering
    bool m_stopping = false;
    std::thread m_writerThread;
};

#pragma once

#include <atomic>
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
    // The file is kept below this size: the rows used least recently go first.
    int64_t sizeLimit = int64_t{512} << 20;
    // Rollback journal instead of write-ahead log: for a file that is built
    // once and then renamed into place for readers.
    bool rollbackJournal = false;

    bool operator==(const TextCacheSettings&) const = default;
};

// The cache file in the user's cache folder
// ($XDG_CACHE_HOME/plotsieve/text-cache.sqlite); empty when there is none.
std::string DefaultTextCachePath();

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
    // `signature`, a blob the cache only stores and hands to a SignatureTest. Returns at
    // once: the writer thread commits it with others. Dropped when the cache
    // never writes, is unusable, or is too far behind.
    void Store(const std::string& path, const DrawingVersion& version, ExtractedText text,
               std::string signature);

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
    // time) into a new file `to`, private to the user. False, leaving no file,
    // when `from` cannot be read as a cache.
    static bool Copy(const std::string& from, const std::string& to);

  private:
    struct Reader;
    struct Pending {
        std::string path;
        DrawingVersion version;
        ExtractedText text;
        std::string signature;
    };

    // The lookups and hits of a search, for `cache stats`.
    struct SearchFigures {
        int64_t lookups = 0;
        int64_t hits = 0;
    };

    sqlite3* OpenConnection(bool forWriting);
    bool Open();
    // Makes the file and its folder, the owner's alone. False (and failed)
    // when either cannot be made.
    bool CreatePrivateFile();
    // Sets up the writer's file (log, tables), starting it over when it is
    // new or of another layout; an SQLite code.
    int PrepareTables();
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
    void KeepBelowLimit();
    void SetAsideDamagedFile();

    TextCacheSettings m_settings;
    std::atomic<bool> m_usable{false};
    std::atomic<bool> m_damaged{false};
    std::atomic<int64_t> m_lookups{0};
    std::atomic<int64_t> m_hits{0};
    int64_t m_now = 0;  // microseconds, when the cache was opened: when its hits were used

    std::mutex m_problemMutex;
    std::string m_problem;
    bool m_problemTold = false;

    std::mutex m_readerMutex;
    std::vector<std::unique_ptr<Reader>> m_readers;

    sqlite3* m_writer = nullptr;
    std::mutex m_queueMutex;
    std::condition_variable m_queueChanged;
    std::deque<Pending> m_queue;
    std::vector<std::string> m_touched;  // paths of rows found in use, to mark as used now
    size_t m_queuedBytes = 0;
    std::optional<SearchFigures> m_figures;  // the last search's, waiting to be written
    bool m_writing = false;                  // the writer holds a batch
    bool m_stopping = false;
    std::thread m_writerThread;
};

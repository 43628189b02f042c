#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/index_search.h"
#include "cli/office_program.h"
#include "cli/result_output.h"
#include "cli/search_options.h"
#include "cli/stop_signals.h"
#include "cli/unicode_text.h"
#include "match/keywords.h"
#include "platform/encoding.h"
#include "platform/file_status.h"
#include "platform/folder_listing.h"
#include "search/criteria_text.h"
#include "search/drawing_types.h"
#include "search/extract_text.h"
#include "search/search_session.h"

namespace {

// The running search, which a stop signal stops at once (StopSearch only
// sets a lock-free atomic flag, which a signal handler may do).
std::atomic<SearchSession*> g_session{nullptr};
// The same for a search of the office index (a lock-free flag too).
std::atomic<bool> g_stopIndexSearch{false};

void StopRunningSearch() {
    g_stopIndexSearch.store(true);
    if (SearchSession* session = g_session.load()) session->StopSearch();
}

// Paths as the user sees them: relative to the current folder when the place
// was given relative, as ripgrep and fd print them.
class PathShower {
  public:
    explicit PathShower(const SearchOptions& options) {
        if (options.place == kAllDrivesPlace || options.place.empty() ||
            options.place[0] == kPathSeparator) {
            return;
        }
        m_absolute = AbsolutePath(options.place);
        if (!options.placeGiven) return;  // "a.dxf", not "./a.dxf"
        m_prefix = options.place;
    }

    std::string Show(const std::string& path) const {
        if (m_absolute.empty() || path.compare(0, m_absolute.size(), m_absolute) != 0) return path;
        if (path.size() == m_absolute.size()) return m_prefix.empty() ? "." : m_prefix;
        std::string rest = path.substr(m_absolute.size());
        if (m_absolute.back() != kPathSeparator) {
            if (rest[0] != kPathSeparator) return path;
            rest.erase(0, 1);
        }
        if (m_prefix.empty()) return rest;
        return m_prefix.back() == kPathSeparator ? m_prefix + rest
                                                 : m_prefix + kPathSeparator + rest;
    }

  private:
    std::string m_absolute;  // the place as the search walks it
    std::string m_prefix;    // what stands for it in the output
};

// The command line's front end: rows go to stdout as they are found (at the
// end when sorted), progress to stderr on one rewritten line when stderr is
// a terminal, skipped folders and files to stderr as they are met.
class CommandLineFrontEnd : public SearchFrontEnd {
  public:
    CommandLineFrontEnd(const SearchOptions& options, const PathShower& shower,
                        ResultWriter& writer, OutputStream& out)
        : m_options(options),
          m_shower(shower),
          m_writer(writer),
          m_out(out),
          m_live(isatty(STDERR_FILENO) && !options.quiet),
          m_rowsOnTerminal(isatty(STDOUT_FILENO)) {}

    std::string KeywordText() override { return m_keyword; }
    bool IncludeSubfolders() override { return m_options.subfolders; }
    DateCriterion DateLimits() override { return m_options.date; }
    SizeCriterion SizeLimits() override { return m_options.size; }

    void PostStatus(const SearchStatus& status) override {
        std::lock_guard lock(m_outputMutex);
        if (m_abandoned || m_out.Failed()) return;  // the reader has gone: end quietly
        if (m_options.timing) NoteTiming(status.phase);
        if (status.phase == SearchPhase::Cancelled) {
            cancelled = true;
            std::fprintf(stderr, "%s%s\n", m_live ? "\r\x1b[K" : "", status.text.c_str());
        } else if (status.phase == SearchPhase::Done) {
            if (!m_options.quiet) {
                std::fprintf(stderr, "%s%s\n", m_live ? "\r\x1b[K" : "", status.text.c_str());
            }
        } else if (m_live) {
            std::fprintf(stderr, "\r\x1b[K%s", status.text.c_str());
            m_progressShown = true;
        }
        std::fflush(stderr);
    }
    void LoadTypeIcon(int, const std::string&) override {}
    void AddResultRow(ResultRecord record, int) override {
        std::lock_guard lock(m_outputMutex);
        ++hits;
        if (m_abandoned || !m_lastPass || m_out.Failed()) return;
        if (m_options.sort) {
            rows.push_back(std::move(record));
            return;
        }
        if (m_rowsOnTerminal) ClearProgress();
        m_writer.Row(record, m_shower.Show(record.fullPath));
        m_out.Flush();
        if (m_out.Failed()) outputFailed.store(true);
    }
    void EndNarrowingMode() override {}
    void ReportNotice(const std::string& text) override {
        std::lock_guard lock(m_outputMutex);
        if (m_abandoned || m_out.Failed()) return;
        ClearProgress();
        std::fprintf(stderr, "plotsieve-cli: %s\n", text.c_str());
    }
    void ReportSkipped(const std::string& path, const std::string& reason) override {
        std::lock_guard lock(m_outputMutex);
        skipped = true;
        if (m_abandoned || m_out.Failed()) return;
        ClearProgress();
        std::fprintf(stderr, "plotsieve-cli: %s: %s\n", m_shower.Show(path).c_str(),
                     reason.c_str());
    }

    void SearchEnded() override {
        std::lock_guard lock(m_endMutex);
        m_ended = true;
        m_endChanged.notify_all();
    }

    void StartPass(std::string keyword, bool lastPass) {
        m_keyword = std::move(keyword);
        m_lastPass = lastPass;
        hits = 0;
        cancelled = false;
        std::lock_guard lock(m_endMutex);
        m_ended = false;
    }

    // Waits at most `wait` for the pass to end; true once it has.
    bool WaitForEnd(std::chrono::milliseconds wait) {
        std::unique_lock lock(m_endMutex);
        return m_endChanged.wait_for(lock, wait, [this] { return m_ended; });
    }

    // What follows the rows once the search has ended: with --sort the rows,
    // in order and aligned as a whole; the array's "]".
    void FinishOutput() {
        std::lock_guard lock(m_outputMutex);
        FinishOutputLocked();
    }

    // Ends the output while the search may still run, for a second stop
    // signal: the row being written is finished, later rows and reports are
    // dropped, the output is closed as FinishOutput closes it and the cancel
    // text follows (unless the search gave it already).
    void Abandon() {
        std::lock_guard lock(m_outputMutex);
        m_abandoned = true;
        FinishOutputLocked();
        if (!cancelled && !m_out.Failed()) {
            ClearProgress();
            std::fprintf(stderr, "%s\n", CancelledStatus(SEARCH_STATUS_CANCELLED).text.c_str());
        }
        std::fflush(stderr);
    }

    std::vector<ResultRecord> rows;  // the last pass's hits, kept for sorting
    int64_t hits = 0;                // the current pass's hits
    bool cancelled = false;
    bool skipped = false;
    std::atomic<bool> outputFailed{false};

  private:
    using Clock = std::chrono::steady_clock;

    void FinishOutputLocked() {
        if (m_options.sort) {
            std::stable_sort(rows.begin(), rows.end(),
                             [key = *m_options.sort](const ResultRecord& a, const ResultRecord& b) {
                                 return CompareResultRecords(a, b, key) < 0;
                             });
            for (const ResultRecord& row : rows) m_writer.Fit(row, m_shower.Show(row.fullPath));
            for (const ResultRecord& row : rows) m_writer.Row(row, m_shower.Show(row.fullPath));
        }
        m_writer.End();
        m_out.Flush();
    }

    // Held while a row or a report is written, so that a row is never cut.
    std::mutex m_outputMutex;
    bool m_abandoned = false;
    std::mutex m_endMutex;
    std::condition_variable m_endChanged;
    bool m_ended = false;

    void ClearProgress() {
        if (!m_progressShown) return;
        std::fputs("\r\x1b[K", stderr);
        m_progressShown = false;
    }

    // With --timing: how long the collecting and testing phases took.
    void NoteTiming(SearchPhase phase) {
        Clock::time_point now = Clock::now();
        auto seconds = [](Clock::duration d) { return std::chrono::duration<double>(d).count(); };
        bool final = phase == SearchPhase::Done || phase == SearchPhase::Cancelled;
        if (phase == SearchPhase::Collecting) {
            if (!m_collecting) m_collectStart = now;
            m_collecting = true;
        } else if (!m_testStarted) {
            m_testStarted = true;
            m_testStart = now;
            ClearProgress();
            std::fprintf(stderr, "collecting: %.3f s\n", seconds(now - m_collectStart));
        }
        if (final) {
            m_collecting = false;
            ClearProgress();
            std::fprintf(stderr, "testing: %.3f s\n", seconds(now - m_testStart));
            m_testStarted = false;
            m_collectStart = now;
        }
    }

    Clock::time_point m_collectStart = Clock::now();
    Clock::time_point m_testStart;
    bool m_testStarted = false;
    bool m_collecting = false;
    const SearchOptions& m_options;
    const PathShower& m_shower;
    ResultWriter& m_writer;
    OutputStream& m_out;
    std::string m_keyword;
    bool m_lastPass = true;
    bool m_live;
    bool m_rowsOnTerminal;
    bool m_progressShown = false;
};

// The keyword in CP932 (KeywordToCp932); nothing, with a message, when CP932
// cannot hold it.
std::optional<std::string> KeywordInCp932(const std::string& utf8) {
    std::optional<std::string> cp932 = KeywordToCp932(utf8);
    if (!cp932) {
        std::fprintf(stderr,
                     "plotsieve-cli: the keyword \"%s\" holds characters that drawings in CP932 "
                     "(Shift-JIS) cannot contain; it could never match\n",
                     utf8.c_str());
    }
    return cp932;
}

// A place that is missing, or a file that is no drawing of the chosen types,
// is refused before the search starts, with the reason.
bool CheckPlace(const SearchOptions& options) {
    if (options.place.empty() || options.place == kAllDrivesPlace) return true;
    ReadResult<FileStatus> status = ReadFileStatus(options.place);
    if (!status) {
        std::fprintf(stderr, "plotsieve-cli: %s: %s\n", options.place.c_str(),
                     status.Error().reason.c_str());
        return false;
    }
    if (status->isFolder || IsDrawingPath(options.place, options.typeMask)) return true;
    std::fprintf(stderr, "plotsieve-cli: %s: not a folder, nor a drawing of the chosen types\n",
                 options.place.c_str());
    return false;
}

// The keyword and each --and keyword in CP932; nothing, with a message, when
// one of them cannot be.
std::optional<std::vector<std::string>> KeywordsInCp932(const SearchOptions& options) {
    std::vector<std::string> keywords{options.keyword};
    keywords.insert(keywords.end(), options.andKeywords.begin(), options.andKeywords.end());
    std::vector<std::string> cp932Keywords;
    for (const std::string& keyword : keywords) {
        std::optional<std::string> cp932 = KeywordInCp932(keyword);
        if (!cp932) return std::nullopt;
        // Spaces are left out on both sides and "|" parts pieces: a text of
        // those alone leaves no piece, which matches nothing. An empty text
        // is the one that lists every drawing.
        if (PrepareKeywords(*cp932).empty()) {
            std::fprintf(stderr,
                         "plotsieve-cli: the keyword \"%s\" holds nothing but spaces and \"|\"; it "
                         "could never match (leave -k out, or give -k '', to list every "
                         "drawing)\n",
                         keyword.c_str());
            return std::nullopt;
        }
        cp932Keywords.push_back(*cp932);
    }
    return cp932Keywords;
}

// A stop signal stops the search (cli/stop_signals.h); a closed pipe shows as
// EPIPE on the write, which ends the search quietly.
void CatchSignals() {
    CatchStopSignals(StopRunningSearch);
    signal(SIGPIPE, SIG_IGN);
}

// Runs one pass and waits for it, passing a stop signal and a failed output
// on as a stop request. A second stop signal ends the output and the process
// at once, without waiting for the search to wind down. Returns false when
// the pass was refused.
bool RunPass(SearchSession& session, const SearchRequest& request, CommandLineFrontEnd& frontEnd) {
    StartResult result = session.StartSearch(request);
    if (result != StartResult::Started) {
        std::fprintf(stderr, "plotsieve-cli: %s\n", StartRefusalMessage(result).c_str());
        return false;
    }
    // The end wakes this at once; signals and a failed output are looked at
    // every 20 ms meanwhile.
    while (!frontEnd.WaitForEnd(std::chrono::milliseconds(20))) {
        if (StopSignalCount() > 0 || frontEnd.outputFailed.load()) session.StopSearch();
        if (StopSignalCount() > 1) {
            frontEnd.Abandon();
            std::_Exit(EndBySignal(StopSignal()));
        }
    }
    session.Wait();
    return true;
}

// The exit of a failed output: quiet for a reader that has gone (as after
// `| head -1`), a message and 2 for anything else (a full disk).
int OutputFailure(const OutputStream& out) {
    if (out.Error() == EPIPE) return 0;
    std::fprintf(stderr, "plotsieve-cli: cannot write the results: %s\n",
                 std::strerror(out.Error()));
    return 2;
}

// Runs the search and then each narrowing pass, as long as the last one had
// hits. Returns false when a pass was refused.
bool RunPasses(SearchSession& session, const SearchOptions& options,
               const std::vector<std::string>& cp932Keywords, CommandLineFrontEnd& frontEnd,
               const OutputStream& out) {
    bool refused = false;
    for (size_t pass = 0; pass < cp932Keywords.size() && StopSignal() == 0; ++pass) {
        frontEnd.StartPass(cp932Keywords[pass], pass + 1 == cp932Keywords.size());
        SearchRequest request{
            .place = options.place, .typeMask = options.typeMask, .narrow = pass > 0};
        if (!RunPass(session, request, frontEnd)) {
            refused = true;
            break;
        }
        if (frontEnd.cancelled || out.Failed() || frontEnd.hits == 0) break;
    }
    return !refused;
}

// With --index: the office index's rows, through the front end as a search's
// rows come, and its final status. False when the index could not be
// searched (the message is out).
bool SearchIndexPasses(const SearchOptions& options, const std::vector<std::string>& cp932Keywords,
                       CommandLineFrontEnd& frontEnd, const OutputStream& out) {
    frontEnd.StartPass(cp932Keywords.back(), true);
    IndexSearchRun run = SearchOfficeIndex(
        options, cp932Keywords,
        [&](ResultRecord record) {
            const DrawingType* type = DrawingTypeOfPath(record.fullPath);
            frontEnd.AddResultRow(std::move(record), type != nullptr ? type->iconSlot : -1);
            return !out.Failed();
        },
        g_stopIndexSearch);
    if (run.failed) return false;
    frontEnd.PostStatus(run.cancelled ? CancelledStatus(SEARCH_STATUS_CANCELLED)
                                      : DoneStatus(run.hits));
    return true;
}

// Hands what is buffered to stdout's reader and closes it, so that the reader
// sees the end of the output now while the program still works; stdout goes
// to /dev/null from then on.
void LetOutputGo() {
    std::fflush(stdout);
    int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0) return;
    dup2(null, STDOUT_FILENO);
    close(null);
}

// The exit status once every row is out: stopped, skipped, none, hits.
int FinalStatus(const CommandLineFrontEnd& frontEnd) {
    // Stopped: the cancel text is out; end as the signal would have, so that
    // a shell loop around the command (or timeout) sees it.
    if (int signal = StopSignal()) return EndBySignal(signal);
    if (frontEnd.cancelled) return 128 + SIGINT;
    if (frontEnd.skipped) return 2;
    return frontEnd.hits == 0 ? 1 : 0;
}

}  // namespace

int RunSearchCommand(int argc, char** argv) {
    SearchCommandLine line = ParseSearchCommandLine(argc, argv);
    const CommandDef& command = FindCommand(CommandId::Search);
    switch (line.action) {
        case SearchCommandLine::Action::Help:
            return PrintHelp(command);
        case SearchCommandLine::Action::Version:
            return PrintVersion();
        case SearchCommandLine::Action::UsageError:
            return ReportUsageError(command, line.error);
        case SearchCommandLine::Action::Search:
            break;
    }
    const SearchOptions& options = line.options;
    std::optional<std::vector<std::string>> cp932Keywords = KeywordsInCp932(options);
    if (!cp932Keywords || !CheckPlace(options)) return 2;
    if (!options.indexUrl.empty() && !OfficePartsBuiltIn()) return HandOverToOfficeProgram();
    CatchSignals();

    OutputStream out(stdout);
    PathShower shower(options);
    bool header = options.format == OutputFormat::Table && isatty(STDOUT_FILENO);
    ResultWriter writer(options.format, header, options.showMatch, out);
    CommandLineFrontEnd frontEnd(options, shower, writer, out);
    bool ran = false;
    if (!options.indexUrl.empty()) {
        writer.Begin();
        ran = SearchIndexPasses(options, *cp932Keywords, frontEnd, out);
        if (ran && !out.Failed()) frontEnd.FinishOutput();
    } else {
        SearchSession session(frontEnd, options.threads);
        session.UseTextCache(CacheSettingsOf(options));
        g_session.store(&session);
        writer.Begin();
        ran = RunPasses(session, options, *cp932Keywords, frontEnd, out);
        if (ran && !out.Failed()) frontEnd.FinishOutput();
        // Every row is out: the output's reader is let go before the text
        // cache reads the drawings the search passed over (its prefilter
        // ruled them out), unless the search was stopped. A stop signal
        // stops that.
        if (ran && !out.Failed() && !frontEnd.cancelled && StopSignal() == 0) {
            LetOutputGo();
            session.FinishFilling();
        }
        g_session.store(nullptr);
    }
    if (!ran) return 2;
    if (out.Failed()) return OutputFailure(out);
    return FinalStatus(frontEnd);
}

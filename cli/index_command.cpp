// plotsieve-cli index: every drawing under a place read into the text cache.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>

#include "cache/text_cache.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/common_options.h"
#include "cli/office_index.h"
#include "cli/stop_signals.h"
#include "platform/file_status.h"
#include "search/search_session.h"

namespace {

// The running index, which a stop signal stops (StopSearch only sets a
// lock-free atomic flag, which a signal handler may do).
std::atomic<SearchSession*> g_session{nullptr};

void StopRunningIndex() {
    if (SearchSession* session = g_session.load()) session->StopSearch();
}

// Progress on one rewritten line when stderr is a terminal; skipped files
// and the cache's problems as they come.
class IndexFrontEnd : public SearchFrontEnd {
  public:
    IndexFrontEnd(bool subfolders, bool quiet)
        : m_subfolders(subfolders), m_live(!quiet && isatty(STDERR_FILENO)) {}

    std::string KeywordText() override { return {}; }
    bool IncludeSubfolders() override { return m_subfolders; }
    DateCriterion DateLimits() override { return {}; }
    SizeCriterion SizeLimits() override { return {}; }
    void PostStatus(const SearchStatus& status) override {
        if (status.phase == SearchPhase::Testing) tested = status.tested;
        if (status.phase == SearchPhase::Cancelled) cancelled = true;
        if (status.phase == SearchPhase::Cancelled || status.phase == SearchPhase::Done) {
            std::lock_guard lock(m_endMutex);
            m_ended = true;
            m_endChanged.notify_all();
        }
        if (m_live && status.phase != SearchPhase::Done) {
            std::fprintf(stderr, "\r\x1b[K%s", status.text.c_str());
            std::fflush(stderr);
        }
    }
    void LoadTypeIcon(int, const std::string&) override {}
    void AddResultRow(ResultRecord, int) override {}
    void EndNarrowingMode() override {}
    void ReportNotice(const std::string& text) override {
        problem = true;
        Say(text);
    }
    void ReportRemark(const std::string& text) override { Say(text); }
    void ReportSkipped(const std::string& path, const std::string& reason) override {
        skipped = true;
        Say(path + ": " + reason);
    }
    void Finish() {
        if (m_live) std::fputs("\r\x1b[K", stderr);
    }
    // Waits at most `wait` for the index to end; true once it has.
    bool WaitForEnd(std::chrono::milliseconds wait) {
        std::unique_lock lock(m_endMutex);
        return m_endChanged.wait_for(lock, wait, [this] { return m_ended; });
    }

    int64_t tested = 0;
    bool cancelled = false;
    bool skipped = false;
    bool problem = false;

  private:
    void Say(const std::string& text) {
        std::fprintf(stderr, "%splotsieve-cli: %s\n", m_live ? "\r\x1b[K" : "", text.c_str());
    }
    bool m_subfolders;
    bool m_live;
    std::mutex m_endMutex;
    std::condition_variable m_endChanged;
    bool m_ended = false;
};

struct IndexOptions : CommonOptions {
    std::string place = ".";
    // --to: the office index's connection, and its options; empty: the text cache.
    OfficeIndexOptions office;
};

// What the arguments after "index" ask for.
struct IndexCommandLine {
    enum class Action { Index, Help, UsageError };
    Action action = Action::Index;
    IndexOptions options;
    std::string error;  // the usage error's message
};

IndexCommandLine ParseIndexCommandLine(int argc, char** argv) {
    IndexCommandLine line;
    auto refuse = [&line](std::string message) {
        line.action = IndexCommandLine::Action::UsageError;
        line.error = std::move(message);
        return line;
    };
    OptionScanner scanner(FindCommand(CommandId::Index), argc, argv);
    bool rescanGiven = false;
    for (OptionStep step = scanner.Next(); step.kind != OptionStep::Kind::End;
         step = scanner.Next()) {
        if (step.kind == OptionStep::Kind::UsageError) return refuse(step.error);
        if (step.id == OptionId::Help) {
            line.action = IndexCommandLine::Action::Help;
            return line;
        }
        OfficeIndexOptions& office = line.options.office;
        if (step.id == OptionId::To) {
            if (step.value.empty())
                return refuse("--to needs a connection (a URI or connection string)");
            office.url = step.value;
            continue;
        }
        if (step.id == OptionId::Watch) {
            office.watch = true;
            continue;
        }
        if (step.id == OptionId::Rescan) {
            std::optional<int64_t> minutes = ParsePositive(step.value);
            if (!minutes || *minutes > 24 * 60)
                return refuse("--rescan needs minutes from 1 to 1440");
            office.rescanMinutes = static_cast<int>(*minutes);
            rescanGiven = true;
            continue;
        }
        // Every other option of index is one it shares with search.
        if (std::optional<std::string> error =
                ApplyCommonOption(step.id, step.value, line.options)) {
            return refuse(*error);
        }
    }
    std::vector<std::string> operands = scanner.Operands();
    OfficeIndexOptions& office = line.options.office;
    if (office.url.empty()) {
        if (office.watch) return refuse("--watch needs --to");
        if (operands.size() > 1) return refuse("one PLACE at most (several with --to)");
    } else if (!line.options.cacheFile.empty()) {
        return refuse("--to writes the office index: --cache does not apply");
    }
    if (rescanGiven && !office.watch) return refuse("--rescan needs --watch");
    if (!operands.empty()) line.options.place = operands.front();
    office.places = operands.empty() ? std::vector<std::string>{"."} : operands;
    office.typeMask = line.options.typeMask;
    office.subfolders = line.options.subfolders;
    office.threads = line.options.threads;
    office.quiet = line.options.quiet;
    return line;
}

// The file an index run with --cache builds beside `target` before renaming
// it into place, and SQLite's journal beside that.
std::string NewFileOf(const std::string& target, pid_t pid) {
    return target + ".new-" + std::to_string(pid);
}
std::string JournalOf(const std::string& file) { return file + "-journal"; }

void RemoveNewFile(const std::string& file) {
    std::remove(file.c_str());
    std::remove(JournalOf(file).c_str());
}

// Removes what runs that have ended without cleaning up (SIGKILL, a power
// cut) left beside `target`: TARGET.new-PID and its journal, where no
// process PID lives. A live PID (a run under way, or a number reused) keeps
// its files.
void RemoveLeftovers(const std::string& target) {
    namespace fs = std::filesystem;
    fs::path targetPath(target);
    fs::path folder = targetPath.has_parent_path() ? targetPath.parent_path() : fs::path(".");
    std::string prefix = targetPath.filename().string() + ".new-";
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        std::string rest = name.substr(prefix.size());
        const std::string journal = "-journal";
        if (rest.size() > journal.size() &&
            rest.compare(rest.size() - journal.size(), journal.size(), journal) == 0) {
            rest.resize(rest.size() - journal.size());
        }
        if (rest.empty() || rest.find_first_not_of("0123456789") != std::string::npos ||
            rest.size() > 9) {
            continue;
        }
        pid_t pid = static_cast<pid_t>(std::stol(rest));
        if (pid <= 0 || pid == getpid()) continue;
        if (kill(pid, 0) == 0 || errno != ESRCH) continue;  // alive, or not ours to tell
        std::error_code ignored;
        fs::remove(it->path(), ignored);
    }
}

// `path`, or the file it leads to when it is a symbolic link (through every
// link, the last may lead to no file yet).
std::string LinkTarget(const std::string& path) {
    namespace fs = std::filesystem;
    fs::path current(path);
    std::error_code error;
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(current, error)); ++hops) {
        fs::path next = fs::read_symlink(current, error);
        if (error) break;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return current.string();
}

// Where the index writes. A named file is built anew beside itself (from its
// rows, when it has some) and renamed into place at the end; the user's own
// cache is filled where it is.
TextCacheSettings CacheToFill(const IndexOptions& options, const std::string& target) {
    TextCacheSettings settings{target};
    if (options.cacheFile.empty()) return settings;
    RemoveLeftovers(target);
    settings.path = NewFileOf(target, getpid());
    settings.rollbackJournal = true;
    // For the users who search it: readable by whoever may enter its folder
    // (0644 less the umask), a mode the rename keeps.
    settings.readableByOthers = true;
    if (ReadFileStatus(target) && !TextCache::Copy(target, settings.path, true)) {
        std::fprintf(stderr, "plotsieve-cli: %s: not a text cache; it is built anew\n",
                     target.c_str());
    }
    return settings;
}

// Reads every drawing under the place into the cache. False when the engine
// refused to start (the message is out).
bool FillCache(const IndexOptions& options, const TextCacheSettings& settings,
               IndexFrontEnd& frontEnd) {
    SearchSession session(frontEnd, options.threads);
    session.UseTextCache(settings);
    g_session.store(&session);
    SearchRequest request{.place = options.place, .typeMask = options.typeMask, .fillCache = true};
    StartResult result = session.StartSearch(request);
    if (result != StartResult::Started) {
        g_session.store(nullptr);
        std::fprintf(stderr, "plotsieve-cli: %s\n", StartRefusalMessage(result).c_str());
        return false;
    }
    // A stop signal stops the index; a second one ends the program at once,
    // without the file being built (SQLite's writes into an unlinked file
    // are harmless).
    while (!frontEnd.WaitForEnd(std::chrono::milliseconds(20))) {
        if (StopSignalCount() > 0) session.StopSearch();
        if (StopSignalCount() > 1) {
            if (settings.rollbackJournal) RemoveNewFile(settings.path);
            frontEnd.Finish();
            std::_Exit(EndBySignal(StopSignal()));
        }
    }
    session.Wait();
    g_session.store(nullptr);
    session.UseTextCache(std::nullopt);  // everything written, the file closed
    return true;
}

}  // namespace

int RunIndexCommand(int argc, char** argv) {
    const CommandDef& command = FindCommand(CommandId::Index);
    IndexCommandLine line = ParseIndexCommandLine(argc, argv);
    if (line.action == IndexCommandLine::Action::Help) return PrintHelp(command);
    if (line.action == IndexCommandLine::Action::UsageError) {
        return ReportUsageError(command, line.error);
    }
    const IndexOptions& options = line.options;
    if (!options.office.url.empty()) return RunOfficeIndex(options.office);
    if (ReadResult<FileStatus> place = ReadFileStatus(options.place); !place) {
        std::fprintf(stderr, "plotsieve-cli: %s: %s\n", options.place.c_str(),
                     place.Error().reason.c_str());
        return 2;
    }
    std::string target = CacheFileOf(options.cacheFile);
    if (target.empty()) {
        std::fputs("plotsieve-cli: no cache folder (set HOME or XDG_CACHE_HOME)\n", stderr);
        return 2;
    }
    // A link named as the cache stays a link: the file it leads to is the
    // one built anew.
    target = LinkTarget(target);

    // A stop signal ends the run by that signal, with the file it was
    // building removed and the cache it was filling as the rows so far
    // left it.
    CatchStopSignals(StopRunningIndex);
    TextCacheSettings settings = CacheToFill(options, target);
    bool building = !options.cacheFile.empty();  // a new file, renamed onto the target
    IndexFrontEnd frontEnd(options.subfolders, options.quiet);
    bool filled = FillCache(options, settings, frontEnd);
    frontEnd.Finish();
    bool stopped = StopSignal() != 0 || frontEnd.cancelled;
    if (building) {
        bool replaced = filled && !stopped && !frontEnd.problem &&
                        std::rename(settings.path.c_str(), target.c_str()) == 0;
        if (!replaced) {
            // The new file never replaces the old one half made, nor stays
            // beside it.
            RemoveNewFile(settings.path);
            if (filled && !stopped) {
                std::fprintf(stderr, "plotsieve-cli: %s: not replaced\n", target.c_str());
            }
            if (int signal = StopSignal()) return EndBySignal(signal);
            return 2;
        }
    }
    if (int signal = StopSignal()) return EndBySignal(signal);
    if (!filled) return 2;
    if (!options.quiet) {
        std::fprintf(stderr, "%lld drawings in the text cache %s\n",
                     static_cast<long long>(frontEnd.tested), target.c_str());
    }
    return frontEnd.skipped || frontEnd.problem ? 2 : 0;
}

// plotsieve-cli index: every drawing under a place read into the text cache.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "cache/text_cache.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/common_options.h"
#include "platform/file_status.h"
#include "search/search_session.h"

namespace {

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
};

struct IndexOptions : CommonOptions {
    std::string place = ".";
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
    for (OptionStep step = scanner.Next(); step.kind != OptionStep::Kind::End;
         step = scanner.Next()) {
        if (step.kind == OptionStep::Kind::UsageError) return refuse(step.error);
        if (step.id == OptionId::Help) {
            line.action = IndexCommandLine::Action::Help;
            return line;
        }
        // Every other option of index is one it shares with search.
        if (std::optional<std::string> error =
                ApplyCommonOption(step.id, step.value, line.options)) {
            return refuse(*error);
        }
    }
    std::vector<std::string> operands = scanner.Operands();
    if (operands.size() > 1) return refuse("one PLACE at most");
    if (!operands.empty()) line.options.place = operands.front();
    return line;
}

// Where the index writes. A named file is built anew beside itself (from its
// rows, when it has some) and renamed into place at the end; the user's own
// cache is filled where it is.
TextCacheSettings CacheToFill(const IndexOptions& options, const std::string& target) {
    TextCacheSettings settings{target};
    if (options.cacheFile.empty()) return settings;
    settings.path = target + ".new-" + std::to_string(getpid());
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
    SearchRequest request{.place = options.place, .typeMask = options.typeMask, .fillCache = true};
    StartResult result = session.StartSearch(request);
    if (result != StartResult::Started) {
        std::fprintf(stderr, "plotsieve-cli: %s\n", StartRefusalMessage(result).c_str());
        return false;
    }
    session.Wait();
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

    TextCacheSettings settings = CacheToFill(options, target);
    bool building = !options.cacheFile.empty();  // a new file, renamed onto the target
    IndexFrontEnd frontEnd(options.subfolders, options.quiet);
    bool filled = FillCache(options, settings, frontEnd);
    frontEnd.Finish();
    if (building &&
        (!filled || frontEnd.problem || std::rename(settings.path.c_str(), target.c_str()) != 0)) {
        // The new file never replaces the old one half made, nor stays beside it.
        std::remove(settings.path.c_str());
        if (filled) std::fprintf(stderr, "plotsieve-cli: %s: not replaced\n", target.c_str());
        return 2;
    }
    if (!filled) return 2;
    if (!options.quiet) {
        std::fprintf(stderr, "%lld drawings in the text cache %s\n",
                     static_cast<long long>(frontEnd.tested), target.c_str());
    }
    return frontEnd.skipped || frontEnd.problem ? 2 : 0;
}

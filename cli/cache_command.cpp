// plotsieve-cli cache (stats, clear) and plotsieve-cli index: the text cache
// seen and filled from the command line.
#include <getopt.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "cache/text_cache.h"
#include "cli/commands.h"
#include "cli/option_errors.h"
#include "cli/search_options.h"
#include "platform/file_status.h"
#include "platform/fs.h"
#include "search/search_session.h"

namespace {

constexpr const char* kCacheUsage =
    "usage: plotsieve-cli cache stats|clear [--cache FILE]\n"
    "  stats          rows, the file's size and the hit rate of the last search\n"
    "  clear          empty the cache\n"
    "  --cache FILE   the cache's file (default: the user's cache folder)\n";

constexpr const char* kIndexUsage =
    "usage: plotsieve-cli index [OPTIONS] [PLACE]\n"
    "Reads every drawing under PLACE (default: the current folder) into the text cache,\n"
    "so that later searches need not read them. With --cache FILE, a new file is built\n"
    "and renamed onto FILE when done, so that searches reading FILE with\n"
    "--cache-read-only never see half a write.\n"
    "      --cache FILE        the cache's file (default: the user's cache folder)\n"
    "      --types LIST        any of dxf,dwg,jw,mcd,dra (default: all)\n"
    "      --no-subfolders     only the folder itself\n"
    "      --threads N         extraction threads (default: one per core)\n"
    "  -q, --quiet             no progress and no final count on stderr\n"
    "  -h, --help              print this help and exit\n";

// Progress on one rewritten line when stderr is a terminal; skipped files
// and the cache's problems as they come.
class IndexFrontEnd : public SearchFrontEnd {
  public:
    IndexFrontEnd(bool subfolders, bool quiet)
        : m_subfolders(subfolders), m_quiet(quiet), m_live(!quiet && isatty(STDERR_FILENO)) {}

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
    bool m_quiet;
    bool m_live;
};

std::string CacheFileOr(const std::string& given) {
    return given.empty() ? DefaultTextCachePath() : given;
}

}  // namespace

int RunCacheCommand(int argc, char** argv) {
    static const option kOptions[] = {{"cache", required_argument, nullptr, 'c'},
                                      {"help", no_argument, nullptr, 'h'},
                                      {nullptr, 0, nullptr, 0}};
    std::string file;
    optind = 0;
    opterr = 0;
    for (int code; (code = getopt_long(argc, argv, ":h", kOptions, nullptr)) != -1;) {
        if (code == 'h') {
            std::fputs(kCacheUsage, stdout);
            return std::fflush(stdout) == 0 ? 0 : 2;
        }
        if (code != 'c') {
            std::fprintf(stderr, "plotsieve-cli cache: %s\n%s",
                         (OptionInError(argc, argv, code == ':') +
                          (code == ':' ? " needs a value" : ": unknown option"))
                             .c_str(),
                         kCacheUsage);
            return 2;
        }
        file = optarg;
    }
    if (optind + 1 != argc) {
        std::fputs(kCacheUsage, stderr);
        return 2;
    }
    std::string action = argv[optind];
    file = CacheFileOr(file);
    if (file.empty()) {
        std::fputs("plotsieve-cli: no cache folder (set HOME or XDG_CACHE_HOME)\n", stderr);
        return 2;
    }
    if (action == "stats") {
        TextCacheStats stats;
        if (!ReadFileStatus(file)) {
            std::printf("cache: %s (none yet)\n", file.c_str());
            return std::fflush(stdout) == 0 ? 0 : 2;
        }
        if (!TextCache::ReadStats(file, stats)) {
            std::fprintf(stderr, "plotsieve-cli: %s: cannot be read as a text cache\n",
                         file.c_str());
            return 2;
        }
        std::printf("cache: %s\nrows: %lld\nsize: %lld bytes\n", file.c_str(),
                    static_cast<long long>(stats.rows), static_cast<long long>(stats.fileBytes));
        if (stats.lastLookups > 0) {
            std::printf("last search: %lld of %lld drawings from the cache (%.1f %%)\n",
                        static_cast<long long>(stats.lastHits),
                        static_cast<long long>(stats.lastLookups),
                        100.0 * static_cast<double>(stats.lastHits) /
                            static_cast<double>(stats.lastLookups));
        } else {
            std::printf("last search: none\n");
        }
        return std::fflush(stdout) == 0 ? 0 : 2;
    }
    if (action == "clear") {
        if (!ReadFileStatus(file)) return 0;  // nothing to clear
        if (!TextCache::Clear(file)) {
            std::fprintf(stderr, "plotsieve-cli: %s: cannot be cleared\n", file.c_str());
            return 2;
        }
        return 0;
    }
    std::fprintf(stderr, "plotsieve-cli cache: unknown action '%s'\n%s", action.c_str(),
                 kCacheUsage);
    return 2;
}

int RunIndexCommand(int argc, char** argv) {
    static const option kOptions[] = {{"cache", required_argument, nullptr, 'c'},
                                      {"types", required_argument, nullptr, 't'},
                                      {"no-subfolders", no_argument, nullptr, 'n'},
                                      {"threads", required_argument, nullptr, 'j'},
                                      {"quiet", no_argument, nullptr, 'q'},
                                      {"help", no_argument, nullptr, 'h'},
                                      {nullptr, 0, nullptr, 0}};
    std::string given;
    unsigned types = TYPE_ALL;
    bool subfolders = true;
    bool quiet = false;
    unsigned threads = 0;
    optind = 0;
    opterr = 0;
    auto usageError = [](const std::string& message) {
        std::fprintf(stderr, "plotsieve-cli index: %s\n%s", message.c_str(), kIndexUsage);
        return 2;
    };
    for (int code; (code = getopt_long(argc, argv, ":qh", kOptions, nullptr)) != -1;) {
        std::string value = optarg ? optarg : "";
        switch (code) {
            case 'c':
                given = value;
                break;
            case 't': {
                std::optional<unsigned> mask = ParseTypes(value);
                if (!mask) return usageError("unknown type in --types: " + value);
                types = *mask;
                break;
            }
            case 'n':
                subfolders = false;
                break;
            case 'j': {
                char* end = nullptr;
                unsigned long n = std::strtoul(value.c_str(), &end, 10);
                if (value.empty() || *end != '\0' || n == 0 || n > 256) {
                    return usageError("--threads needs a number from 1 to 256");
                }
                threads = static_cast<unsigned>(n);
                break;
            }
            case 'q':
                quiet = true;
                break;
            case 'h':
                std::fputs(kIndexUsage, stdout);
                return std::fflush(stdout) == 0 ? 0 : 2;
            case ':':
                return usageError(OptionInError(argc, argv, true) + " needs a value");
            default:
                return usageError("unknown option: " + OptionInError(argc, argv, false));
        }
    }
    if (argc - optind > 1) return usageError("one PLACE at most");
    std::string place = optind < argc ? argv[optind] : ".";
    std::optional<FileStatus> status = ReadFileStatus(place);
    if (!status) {
        std::fprintf(stderr, "plotsieve-cli: %s: %s\n", place.c_str(), LastReadError().c_str());
        return 2;
    }
    std::string target = CacheFileOr(given);
    if (target.empty()) {
        std::fputs("plotsieve-cli: no cache folder (set HOME or XDG_CACHE_HOME)\n", stderr);
        return 2;
    }

    // A named file is built anew beside itself (from its rows, when it has
    // some) and renamed into place at the end; the user's own cache is
    // filled where it is.
    TextCacheSettings settings{target};
    if (!given.empty()) {
        settings.path = target + ".new-" + std::to_string(getpid());
        settings.rollbackJournal = true;
        if (ReadFileStatus(target) && !TextCache::Copy(target, settings.path)) {
            std::fprintf(stderr, "plotsieve-cli: %s: not a text cache; it is built anew\n",
                         target.c_str());
        }
    }

    IndexFrontEnd frontEnd(subfolders, quiet);
    {
        SearchSession session(frontEnd, threads);
        session.UseTextCache(settings);
        SearchRequest request{.place = place, .typeMask = types, .fillCache = true};
        StartResult result = session.StartSearch(request);
        if (result != StartResult::Started) {
            std::fprintf(stderr, "plotsieve-cli: %s\n", StartRefusalMessage(result).c_str());
            return 2;
        }
        session.Wait();
        session.UseTextCache(std::nullopt);  // everything written, the file closed
    }
    frontEnd.Finish();
    if (!given.empty()) {
        if (frontEnd.problem || std::rename(settings.path.c_str(), target.c_str()) != 0) {
            std::remove(settings.path.c_str());
            std::fprintf(stderr, "plotsieve-cli: %s: not replaced\n", target.c_str());
            return 2;
        }
    }
    if (!quiet) {
        std::fprintf(stderr, "%lld drawings in the text cache %s\n",
                     static_cast<long long>(frontEnd.tested), target.c_str());
    }
    return frontEnd.skipped || frontEnd.problem ? 2 : 0;
}

// plotsieve-cli cache (stats, clear): the text cache's figures, and emptying it.
#include <getopt.h>

#include <cstdio>
#include <string>

#include "cache/text_cache.h"
#include "cli/commands.h"
#include "cli/option_errors.h"
#include "platform/file_status.h"
#include "platform/fs.h"

namespace {

constexpr const char* kCacheUsage =
    "usage: plotsieve-cli cache stats|clear [--cache FILE]\n"
    "  stats          rows, the file's size and the hit rate of the last search\n"
    "  clear          empty the cache\n"
    "  --cache FILE   the cache's file (default: the user's cache folder)\n";

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

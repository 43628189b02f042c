// plotsieve-cli cache (stats, clear): the text cache's figures, and emptying it.
#include <cstdio>
#include <string>

#include "cache/text_cache.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/common_options.h"
#include "platform/file_status.h"

namespace {

// Prints the cache's figures: its file, rows and size, and the last search's
// hits. 0, or 2 when the file is no text cache or the output fails.
int PrintStats(const std::string& file) {
    if (!ReadFileStatus(file)) {
        std::printf("cache: %s (none yet)\n", file.c_str());
        return std::fflush(stdout) == 0 ? 0 : 2;
    }
    TextCacheStats stats;
    if (!TextCache::ReadStats(file, stats)) {
        std::fprintf(stderr, "plotsieve-cli: %s: cannot be read as a text cache\n", file.c_str());
        return 2;
    }
    std::printf("cache: %s\nrows: %lld\nsize: %lld bytes\n", file.c_str(),
                static_cast<long long>(stats.rows), static_cast<long long>(stats.fileBytes));
    if (stats.lastLookups > 0) {
        std::printf(
            "last search: %lld of %lld drawings from the cache (%.1f %%)\n",
            static_cast<long long>(stats.lastHits), static_cast<long long>(stats.lastLookups),
            100.0 * static_cast<double>(stats.lastHits) / static_cast<double>(stats.lastLookups));
    } else {
        std::printf("last search: none\n");
    }
    return std::fflush(stdout) == 0 ? 0 : 2;
}

// Empties the cache; a cache that is not there is empty already.
int ClearCache(const std::string& file) {
    if (!ReadFileStatus(file)) return 0;
    if (!TextCache::Clear(file)) {
        std::fprintf(stderr, "plotsieve-cli: %s: cannot be cleared\n", file.c_str());
        return 2;
    }
    return 0;
}

}  // namespace

int RunCacheCommand(int argc, char** argv) {
    const CommandDef& command = FindCommand(CommandId::Cache);
    CommonOptions options;
    OptionScanner scanner(command, argc, argv);
    for (OptionStep step = scanner.Next(); step.kind != OptionStep::Kind::End;
         step = scanner.Next()) {
        if (step.kind == OptionStep::Kind::UsageError) return ReportUsageError(command, step.error);
        if (step.id == OptionId::Help) return PrintHelp(command);
        // --cache, read as search and index read it.
        if (std::optional<std::string> error = ApplyCommonOption(step.id, step.value, options)) {
            return ReportUsageError(command, *error);
        }
    }
    std::vector<std::string> operands = scanner.Operands();
    if (operands.size() != 1) return ReportUsageError(command, "give one action: stats or clear");
    std::string file = CacheFileOf(options.cacheFile);
    if (file.empty()) {
        std::fputs("plotsieve-cli: no cache folder (set HOME or XDG_CACHE_HOME)\n", stderr);
        return 2;
    }
    if (operands.front() == "stats") return PrintStats(file);
    if (operands.front() == "clear") return ClearCache(file);
    return ReportUsageError(command, "unknown action '" + operands.front() + "'");
}

#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cache/text_cache.h"
#include "results/sort.h"
#include "search/criteria.h"

enum class OutputFormat { Table, Tsv, Json, Paths, Paths0 };

struct SearchOptions {
    std::string place = ".";  // as typed; "." when none was given
    bool placeGiven = false;
    std::string keyword;                   // UTF-8 as typed; the pieces of several -k joined by "|"
    std::vector<std::string> andKeywords;  // narrowing passes, in order
    bool subfolders = true;
    unsigned typeMask = TYPE_ALL;
    DateCriterion date;
    SizeCriterion size;
    std::optional<SortKey> sort;
    OutputFormat format = OutputFormat::Table;
    unsigned threads = 0;
    bool timing = false;         // report the time of each phase on stderr
    bool quiet = false;          // no progress and no final count on stderr
    bool showMatch = false;      // a last cell with where each drawing matched
    bool useCache = true;        // keep and reuse extracted text in the text cache
    std::string cacheFile;       // the cache's file; empty: the user's cache folder
    bool cacheReadOnly = false;  // a cache another process writes: read it only
};

// The type mask of a --types list ("dxf,jw"); nothing for an unknown name.
std::optional<unsigned> ParseTypes(const std::string& list);

// The text cache the options ask for; nothing for --no-cache, or when there
// is no file for it (no cache folder).
std::optional<TextCacheSettings> CacheSettingsOf(const SearchOptions& options);

// What the arguments after "search" ask for.
struct SearchCommandLine {
    enum class Action { Search, Help, Version, UsageError };
    Action action = Action::Search;
    SearchOptions options;
    std::string error;  // the usage error's message
};

// Parses the arguments after "search" (argv[0] is "search" itself) in the
// GNU way: options and PLACE in any order, "--" ends the options, a long
// option's value after "=" or as the next argument, a short one's attached
// or next ("-k配置", "-k 配置").
SearchCommandLine ParseSearchCommandLine(int argc, char** argv);

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS]" or "YYYY-MM-DDTHH:MM[:SS]" in local
// time, or the last form followed by "Z" or an offset "+09:00" as the JSON
// output writes it. A date alone means its first second, or with `endOfDay`
// its last. Nothing for any other text or an impossible date.
std::optional<int64_t> ParseTimeArgument(const std::string& text, bool endOfDay);

extern const char* const kSearchUsage;

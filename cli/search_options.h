#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cache/text_cache.h"
#include "cli/common_options.h"
#include "cli/named_values.h"
#include "results/sort.h"
#include "search/criteria.h"

enum class OutputFormat { Table, Tsv, Json, Paths, Paths0 };

struct SearchOptions : CommonOptions {
    std::string place = ".";  // as typed; "." when none was given
    bool placeGiven = false;
    std::string keyword;                   // UTF-8 as typed; the pieces of several -k joined by "|"
    std::vector<std::string> andKeywords;  // narrowing passes, in order
    DateCriterion date;
    SizeCriterion size;
    std::optional<SortKey> sort;
    OutputFormat format = OutputFormat::Table;
    bool timing = false;         // report the time of each phase on stderr
    bool showMatch = false;      // a last cell with where each drawing matched
    bool useCache = true;        // keep and reuse extracted text in the text cache
    bool cacheReadOnly = false;  // a cache another process writes: read it only
    std::string indexUrl;        // search the office index there instead; empty: read the drawings
    std::vector<std::string> maps;  // each --map SRV=LOCAL, checked, as given
};

// The names --sort and --format take, in the order the usage lists them.
std::span<const NamedValue<SortKey>> SortKeyNames();
std::span<const NamedValue<OutputFormat>> FormatNames();

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
// GNU way (cli/command_line.h).
SearchCommandLine ParseSearchCommandLine(int argc, char** argv);

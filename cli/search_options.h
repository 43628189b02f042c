#pragma once

#include <optional>
#include <string>
#include <vector>

#include "results/sort.h"
#include "search/criteria.h"

enum class OutputFormat { Table, Tsv, Json, Paths0 };

struct SearchOptions {
    std::string place;
    std::string keyword;                   // UTF-8 as typed
    std::vector<std::string> andKeywords;  // narrowing passes, in order
    bool subfolders = true;
    unsigned typeMask = TYPE_ALL;
    DateCriterion date;
    SizeCriterion size;
    std::optional<SortKey> sort;
    OutputFormat format = OutputFormat::Table;
    unsigned threads = 0;
    bool timing = false;  // report the time of each phase on stderr
};

// Parses the arguments after "search". On a usage error gives nothing and
// sets `error` to the message.
std::optional<SearchOptions> ParseSearchOptions(const std::vector<std::string>& args,
                                                std::string& error);

// "YYYY-MM-DD[ HH:MM[:SS]]" in local time. A date alone means its first
// second, or with `endOfDay` its last.
std::optional<int64_t> ParseLocalTime(const std::string& text, bool endOfDay);

extern const char* const kSearchUsage;

#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cli/option_table.h"
#include "search/criteria.h"
#include "search/criteria_text.h"

// The options search and index share (--no-subfolders, --types, --threads,
// --quiet, --cache), read by the same code for both.
struct CommonOptions {
    bool subfolders = true;
    unsigned typeMask = TYPE_ALL;
    unsigned threads = 0;   // extraction threads; 0: one per core
    bool quiet = false;     // no progress and no final count on stderr
    std::string cacheFile;  // the cache's file; empty: the user's cache folder
};

// True for the options ApplyCommonOption takes.
bool IsCommonOption(OptionId id);

// Sets what one of the shared options asks for, from its value as given.
// Gives the usage error's message when the value is not one the option
// takes ("--threads needs a number from 1 to 256"), nothing when all is well.
std::optional<std::string> ApplyCommonOption(OptionId id, const std::string& value,
                                             CommonOptions& options);

// The cache's file: `given`, or when it is empty the user's cache file; empty
// when there is none (no cache folder).
std::string CacheFileOf(const std::string& given);

#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cli/search_options.h"
#include "results/result_record.h"

// What search --index did.
struct IndexSearchRun {
    int64_t hits = 0;
    bool cancelled = false;  // stopped by `cancel` (Ctrl-C)
    bool failed = false;     // the message is out: exit 2
};

// Searches the office index at options.indexUrl for the keywords (the
// search's, then each --and's, in CP932), under the place as the options
// give it (mapped with --map), with their dates, sizes and types: each hit
// goes to `row`, in the order a search reading the drawings gives them, with
// the row that search would make (`row` returning false stops). A server
// that is down or refuses, a database without an index and a place the index
// does not hold are said on stderr ("failed"), within the connection's and
// the query's time-outs.
IndexSearchRun SearchOfficeIndex(const SearchOptions& options,
                                 const std::vector<std::string>& cp932Keywords,
                                 const std::function<bool(ResultRecord)>& row,
                                 const std::atomic<bool>& cancel);

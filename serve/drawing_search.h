#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "results/result_record.h"
#include "search/criteria.h"
#include "search/front_end.h"
#include "serve/roots.h"

// What one search through the page asks, checked and converted: the same
// for every way of answering it (the engine on this machine, or the office
// index).
struct ServeQuery {
    const ServedRoot* root = nullptr;
    std::string folder;  // under the root, "/" between its parts; "" for the root itself
    std::string place;   // the folder's real path on this machine
    // CP932: the keyword text, then each narrowing text (an AND of OR searches).
    std::vector<std::string> keywords;
    bool subfolders = true;
    unsigned typeMask = TYPE_ALL;
    DateCriterion date;
    SizeCriterion size;

    // The same search: the same root (by identity) and criteria.
    bool operator==(const ServeQuery&) const = default;
};

// Where a running search reports. Called on the search's own threads, one
// call at a time, in the order of the search.
class SearchReceiver {
  public:
    virtual ~SearchReceiver() = default;
    // How far the search is, with the status text the window would show.
    virtual void Progress(const SearchStatus& status) = 0;
    // A hit of the last pass, in the order a local search gives them: its
    // record (fullPath on this machine, or empty) and its path under the
    // query's root.
    virtual void Row(const ResultRecord& record, const std::string& relativePath) = 0;
    // Something the user should know once, that does not stop the search.
    virtual void Notice(const std::string& text) = 0;
};

// How a search ended.
struct SearchOutcome {
    int64_t rows = 0;        // rows given to the receiver
    bool stopped = false;    // ended by the stop flag before it was done
    int64_t skipped = 0;     // folders and files that could not be read
    std::string refusal;     // a pass that could not start, in the window's words
    std::string statusText;  // the last status text ("N 枚見つかりました", the cancel text)
};

// A way of answering searches. Run may be called on several threads at once,
// each with a query of its own.
class DrawingSearch {
  public:
    virtual ~DrawingSearch() = default;
    // Runs `query` to its end, or until `stop` is set (looked at every few
    // tens of milliseconds), reporting to `receiver` meanwhile. Blocks.
    virtual SearchOutcome Run(const ServeQuery& query, SearchReceiver& receiver,
                              const std::atomic<bool>& stop) = 0;
};

#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "index/db_result.h"
#include "index/pg_connection.h"
#include "index/root_mapping.h"
#include "match/keywords.h"
#include "results/result_record.h"
#include "search/criteria.h"

// A search of the index: what a search with the same keywords, place and
// limits would be asked for.
struct IndexSearch {
    // The keyword pieces of the search, then of each narrowing search, in
    // order (PrepareKeywords): a drawing holds a piece of every list. The
    // last list tells where each drawing matched.
    std::vector<KeywordList> passes = {};
    // The place as the client gave it, made absolute (AbsolutePath), or
    // kAllDrivesPlace for every root. Rows carry paths below it, spelled as a
    // search walking it spells them.
    std::string place = {};
    bool placeIsFile = false;  // the place is a drawing, searched alone
    bool subfolders = true;
    unsigned typeMask = TYPE_ALL;
    DateCriterion date = {};
    SizeCriterion size = {};
    std::vector<RootMapping> mappings = {};
};

// The statement a search runs, and its parameters: one parameterized query
// (keywords are parameters, never SQL) that gives each drawing's walk key,
// size, times, attributes, and the packed lines of its first chunk that
// holds a piece of the last list, in walk order.
struct IndexQueryText {
    std::string sql;
    std::vector<PgParam> params;
};
// `serverPlace`: the place as the server sees it (ServerPathOf).
IndexQueryText BuildIndexQuery(const IndexSearch& search, const std::string& serverPlace);

// What a search found beside its rows.
struct IndexSearchOutcome {
    int64_t rows = 0;
    // The oldest of the searched roots' last completed scan (or, where a
    // watcher keeps a root current, its last look), seconds since 1970;
    // nothing when a root was never scanned to its end.
    std::optional<int64_t> freshAsOf;
};

// Runs `search`: each hit goes to `onRow` as its row (the path as the
// client sees it, the status the index holds, where it matched as a search
// finds it) with its type's icon slot, in the order a search walking the
// place gives them; `onRow` returning false, or `cancel` becoming true, ends
// the search (Cancelled for the flag). A place below no root of the index
// gives Other with a message that says so.
DbResult<IndexSearchOutcome> SearchIndex(PgConnection& connection, const IndexSearch& search,
                                         const std::function<bool(ResultRecord, int)>& onRow,
                                         const std::atomic<bool>* cancel = nullptr);

// The oldest last completed scan of the roots at, below or above `place`
// (as SearchIndex tells it), without searching. Other when no root covers it.
DbResult<IndexSearchOutcome> IndexFreshness(PgConnection& connection, const IndexSearch& search);

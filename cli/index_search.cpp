#include "cli/index_search.h"

#include <cstdio>

#include "index/index_query.h"
#include "index/schema.h"
#include "platform/file_status.h"
#include "platform/folder_listing.h"
#include "search/criteria.h"

namespace {

void SayFailure(const std::string& target, const DbError& error) {
    std::fprintf(stderr, "plotsieve-cli: the office index at %s: %s\n",
                 DescribeTarget(target).c_str(), error.message.c_str());
}

}  // namespace

IndexSearchRun SearchOfficeIndex(const SearchOptions& options,
                                 const std::vector<std::string>& cp932Keywords,
                                 const std::function<bool(ResultRecord)>& row,
                                 const std::atomic<bool>& cancel) {
    IndexSearchRun run;
    IndexSearch search;
    for (const std::string& keyword : cp932Keywords)
        search.passes.push_back(PrepareKeywords(keyword));
    for (const std::string& text : options.maps) search.mappings.push_back(*ParseRootMapping(text));
    search.subfolders = options.subfolders;
    search.typeMask = options.typeMask;
    search.date = options.date;
    search.size = options.size;
    if (options.place == kAllDrivesPlace) {
        search.place = kAllDrivesPlace;
    } else {
        search.place = AbsolutePath(options.place);
        // A place this machine cannot see is taken for a folder of the server's.
        ReadResult<FileStatus> status = ReadFileStatus(options.place);
        search.placeIsFile = status && !status->isFolder;
    }

    DbResult<std::unique_ptr<PgConnection>> connection = PgConnection::Connect(options.indexUrl);
    if (!connection) {
        SayFailure(options.indexUrl, connection.Error());
        run.failed = true;
        return run;
    }
    if (DbResult<void> schema = CheckIndexSchema(**connection); !schema) {
        SayFailure(options.indexUrl, schema.Error());
        run.failed = true;
        return run;
    }
    DbResult<IndexSearchOutcome> outcome = SearchIndex(
        **connection, search,
        [&](ResultRecord record, int) {
            ++run.hits;
            return row(std::move(record));
        },
        &cancel);
    if (!outcome) {
        if (outcome.Error().kind == DbFailure::Cancelled) {
            run.cancelled = true;
        } else {
            SayFailure(options.indexUrl, outcome.Error());
            run.failed = true;
        }
    }
    return run;
}

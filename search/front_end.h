#pragma once

#include <cstdint>
#include <string>

#include "results/result_record.h"
#include "search/criteria.h"

// Codes of the worker's status reports.
enum SearchStatusCode {
    SEARCH_STATUS_TEXT = 0,       // show the text
    SEARCH_STATUS_CANCELLED = 2,  // show "処理はｷｬﾝｾﾙされました"
    SEARCH_STATUS_DONE = 3,       // show "%d 枚見つかりました" with the value
};

// The texts the front end shows for the status codes.
std::string StatusTextFor(SearchStatusCode code, const std::string& text, int64_t value);

// What a search reads from its front end and reports to it. Every member is
// called on the search's worker thread, in the order of the search; an
// implementation on a GUI marshals reports to its UI thread in that order and
// answers reads from values it keeps thread-safe.
class SearchFrontEnd {
  public:
    virtual ~SearchFrontEnd() = default;

    // Reads, at the moments the search needs them.
    virtual std::string KeywordText() = 0;   // CP932; once, after collecting
    virtual bool IncludeSubfolders() = 0;    // at each folder entry of a walk
    virtual DateCriterion DateLimits() = 0;  // for each candidate
    virtual SizeCriterion SizeLimits() = 0;  // for each candidate

    // A status report (UTF-8 text for SEARCH_STATUS_TEXT). Never waited for.
    virtual void PostStatus(SearchStatusCode code, const std::string& text, int64_t value) = 0;
    // The first candidate of each type slot that passed the date and size
    // test, hit or not: the front end may take the desktop's icon for it.
    virtual void LoadTypeIcon(int slot, const std::string& path) = 0;
    // A hit, in hit order: one row at the end of the result list.
    virtual void AddResultRow(ResultRecord record, int slot) = 0;
    // A completed search turns narrowing mode off: the narrowing box is
    // unticked, the place editable and the subfolder box enabled again.
    virtual void EndNarrowingMode() = 0;
    // The worker is about to end (completed or cancelled).
    virtual void SearchEnded() {}
};

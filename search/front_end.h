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

// What a status report tells, beside the text it shows.
enum class SearchPhase {
    Collecting,  // walking the place: "ﾌｧｲﾙ数をｶｳﾝﾄしています", then "検索中" + candidates so far
    Testing,     // "検索中--- N 枚中 M 枚目"
    Cancelled,   // "処理はｷｬﾝｾﾙされました"
    Done,        // "N 枚見つかりました"
};

struct SearchStatus {
    SearchStatusCode code = SEARCH_STATUS_TEXT;  // the code of the status message
    SearchPhase phase = SearchPhase::Collecting;
    std::string text;    // what the status pane shows (UTF-8)
    int64_t count = 0;   // candidates so far (Collecting), candidates (Testing), hits (Done)
    int64_t tested = 0;  // candidates tested so far (Testing)
};

// The reports of each phase, with their texts.
SearchStatus CollectingStatus(int64_t candidatesSoFar);  // "検索中N"; -1: the counting text
SearchStatus TestingStatus(int64_t count, int64_t tested);
// The same, written over `status` (its text's memory reused).
void SetTestingStatus(SearchStatus& status, int64_t count, int64_t tested);
// The cancel text: code 2, or code 0 where a stop during an all-drives walk
// ends the search with the text alone.
SearchStatus CancelledStatus(SearchStatusCode code);
SearchStatus DoneStatus(int64_t hits);

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

    // A status report. Never waited for.
    virtual void PostStatus(const SearchStatus& status) = 0;
    // The first candidate of each type slot that passed the date and size
    // test, hit or not: the front end may take the desktop's icon for it.
    virtual void LoadTypeIcon(int slot, const std::string& path) = 0;
    // A hit, in hit order: one row at the end of the result list.
    virtual void AddResultRow(ResultRecord record, int slot) = 0;
    // A completed search turns narrowing mode off: the narrowing box is
    // unticked, the place editable and the subfolder box enabled again.
    virtual void EndNarrowingMode() = 0;
    // Something the user should know once, that does not stop the search (a
    // text cache that cannot be used, say). One sentence, UTF-8.
    virtual void ReportNotice(const std::string&) {}
    // Something worth telling once that is no fault (the text cache's folder
    // is open to others, say). One sentence, UTF-8; a notice unless the
    // front end tells the two apart.
    virtual void ReportRemark(const std::string& text) { ReportNotice(text); }
    // A folder that could not be listed or a candidate that could not be read,
    // with the system's reason ("Permission denied"); the search goes on
    // without it. Reported in candidate order; things that vanished during
    // the search and entries that are no regular file are not reported.
    virtual void ReportSkipped(const std::string& path, const std::string& reason) {
        (void)path;
        (void)reason;
    }
    // The worker is about to end (completed or cancelled).
    virtual void SearchEnded() {}
};

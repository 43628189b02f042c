#include "search/front_end.h"

#include <charconv>

SearchStatus CollectingStatus(int64_t candidatesSoFar) {
    SearchStatus status;
    status.phase = SearchPhase::Collecting;
    status.count = candidatesSoFar < 0 ? 0 : candidatesSoFar;
    status.text =
        candidatesSoFar < 0 ? "ﾌｧｲﾙ数をｶｳﾝﾄしています" : "検索中" + std::to_string(candidatesSoFar);
    return status;
}

SearchStatus TestingStatus(int64_t count, int64_t tested) {
    SearchStatus status;
    SetTestingStatus(status, count, tested);
    return status;
}

void SetTestingStatus(SearchStatus& status, int64_t count, int64_t tested) {
    status.code = SEARCH_STATUS_TEXT;
    status.phase = SearchPhase::Testing;
    status.count = count;
    status.tested = tested;
    // Written over the last text, in place: a search posts one per candidate.
    char number[24];
    status.text.assign("検索中--- ");
    status.text.append(number, std::to_chars(number, number + sizeof number, count).ptr);
    status.text.append(" 枚中 ");
    status.text.append(number, std::to_chars(number, number + sizeof number, tested).ptr);
    status.text.append(" 枚目");
}

SearchStatus CancelledStatus(SearchStatusCode code) {
    SearchStatus status;
    status.code = code;
    status.phase = SearchPhase::Cancelled;
    status.text = "処理はｷｬﾝｾﾙされました";
    return status;
}

SearchStatus DoneStatus(int64_t hits) {
    SearchStatus status;
    status.code = SEARCH_STATUS_DONE;
    status.phase = SearchPhase::Done;
    status.count = hits;
    status.text = std::to_string(hits) + " 枚見つかりました";
    return status;
}

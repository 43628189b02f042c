#include "search/front_end.h"

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
    status.phase = SearchPhase::Testing;
    status.count = count;
    status.tested = tested;
    status.text =
        "検索中--- " + std::to_string(count) + " 枚中 " + std::to_string(tested) + " 枚目";
    return status;
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

#include "search/front_end.h"

std::string StatusTextFor(SearchStatusCode code, const std::string& text, int64_t value) {
    switch (code) {
        case SEARCH_STATUS_CANCELLED:
            return "処理はｷｬﾝｾﾙされました";
        case SEARCH_STATUS_DONE:
            return std::to_string(value) + " 枚見つかりました";
        default:
            return text;
    }
}

#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>

#include "serve/drawing_search.h"
#include "serve/roots.h"

// The parameters of an API request, decoded, in the order given for each
// name.
using ApiParameters = std::multimap<std::string, std::string>;

// A request the API refuses: the HTTP status and what is wrong, one sentence.
struct ApiError {
    int status = 400;
    std::string message;
};

// The longest keyword text, the most narrowing texts, and the longest value
// of any other parameter a search takes.
inline constexpr size_t kMaxKeywordBytes = 1024;
inline constexpr size_t kMaxNarrowingTexts = 16;
inline constexpr size_t kMaxValueBytes = 256;

// What /api/search asks, or why it is refused. Its parameters are named as
// `plotsieve-cli search`'s long options:
//   keyword=TEXT (repeated: more OR pieces), and=TEXT (repeated: narrowing
//   passes), root=NAME (needed when there are several roots), dir=REL (a
//   folder under the root), no-subfolders, types=LIST, created | modified,
//   before=T, after=T (both: between them), min-kb=N, max-kb=N,
//   and progress (progress lines in the stream).
// A switch is on when present with no value or with 1, true or on.
struct SearchParameters {
    std::optional<ServeQuery> query;
    bool progress = false;
    ApiError error;  // when there is no query
};
SearchParameters ParseSearchParameters(const ApiParameters& parameters,
                                       std::span<const ServedRoot> roots);

// The root a request names with root=NAME (the only root when it names none
// and there is one); nullptr, with a 404 or 400 in `error`, otherwise.
const ServedRoot* RootOfRequest(const ApiParameters& parameters, std::span<const ServedRoot> roots,
                                ApiError& error);

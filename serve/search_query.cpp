#include "serve/search_query.h"

#include <set>

#include "search/criteria_text.h"
#include "search/search_session.h"

namespace {

using Refusal = std::optional<ApiError>;

Refusal BadRequest(std::string message) { return ApiError{400, std::move(message)}; }

// The one value of `name`; nothing when absent. More than one is refused.
Refusal SingleValue(const ApiParameters& parameters, const std::string& name,
                    std::optional<std::string>& value, size_t maxBytes = kMaxValueBytes) {
    auto [first, last] = parameters.equal_range(name);
    if (first == last) return std::nullopt;
    if (std::next(first) != last) return BadRequest("give " + name + " once");
    if (first->second.size() > maxBytes) {
        return BadRequest(name + " is longer than " + std::to_string(maxBytes) + " bytes");
    }
    value = first->second;
    return std::nullopt;
}

Refusal Switch(const ApiParameters& parameters, const std::string& name, bool& on) {
    std::optional<std::string> value;
    if (Refusal refusal = SingleValue(parameters, name, value)) return refusal;
    if (!value) return std::nullopt;
    if (value->empty() || *value == "1" || *value == "true" || *value == "on") {
        on = true;
    } else if (*value == "0" || *value == "false" || *value == "off") {
        on = false;
    } else {
        return BadRequest(name + " takes 1 or 0: " + *value);
    }
    return std::nullopt;
}

Refusal CheckNames(const ApiParameters& parameters) {
    static const std::set<std::string> kNames = {
        "keyword",  "and",    "root",  "dir",    "no-subfolders", "types",   "created",
        "modified", "before", "after", "min-kb", "max-kb",        "progress"};
    for (const auto& [name, value] : parameters) {
        if (!kNames.contains(name)) return BadRequest("unknown parameter: " + name);
    }
    return std::nullopt;
}

// The keyword text (several pieces joined by "|", as repeated -k) and the
// narrowing texts, in CP932.
Refusal ReadKeywords(const ApiParameters& parameters, std::vector<std::string>& keywords) {
    std::string keyword;
    size_t pieces = 0;
    for (auto [at, end] = parameters.equal_range("keyword"); at != end; ++at) {
        keyword += (pieces++ == 0 ? "" : "|") + at->second;
    }
    std::vector<std::string> texts{keyword};
    for (auto [at, end] = parameters.equal_range("and"); at != end; ++at) {
        texts.push_back(at->second);
    }
    if (texts.size() > kMaxNarrowingTexts + 1) {
        return BadRequest("give at most " + std::to_string(kMaxNarrowingTexts) + " and texts");
    }
    for (const std::string& text : texts) {
        if (text.size() > kMaxKeywordBytes) {
            return BadRequest("a keyword text is longer than " + std::to_string(kMaxKeywordBytes) +
                              " bytes");
        }
        std::optional<std::string> cp932 = KeywordToCp932(text);
        if (!cp932) {
            return BadRequest("the keyword \"" + text +
                              "\" holds characters that drawings in CP932 (Shift-JIS) cannot "
                              "contain; it could never match");
        }
        keywords.push_back(*cp932);
    }
    return std::nullopt;
}

// created | modified, before=T, after=T: the date limit, as the date page
// sets it.
Refusal ReadDates(const ApiParameters& parameters, DateCriterion& date) {
    bool created = false, modified = false;
    if (Refusal refusal = Switch(parameters, "created", created)) return refusal;
    if (Refusal refusal = Switch(parameters, "modified", modified)) return refusal;
    if (created && modified) return BadRequest("give created or modified, not both");
    std::optional<std::string> before, after;
    if (Refusal refusal = SingleValue(parameters, "before", before)) return refusal;
    if (Refusal refusal = SingleValue(parameters, "after", after)) return refusal;
    if (!before && !after) {
        if (created || modified) return BadRequest("created and modified need before or after");
        return std::nullopt;
    }
    date.kind = created ? DateKind::Created : DateKind::Modified;
    if (before) {
        std::optional<int64_t> latest = ParseTimeArgument(*before, true);
        if (!latest) return BadRequest("not a time (YYYY-MM-DD[ HH:MM[:SS]]): " + *before);
        date.latest = *latest;
    }
    if (after) {
        std::optional<int64_t> earliest = ParseTimeArgument(*after, false);
        if (!earliest) return BadRequest("not a time (YYYY-MM-DD[ HH:MM[:SS]]): " + *after);
        date.earliest = *earliest;
    }
    date.range = before && after ? DateRange::Between
                 : before        ? DateRange::OnOrBefore
                                 : DateRange::OnOrAfter;
    return std::nullopt;
}

Refusal ReadSizes(const ApiParameters& parameters, SizeCriterion& size) {
    struct Limit {
        const char* name;
        int64_t SizeCriterion::*bytes;
    };
    for (Limit limit :
         {Limit{"min-kb", &SizeCriterion::minSize}, Limit{"max-kb", &SizeCriterion::maxSize}}) {
        std::optional<std::string> value;
        if (Refusal refusal = SingleValue(parameters, limit.name, value)) return refusal;
        if (!value) continue;
        std::optional<int64_t> kb = ParsePositive(*value);
        if (!kb) {
            return BadRequest(std::string(limit.name) +
                              " needs a positive whole number: " + *value);
        }
        size.*limit.bytes = *kb * 1000;
    }
    return std::nullopt;
}

Refusal ReadPlace(const ApiParameters& parameters, std::span<const ServedRoot> roots,
                  ServeQuery& query) {
    ApiError error;
    query.root = RootOfRequest(parameters, roots, error);
    if (query.root == nullptr) return error;
    std::optional<std::string> dir;
    if (Refusal refusal = SingleValue(parameters, "dir", dir, kMaxRelativePath)) return refusal;
    query.folder = dir.value_or("");
    while (query.folder.ends_with('/')) query.folder.pop_back();
    std::optional<std::string> place =
        ResolveUnderRoot(*query.root, query.folder, EntryKind::Folder);
    if (!place) return ApiError{404, "no such folder under " + query.root->name};
    query.place = *place;
    bool noSubfolders = false;
    if (Refusal refusal = Switch(parameters, "no-subfolders", noSubfolders)) return refusal;
    query.subfolders = !noSubfolders;
    return std::nullopt;
}

}  // namespace

const ServedRoot* RootOfRequest(const ApiParameters& parameters, std::span<const ServedRoot> roots,
                                ApiError& error) {
    std::optional<std::string> name;
    if (Refusal refusal = SingleValue(parameters, "root", name)) {
        error = *refusal;
        return nullptr;
    }
    if (!name) {
        if (roots.size() == 1) return &roots.front();
        error = {400, "name a root with root=NAME"};
        return nullptr;
    }
    const ServedRoot* root = FindRoot(roots, *name);
    if (root == nullptr) error = {404, "no root is named " + *name};
    return root;
}

SearchParameters ParseSearchParameters(const ApiParameters& parameters,
                                       std::span<const ServedRoot> roots) {
    SearchParameters result;
    ServeQuery query;
    Refusal refusal = CheckNames(parameters);
    if (!refusal) refusal = Switch(parameters, "progress", result.progress);
    if (!refusal) refusal = ReadKeywords(parameters, query.keywords);
    if (!refusal) refusal = ReadDates(parameters, query.date);
    if (!refusal) refusal = ReadSizes(parameters, query.size);
    if (!refusal) {
        std::optional<std::string> types;
        refusal = SingleValue(parameters, "types", types);
        if (!refusal && types) {
            std::optional<unsigned> mask = ParseTypes(*types);
            if (!mask) {
                refusal = BadRequest("unknown type in types (use " + TypeNames() + "): " + *types);
            } else if ((*mask & TYPE_ALL) == 0) {
                refusal = BadRequest(StartRefusalMessage(StartResult::NoTypes));
            } else {
                query.typeMask = *mask;
            }
        }
    }
    if (!refusal) refusal = ReadPlace(parameters, roots, query);
    if (refusal) {
        result.error = *refusal;
        return result;
    }
    result.query = std::move(query);
    return result;
}

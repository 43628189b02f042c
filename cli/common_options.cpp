#include "cli/common_options.h"

#include <cassert>
#include <sstream>

#include "cache/text_cache.h"
#include "search/drawing_types.h"

bool IsCommonOption(OptionId id) {
    return id == OptionId::NoSubfolders || id == OptionId::Types || id == OptionId::Threads ||
           id == OptionId::Quiet || id == OptionId::Cache;
}

std::optional<std::string> ApplyCommonOption(OptionId id, const std::string& value,
                                             CommonOptions& options) {
    switch (id) {
        case OptionId::NoSubfolders:
            options.subfolders = false;
            return std::nullopt;
        case OptionId::Types: {
            std::optional<unsigned> mask = ParseTypes(value);
            if (!mask) return "unknown type in --types (use " + TypeNames() + "): " + value;
            options.typeMask = *mask;
            return std::nullopt;
        }
        case OptionId::Threads: {
            std::optional<int64_t> n = ParsePositive(value);
            if (!n || *n > 256) return "--threads needs a number from 1 to 256";
            options.threads = static_cast<unsigned>(*n);
            return std::nullopt;
        }
        case OptionId::Quiet:
            options.quiet = true;
            return std::nullopt;
        case OptionId::Cache:
            if (value.empty()) return "--cache needs a file";
            options.cacheFile = value;
            return std::nullopt;
        default:
            assert(false && "not an option search and index share");
            return std::nullopt;
    }
}

std::optional<unsigned> ParseTypes(const std::string& list) {
    unsigned mask = 0;
    std::stringstream items(list);
    std::string item;
    while (std::getline(items, item, ',')) {
        if (item.empty()) continue;
        bool known = false;
        for (const DrawingTypeGroup& group : DrawingTypeGroups()) {
            if (group.cliName == item) {
                mask |= group.bits;
                known = true;
            }
        }
        if (!known) return std::nullopt;
    }
    return mask;
}

std::string TypeNames() {
    std::string names;
    for (const DrawingTypeGroup& group : DrawingTypeGroups()) {
        if (!names.empty()) names += ',';
        names += group.cliName;
    }
    return names;
}

std::optional<int64_t> ParsePositive(const std::string& text) {
    if (text.empty() || text.size() > 12) return std::nullopt;
    int64_t value = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return std::nullopt;
        value = value * 10 + (ch - '0');
    }
    if (value <= 0) return std::nullopt;
    return value;
}

std::string CacheFileOf(const std::string& given) {
    return given.empty() ? DefaultTextCachePath() : given;
}

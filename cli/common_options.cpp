#include "cli/common_options.h"

#include <cassert>

#include "cache/text_cache.h"

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

std::string CacheFileOf(const std::string& given) {
    return given.empty() ? DefaultTextCachePath() : given;
}

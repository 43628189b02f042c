#include "index/root_mapping.h"

#include <algorithm>

#include "platform/folder_listing.h"

std::string NormalPath(const std::string& path) {
    std::string absolute = AbsolutePath(path);
    std::vector<std::string_view> parts;
    std::string_view rest = absolute;
    while (!rest.empty()) {
        size_t slash = rest.find('/');
        std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string normal;
    for (std::string_view part : parts) {
        normal += '/';
        normal.append(part);
    }
    return normal.empty() ? "/" : normal;
}

bool PathIsAtOrBelow(std::string_view path, std::string_view folder) {
    if (folder == "/") return !path.empty() && path[0] == '/';
    return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

namespace {

// `path` (normal) carried from the `from` side of the mappings to their `to`
// side: through the mapping whose `from` path is the longest at or above it
// (the last of equals), or as it is when none is.
std::string CarryPath(const std::string& path, const std::vector<RootMapping>& mappings,
                      std::string RootMapping::*from, std::string RootMapping::*to) {
    size_t best = 0;
    std::string carried = path;
    for (const RootMapping& mapping : mappings) {
        std::string source = NormalPath(mapping.*from);
        if (!PathIsAtOrBelow(path, source) || source.size() < best) continue;
        best = source.size();
        std::string rest = source == "/" ? path.substr(1) : path.substr(source.size());
        if (!rest.empty() && rest[0] == '/') rest.erase(0, 1);
        std::string base = NormalPath(mapping.*to);
        carried = rest.empty() ? base : (base == "/" ? base : base + "/") + rest;
    }
    return carried;
}

}  // namespace

std::optional<RootMapping> ParseRootMapping(const std::string& text) {
    size_t split = text.find("=/");
    if (split == std::string::npos || split == 0 || text[0] != '/') return std::nullopt;
    return RootMapping{text.substr(0, split), text.substr(split + 1)};
}

std::string ServerPathOf(const std::string& path, const std::vector<RootMapping>& mappings) {
    return CarryPath(NormalPath(path), mappings, &RootMapping::local, &RootMapping::server);
}

bool IsUnderMapping(const std::string& path, const std::vector<RootMapping>& mappings) {
    std::string normal = NormalPath(path);
    return std::any_of(mappings.begin(), mappings.end(), [&](const RootMapping& mapping) {
        return PathIsAtOrBelow(normal, NormalPath(mapping.local));
    });
}

std::string LocalPathOf(const std::string& path, const std::vector<RootMapping>& mappings) {
    return CarryPath(path, mappings, &RootMapping::server, &RootMapping::local);
}

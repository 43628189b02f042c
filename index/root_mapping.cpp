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

std::optional<RootMapping> ParseRootMapping(const std::string& text) {
    size_t split = text.find("=/");
    if (split == std::string::npos || split == 0 || text[0] != '/') return std::nullopt;
    return RootMapping{text.substr(0, split), text.substr(split + 1)};
}

std::string ServerPathOf(const std::string& path, const std::vector<RootMapping>& mappings) {
    std::string normal = NormalPath(path);
    size_t best = 0;
    std::string server = normal;
    for (const RootMapping& mapping : mappings) {
        std::string local = NormalPath(mapping.local);
        if (!PathIsAtOrBelow(normal, local) || local.size() < best) continue;
        best = local.size();
        std::string rest = local == "/" ? normal.substr(1) : normal.substr(local.size());
        if (!rest.empty() && rest[0] == '/') rest.erase(0, 1);
        std::string base = NormalPath(mapping.server);
        server = rest.empty() ? base : (base == "/" ? base : base + "/") + rest;
    }
    return server;
}

bool IsUnderMapping(const std::string& path, const std::vector<RootMapping>& mappings) {
    std::string normal = NormalPath(path);
    return std::any_of(mappings.begin(), mappings.end(), [&](const RootMapping& mapping) {
        return PathIsAtOrBelow(normal, NormalPath(mapping.local));
    });
}

std::string LocalPathOf(const std::string& path, const std::vector<RootMapping>& mappings) {
    size_t best = 0;
    std::string local = path;
    for (const RootMapping& mapping : mappings) {
        std::string server = NormalPath(mapping.server);
        if (!PathIsAtOrBelow(path, server) || server.size() < best) continue;
        best = server.size();
        std::string rest = server == "/" ? path.substr(1) : path.substr(server.size());
        std::string base = NormalPath(mapping.local);
        if (!rest.empty() && rest[0] == '/') rest.erase(0, 1);
        local = rest.empty() ? base : (base == "/" ? base : base + "/") + rest;
    }
    return local;
}

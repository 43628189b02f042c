#pragma once

// Paths as the office index keeps them and as a client sees them: made
// normal, and carried between the server's roots and this machine's mounts
// of them. Pure path work: no connection, no disk but the working folder.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// `path` made absolute and normal without looking at the disk: "." and empty
// components dropped, ".." taking the component before it away, no trailing
// "/" (but "/" itself).
std::string NormalPath(const std::string& path);

// True when `path` is `folder` or lies below it (both normal).
bool PathIsAtOrBelow(std::string_view path, std::string_view folder);

// Where a client sees a root of the server's: paths at or below `server`
// are at the same place below `local` ("--map /srv/drawings=/mnt/drawings").
struct RootMapping {
    std::string server;  // absolute, as the indexing machine sees it
    std::string local;   // absolute, as this machine sees it
};

// Parses "SERVER=LOCAL" (both absolute paths); nothing for any other text.
std::optional<RootMapping> ParseRootMapping(const std::string& text);

// `path` (absolute, this machine's) as the server sees it: through the
// mapping with the longest local path it lies at or below, or as it is when
// none does. Both made normal (NormalPath).
std::string ServerPathOf(const std::string& path, const std::vector<RootMapping>& mappings);

// True when `path` lies at or below the local side of a mapping.
bool IsUnderMapping(const std::string& path, const std::vector<RootMapping>& mappings);

// `path` (the server's) as this machine sees it: through the mapping with the
// longest server path it lies at or below, or as it is.
std::string LocalPathOf(const std::string& path, const std::vector<RootMapping>& mappings);

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/read_result.h"

struct FolderEntry {
    std::string name;       // as the file system spells it (native bytes)
    bool isFolder = false;  // a real folder; a link to a folder is not one
};

struct FolderListing {
    std::vector<FolderEntry> entries;  // sorted by name, without "." and ".."
    uint64_t device = 0;               // the folder's file system and identity
    uint64_t inode = 0;
};

// Lists the folder at `path`, or says why it cannot be listed: Missing
// (nothing is there, or a link leads nowhere), NotAFolder (something is
// there, but no folder), Other (no permission, path too long, ...).
ReadResult<FolderListing> ListFolder(const std::string& path);

// True when `ch` separates folders in a native path. On POSIX systems that is
// "/" alone: a backslash is an ordinary character of a file name.
bool IsPathSeparator(char ch);

// The native separator appended to folder paths.
inline constexpr char kPathSeparator = '/';

// `path` made absolute against the current folder (no link is resolved).
std::string AbsolutePath(const std::string& path);

// The one path of what `path` names: absolute, every link followed and every
// "." and ".." taken out. Nothing when it names nothing (a missing entry, a
// link that leads nowhere or round in a loop), cannot be looked at, or holds
// a NUL byte.
std::optional<std::string> RealPath(const std::string& path);

// The roots of every mounted file system backed by a device, in path order;
// the root folder is always among them.
std::vector<std::string> AllDriveRoots();

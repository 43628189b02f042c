#pragma once

#include <cstdint>
#include <optional>
#include <string>

// A file's status as the search uses it. Times are seconds since 1970 UTC.
struct FileStatus {
    int64_t creationTime = 0;  // 0 when the file system keeps none
    int64_t modificationTime = 0;
    int64_t accessTime = 0;
    int64_t size = 0;
    // What tells one version of a file from another: the file's identity and
    // its modification and change times in nanoseconds since 1970.
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t modificationNanos = 0;
    int64_t changeNanos = 0;
    bool isFolder = false;
    bool isRegularFile = false;
    bool readOnly = false;
    bool hidden = false;
};

// The status of the file at `path` (links followed); nothing when it cannot
// be read (LastReadError() then says why).
std::optional<FileStatus> ReadFileStatus(const std::string& path);

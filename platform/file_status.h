#pragma once

#include <cstdint>
#include <string>

#include "platform/read_result.h"

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

// The status of the file at `path` (links followed), or why it cannot be
// read.
ReadResult<FileStatus> ReadFileStatus(const std::string& path);

// True when `path` itself is a symbolic link (not followed); false for
// anything else, for nothing there, and for a path that holds a NUL byte.
bool IsSymbolicLink(const std::string& path);

// Reads the statuses of many files, each found from its folder, which stays
// open while the next files are in it too: far cheaper than a whole path each
// time. A reader is for a short run of files, not to be kept: the folder it
// holds open stays the one found first, even if it is renamed meanwhile.
class StatusReader {
  public:
    StatusReader() = default;
    ~StatusReader();
    StatusReader(const StatusReader&) = delete;
    StatusReader& operator=(const StatusReader&) = delete;

    // As ReadFileStatus.
    ReadResult<FileStatus> Read(const std::string& path);

  private:
    std::string m_folderPath;
    int m_folder = -1;
};

#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "platform/read_result.h"

// What changed in a watched tree.
struct FolderChange {
    enum class Kind {
        Entry,     // an entry of a watched folder was written, made, removed or renamed
        Overflow,  // changes were lost: everything watched must be looked at again
    };
    Kind kind = Kind::Entry;
    std::string path = {};  // the entry (Entry)
    bool isFolder = false;  // the entry is (or was) a folder
    bool gone = false;      // the entry was removed or renamed away
};

// Watches folder trees for changes, as the system tells them (inotify on
// Linux). Links to folders are not followed. Not for use by two threads at
// once.
class FolderWatch {
  public:
    FolderWatch();
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // False when the system gave no watch at all (the error says why).
    bool Usable() const { return m_fd >= 0; }

    // Watches `folder` and every folder below it. Gives the error when a
    // folder could not be watched (the system's limit of watches reached,
    // say); those watched so far stay.
    ReadResult<void> AddTree(const std::string& folder);

    // Stops watching `folder` and the folders below it (one renamed away).
    void RemoveTree(const std::string& folder);

    // Waits at most `wait` for changes; gives those that came (none when the
    // time passed). A folder made or renamed into a watched one is not
    // watched until AddTree is asked for it.
    std::vector<FolderChange> Wait(std::chrono::milliseconds wait);

  private:
    int m_fd = -1;
    std::map<int, std::string> m_folders;  // watch descriptor -> folder path
};

// False for a file system whose changes made elsewhere no watch sees (NFS,
// SMB, and other network or user-space file systems): such a tree is looked
// at again from time to time instead.
bool FileSystemReportsChanges(const std::string& path);

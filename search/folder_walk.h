#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

// Collects the candidate files under a folder: every entry whose name names a
// drawing of the chosen types (IsDrawingPath; a folder so named too), depth first, in
// name order, a subfolder's candidates before the later entries of its parent.
// Links to folders are never followed, and a folder is walked once however it
// is reached. A place that is a file is its own only candidate when its name
// is a drawing's of the chosen types.
class FolderWalk {
  public:
    struct Hooks {
        std::function<bool()> includeSubfolders;  // asked at each folder entry
        std::function<void(size_t)> progress;     // candidates so far, as a folder is entered
        // A folder that could not be listed (not one that vanished), with the reason.
        std::function<void(const std::string&, const std::string&)> skipped;
        // Each candidate as it is found.
        std::function<void(const std::string&)> found;
    };

    // `typeMask`: the TypeBits of the types to collect.
    FolderWalk(unsigned typeMask, const std::atomic<bool>& cancel, Hooks hooks,
               std::vector<std::string>& candidates);

    // Walks `folder` (with or without a final separator), or takes the file
    // named so. With
    // `stayOnFileSystem`, folders of another file system are not entered.
    // Returns false when the walk was cancelled: the candidates are then
    // emptied.
    bool Walk(const std::string& folder, bool stayOnFileSystem = false);

  private:
    bool WalkFolder(std::string folder, bool isPlace);

    unsigned m_typeMask;
    const std::atomic<bool>& m_cancel;
    Hooks m_hooks;
    std::vector<std::string>& m_candidates;
    bool m_stayOnFileSystem = false;
    bool m_haveRootDevice = false;
    uint64_t m_rootDevice = 0;
    std::set<std::pair<uint64_t, uint64_t>> m_visited;
};

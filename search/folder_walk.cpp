#include "search/folder_walk.h"

#include "platform/folder_listing.h"
#include "search/drawing_types.h"

FolderWalk::FolderWalk(unsigned typeMask, const std::atomic<bool>& cancel, Hooks hooks,
                       std::vector<std::string>& candidates)
    : m_typeMask(typeMask), m_cancel(cancel), m_hooks(std::move(hooks)), m_candidates(candidates) {}

bool FolderWalk::Walk(const std::string& folder, bool stayOnFileSystem) {
    m_stayOnFileSystem = stayOnFileSystem;
    m_haveRootDevice = false;
    m_visited.clear();
    if (!WalkFolder(folder, true)) {
        m_candidates.clear();
        return false;
    }
    return true;
}

bool FolderWalk::WalkFolder(std::string folder, bool isPlace) {
    std::string given = folder;
    if (folder.empty() || folder.back() != kPathSeparator) folder += kPathSeparator;
    ReadResult<FolderListing> listing = ListFolder(folder);
    if (!listing) {
        const ReadError& failure = listing.Error();
        // A drawing given as the place is searched alone.
        if (isPlace && failure.kind == ReadFailure::NotAFolder && !given.empty() &&
            given.back() != kPathSeparator && IsDrawingPath(given, m_typeMask)) {
            m_candidates.push_back(given);
            if (m_hooks.found) m_hooks.found(given);
            return true;
        }
        // A folder that cannot be listed adds nothing; one that vanished
        // since its parent was listed is no news.
        if (m_hooks.skipped && (isPlace || failure.kind != ReadFailure::Missing)) {
            m_hooks.skipped(given, failure.reason);
        }
        return true;
    }
    if (!m_haveRootDevice) {
        m_haveRootDevice = true;
        m_rootDevice = listing->device;
    } else if (m_stayOnFileSystem && listing->device != m_rootDevice) {
        return true;
    }
    if (!m_visited.emplace(listing->device, listing->inode).second) return true;

    for (size_t k = 0; k < listing->entries.size(); ++k) {
        const FolderEntry& entry = listing->entries[k];
        if (entry.isFolder && m_hooks.includeSubfolders && m_hooks.includeSubfolders()) {
            if (!WalkFolder(folder + entry.name, false)) return false;
        }
        if (IsDrawingPath(entry.name, m_typeMask)) {
            m_candidates.push_back(folder + entry.name);
            if (m_hooks.found) m_hooks.found(m_candidates.back());
            // Only the first entry of a listing reports the count, so a walk
            // does not flood its front end.
            if (k == 0 && m_hooks.progress) {
                m_hooks.progress(m_candidates.size());
            }
        }
        if (m_cancel.load(std::memory_order_relaxed)) return false;
    }
    return true;
}

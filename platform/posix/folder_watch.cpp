#include "platform/folder_watch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/folder_listing.h"

namespace {

// What a watch listens for: a file saved or touched, entries made, removed and
// renamed, the folder itself going away.
constexpr uint32_t kWatchMask = IN_CLOSE_WRITE | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_DONT_FOLLOW |
                                IN_ONLYDIR | IN_EXCL_UNLINK;

// The statfs magic numbers of file systems that do not tell of changes made
// by other machines.
constexpr long kNfs = 0x6969;
constexpr long kSmb = 0x517B;
constexpr long kCifs = static_cast<long>(0xFF534D42);
constexpr long kSmb2 = static_cast<long>(0xFE534D42);
constexpr long kFuse = 0x65735546;
constexpr long kCoda = 0x73757245;
constexpr long kAfs = 0x5346414F;
constexpr long kCeph = 0x00C36400;
constexpr long k9p = 0x01021997;

std::string Join(const std::string& folder, std::string_view name) {
    return folder.empty() || folder.back() == '/' ? folder + std::string(name)
                                                  : folder + "/" + std::string(name);
}

}  // namespace

FolderWatch::FolderWatch() : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FolderWatch::~FolderWatch() {
    if (m_fd >= 0) close(m_fd);
}

ReadResult<void> FolderWatch::AddTree(const std::string& folder) {
    if (m_fd < 0) return ReadError{ReadFailure::Other, std::strerror(EMFILE)};
    int wd = inotify_add_watch(m_fd, folder.c_str(), kWatchMask);
    if (wd < 0) {
        int error = errno;
        if (error == ENOENT || error == ENOTDIR) return {};  // gone meanwhile
        return ReadError{ReadFailure::Other, folder + ": " + std::strerror(error)};
    }
    m_folders[wd] = folder;
    ReadResult<FolderListing> listing = ListFolder(folder);
    if (!listing) return {};
    for (const FolderEntry& entry : listing->entries) {
        if (!entry.isFolder) continue;
        if (ReadResult<void> added = AddTree(Join(folder, entry.name)); !added) return added;
    }
    return {};
}

void FolderWatch::RemoveTree(const std::string& folder) {
    for (auto it = m_folders.begin(); it != m_folders.end();) {
        const std::string& path = it->second;
        if (path == folder || (path.size() > folder.size() && path.starts_with(folder) &&
                               path[folder.size()] == '/')) {
            inotify_rm_watch(m_fd, it->first);
            it = m_folders.erase(it);
        } else {
            ++it;
        }
    }
}

std::vector<FolderChange> FolderWatch::Wait(std::chrono::milliseconds wait) {
    std::vector<FolderChange> changes;
    if (m_fd < 0) return changes;
    pollfd ready{.fd = m_fd, .events = POLLIN, .revents = 0};
    if (poll(&ready, 1, static_cast<int>(wait.count())) <= 0) return changes;
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        ssize_t length = read(m_fd, buffer, sizeof buffer);
        if (length <= 0) break;
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                changes.push_back({.kind = FolderChange::Kind::Overflow, .path = {}});
                continue;
            }
            if (event->mask & IN_IGNORED) {
                m_folders.erase(event->wd);
                continue;
            }
            auto folder = m_folders.find(event->wd);
            if (folder == m_folders.end() || event->len == 0) continue;  // the folder itself
            changes.push_back({.kind = FolderChange::Kind::Entry,
                               .path = Join(folder->second, event->name),
                               .isFolder = (event->mask & IN_ISDIR) != 0,
                               .gone = (event->mask & (IN_DELETE | IN_MOVED_FROM)) != 0});
        }
    }
    return changes;
}

bool FileSystemReportsChanges(const std::string& path) {
    struct statfs info {};
    if (statfs(path.c_str(), &info) != 0) return false;
    switch (static_cast<long>(info.f_type)) {
        case kNfs:
        case kSmb:
        case kCifs:
        case kSmb2:
        case kFuse:
        case kCoda:
        case kAfs:
        case kCeph:
        case k9p:
            return false;
        default:
            return true;
    }
}

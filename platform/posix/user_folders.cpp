#include "platform/user_folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

bool IsFolder(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool MakeFile(const std::string& path, mode_t mode) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd >= 0) return close(fd) == 0;
    return errno == EEXIST;
}

// Makes every missing folder above `folder` (not `folder` itself), each as
// the umask allows.
bool MakeFoldersAbove(const std::string& folder) {
    for (size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        std::string parent = folder.substr(0, slash);
        if (mkdir(parent.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    return true;
}

}  // namespace

std::string UserCacheFolder() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg != nullptr && xdg[0] == '/') return xdg;
    // A home folder that does not exist (a service account's) has no cache.
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/' && IsFolder(home)) return std::string(home) + "/.cache";
    return {};
}

bool MakePrivateFile(const std::string& path) { return MakeFile(path, 0600); }

bool MakeSharedFile(const std::string& path) { return MakeFile(path, 0644); }

bool MakeFolders(const std::string& folder) {
    if (folder.empty() || !MakeFoldersAbove(folder)) return false;
    if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) return false;
    return IsFolder(folder);
}

std::optional<PrivateFolder> MakePrivateFolder(const std::string& folder) {
    if (folder.empty() || !MakeFoldersAbove(folder)) return std::nullopt;
    if (mkdir(folder.c_str(), 0700) == 0) return PrivateFolder::Made;
    struct stat status {};
    if (errno != EEXIST || stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return std::nullopt;
    }
    return (status.st_mode & 0077) != 0 ? PrivateFolder::OpenToOthers : PrivateFolder::Closed;
}

std::optional<unsigned> ModeOf(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return std::nullopt;
    return static_cast<unsigned>(status.st_mode & 07777);
}

std::optional<int64_t> FreeBytesAt(const std::string& path) {
    struct statvfs space {};
    if (statvfs(path.c_str(), &space) != 0) return std::nullopt;
    return static_cast<int64_t>(space.f_bavail) * static_cast<int64_t>(space.f_frsize);
}

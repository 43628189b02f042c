#include "platform/user_folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

bool IsFolder(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
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

bool MakePrivateFile(const std::string& path) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) return close(fd) == 0;
    return errno == EEXIST;
}

bool MakePrivateFolder(const std::string& folder) {
    if (folder.empty()) return false;
    // Every missing folder on the way, each made as the user's umask allows.
    for (size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        std::string parent = folder.substr(0, slash);
        if (mkdir(parent.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (!IsFolder(folder)) return false;
    struct stat status {};
    if (stat(folder.c_str(), &status) != 0) return false;
    // A folder that the user owns is made private; one of another owner is
    // left as it is (its owner chose).
    if (status.st_uid == geteuid() && (status.st_mode & 0777) != 0700) {
        return chmod(folder.c_str(), 0700) == 0;
    }
    return true;
}

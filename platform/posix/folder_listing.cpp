#include "platform/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/posix/short_path.h"
#include "platform/posix/system_errors.h"

namespace {

class DirectoryStream {
  public:
    explicit DirectoryStream(DIR* dir) : m_dir(dir) {}
    ~DirectoryStream() {
        if (m_dir) closedir(m_dir);
    }
    DirectoryStream(const DirectoryStream&) = delete;
    DirectoryStream& operator=(const DirectoryStream&) = delete;
    DIR* get() const { return m_dir; }

  private:
    DIR* m_dir;
};

// /proc/self/mounts escapes space, tab, newline and backslash as \ooo.
std::string UnescapeMountField(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            int value = 0;
            bool octal = true;
            for (size_t k = 1; k <= 3; ++k) {
                char ch = field[i + k];
                if (ch < '0' || ch > '7') octal = false;
                value = value * 8 + (ch - '0');
            }
            if (octal) {
                out += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

}  // namespace

ReadResult<FolderListing> ListFolder(const std::string& path) {
    ShortPath at(path);
    if (at.Error() != 0) return FolderListError(at.Error());
    int fd = openat(at.Folder(), at.Rest(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return FolderListError(errno);
    struct stat status {};
    if (fstat(fd, &status) != 0) {
        int error = errno;
        close(fd);
        return FolderListError(error);
    }
    DirectoryStream dir(fdopendir(fd));
    if (!dir.get()) {
        int error = errno;
        close(fd);
        return FolderListError(error);
    }
    FolderListing listing;
    listing.device = static_cast<uint64_t>(status.st_dev);
    listing.inode = static_cast<uint64_t>(status.st_ino);
    while (dirent* entry = readdir(dir.get())) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat entryStatus {};
            isFolder =
                fstatat(dirfd(dir.get()), entry->d_name, &entryStatus, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISDIR(entryStatus.st_mode);
        }
        listing.entries.push_back({std::move(name), isFolder});
    }
    std::sort(listing.entries.begin(), listing.entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return listing;
}

bool IsPathSeparator(char ch) { return ch == '/'; }

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    std::string cwd(4096, '\0');
    while (getcwd(cwd.data(), cwd.size()) == nullptr) {
        if (cwd.size() > (1u << 20)) return path;
        cwd.resize(cwd.size() * 2);
    }
    cwd.resize(cwd.find('\0'));
    if (path.empty() || path == ".") return cwd;
    if (cwd.back() != '/') cwd += '/';
    return cwd + path;
}

std::optional<std::string> RealPath(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos) return std::nullopt;
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return std::nullopt;
    std::string real(resolved);
    std::free(resolved);
    return real;
}

std::vector<std::string> AllDriveRoots() {
    std::vector<std::string> roots{"/"};
    std::ifstream mounts("/proc/self/mounts");
    std::string line;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string source, target;
        if (!(fields >> source >> target)) continue;
        if (source.rfind("/dev/", 0) != 0) continue;  // only device-backed file systems
        roots.push_back(UnescapeMountField(target));
    }
    std::sort(roots.begin(), roots.end());
    roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
    return roots;
}

#include "platform/file_status.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "platform/posix/short_path.h"
#include "platform/posix/system_errors.h"

namespace {

// The status of `name` (a path, or a name in the folder `folder`), links
// followed.
ReadResult<FileStatus> StatusAt(int folder, const char* name, std::string_view path) {
    struct statx sx {};
    if (statx(folder, name, AT_STATX_SYNC_AS_STAT,
              STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME | STATX_ATIME | STATX_BTIME |
                  STATX_CTIME | STATX_INO,
              &sx) != 0) {
        return FileReadError(errno);
    }
    FileStatus status;
    status.creationTime = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : 0;
    status.modificationTime = sx.stx_mtime.tv_sec;
    status.accessTime = (sx.stx_mask & STATX_ATIME) ? sx.stx_atime.tv_sec : 0;
    status.size = static_cast<int64_t>(sx.stx_size);
    status.device = uint64_t{sx.stx_dev_major} << 32 | sx.stx_dev_minor;
    status.inode = sx.stx_ino;
    auto nanos = [](const statx_timestamp& t) {
        return t.tv_sec * int64_t{1000000000} + static_cast<int64_t>(t.tv_nsec);
    };
    status.modificationNanos = nanos(sx.stx_mtime);
    status.changeNanos = nanos(sx.stx_ctime);
    status.isFolder = S_ISDIR(sx.stx_mode);
    status.isRegularFile = S_ISREG(sx.stx_mode);
    status.readOnly = (sx.stx_mode & 0222) == 0;
    size_t slash = path.find_last_of('/');
    status.hidden = path.compare(slash == std::string::npos ? 0 : slash + 1, 1, ".") == 0;
    return status;
}

}  // namespace

ReadResult<FileStatus> ReadFileStatus(const std::string& path) {
    ShortPath at(path);
    if (at.Error() != 0) return FileReadError(at.Error());
    return StatusAt(at.Folder(), at.Rest(), path);
}

bool IsSymbolicLink(const std::string& path) {
    struct stat status;
    if (path.find('\0') != std::string::npos) return false;
    return lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

StatusReader::~StatusReader() {
    if (m_folder >= 0) close(m_folder);
}

ReadResult<FileStatus> StatusReader::Read(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash + 1 == path.size()) return ReadFileStatus(path);
    std::string_view folder(path.data(), slash == 0 ? 1 : slash);
    if (m_folder < 0 || folder != m_folderPath) {
        if (m_folder >= 0) close(m_folder);
        m_folderPath.assign(folder);
        ShortPath at(m_folderPath);
        m_folder =
            at.Error() == 0 ? openat(at.Folder(), at.Rest(), O_PATH | O_DIRECTORY | O_CLOEXEC) : -1;
    }
    if (m_folder < 0) return ReadFileStatus(path);
    return StatusAt(m_folder, path.c_str() + slash + 1, path);
}

#include "platform/fs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

namespace {

thread_local int t_lastError = 0;

std::nullopt_t Fail(int error) {
    t_lastError = error;
    return std::nullopt;
}

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

  private:
    int m_fd;
};

}  // namespace

std::optional<FileBytes> ReadWholeFile(const std::string& path) {
    // Opening some devices has effects of its own (a tape rewinds), so only
    // what is a regular file before the open is opened at all.
    struct stat before {};
    if (stat(path.c_str(), &before) != 0) return Fail(errno);
    if (S_ISDIR(before.st_mode)) return Fail(EISDIR);
    if (!S_ISREG(before.st_mode)) return Fail(EINVAL);

    FileDescriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0) return Fail(errno);

    struct stat status {};
    if (fstat(file.get(), &status) != 0) return Fail(errno);
    if (S_ISDIR(status.st_mode)) return Fail(EISDIR);
    if (!S_ISREG(status.st_mode)) return Fail(EINVAL);
    if (status.st_size < 0) return Fail(EINVAL);

    FileBytes bytes;
    try {
        bytes.resize(static_cast<size_t>(status.st_size));
    } catch (const std::bad_alloc&) {
        return Fail(ENOMEM);
    } catch (const std::length_error&) {
        return Fail(EFBIG);
    }

    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = read(file.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail(errno);
        }
        if (n == 0) break;  // the file shrank
        done += static_cast<size_t>(n);
    }
    std::fill(bytes.begin() + static_cast<ptrdiff_t>(done), bytes.end(), 0);
    t_lastError = 0;
    return bytes;
}

void SetLastReadError(int error) { t_lastError = error; }

ReadFailure LastReadFailure() {
    switch (t_lastError) {
        case 0:
            return ReadFailure::None;
        case ENOENT:
            return ReadFailure::Missing;
        case EISDIR:
        case EINVAL:
            return ReadFailure::NotARegularFile;
        default:
            return ReadFailure::Other;
    }
}

std::string LastReadError() {
    if (t_lastError == EINVAL) return "not a regular file";
    return t_lastError == 0 ? std::string("no error") : std::string(std::strerror(t_lastError));
}

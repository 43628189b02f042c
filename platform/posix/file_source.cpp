#include "platform/file_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "platform/posix/short_path.h"
#include "platform/posix/system_errors.h"

namespace {

class PosixFileSource final : public ByteSource {
  public:
    PosixFileSource(int fd, uint64_t size, bool mayHaveHoles)
        : m_fd(fd), m_size(size), m_mayHaveHoles(mayHaveHoles) {}
    ~PosixFileSource() override { close(m_fd); }
    PosixFileSource(const PosixFileSource&) = delete;
    PosixFileSource& operator=(const PosixFileSource&) = delete;

    uint64_t Size() const override { return m_size; }

    ByteView Read(uint64_t offset, size_t count, std::vector<uint8_t>& scratch) override {
        if (offset >= m_size) return {};
        if (count > m_size - offset) count = static_cast<size_t>(m_size - offset);
        if (scratch.size() < count) {
            try {
                scratch.resize(count);
            } catch (const std::bad_alloc&) {
                return {};
            }
        }
        size_t done = 0;
        while (done < count) {
            ssize_t n =
                pread(m_fd, scratch.data() + done, count - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;  // a read error, or the file shrank
            done += static_cast<size_t>(n);
        }
        return {scratch.data(), done};
    }

    uint64_t DataFrom(uint64_t offset) override {
        if (offset >= m_size) return m_size;
        if (!m_mayHaveHoles) return offset;
        off_t data = lseek(m_fd, static_cast<off_t>(offset), SEEK_DATA);
        if (data < 0) return errno == ENXIO ? m_size : offset;  // ENXIO: a hole to the end
        return static_cast<uint64_t>(data) < m_size ? static_cast<uint64_t>(data) : m_size;
    }

  private:
    int m_fd;
    uint64_t m_size;
    bool m_mayHaveHoles;  // fewer blocks are stored than the size takes
};

}  // namespace

ReadResult<std::unique_ptr<ByteSource>> OpenFileSource(const std::string& path) {
    return OpenFileSource(path, false);
}

ReadResult<std::unique_ptr<ByteSource>> OpenFileSource(const std::string& path, bool knownRegular) {
    // Opening some devices has effects of its own (a tape rewinds), so only
    // what is a regular file before the open is opened at all.
    ShortPath at(path);
    if (at.Error() != 0) return FileReadError(at.Error());
    if (!knownRegular) {
        struct stat before {};
        if (fstatat(at.Folder(), at.Rest(), &before, 0) != 0) return FileReadError(errno);
        if (S_ISDIR(before.st_mode)) return FileReadError(EISDIR);
        if (!S_ISREG(before.st_mode)) return FileReadError(EINVAL);
    }

    int fd = openat(at.Folder(), at.Rest(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return FileReadError(errno);
    struct stat status {};
    int error = fstat(fd, &status) != 0                          ? errno
                : S_ISDIR(status.st_mode)                        ? EISDIR
                : !S_ISREG(status.st_mode) || status.st_size < 0 ? EINVAL
                                                                 : 0;
    if (error != 0) {
        close(fd);
        return FileReadError(error);
    }
    try {
        // A file that stores blocks for all of its size has no holes to ask
        // the file system about (st_blocks counts units of 512 bytes).
        bool mayHaveHoles =
            static_cast<uint64_t>(status.st_blocks) * 512 < static_cast<uint64_t>(status.st_size);
        std::unique_ptr<ByteSource> source = std::make_unique<PosixFileSource>(
            fd, static_cast<uint64_t>(status.st_size), mayHaveHoles);
        return source;
    } catch (const std::bad_alloc&) {
        close(fd);
        return OutOfMemoryError();
    }
}

bool ReadAheadFile(const std::string& path, uint64_t bytes) {
    ShortPath at(path);
    struct stat before {};
    if (at.Error() != 0 || fstatat(at.Folder(), at.Rest(), &before, 0) != 0 ||
        !S_ISREG(before.st_mode) || before.st_size == 0) {
        return before.st_size == 0 && S_ISREG(before.st_mode);
    }
    int fd = openat(at.Folder(), at.Rest(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    // A read that must not wait: it fails when the first byte is not cached.
    char first;
    struct iovec piece {
        &first, 1
    };
    bool cached = preadv2(fd, &piece, 1, 0, RWF_NOWAIT) == 1;
    if (!cached) posix_fadvise(fd, 0, static_cast<off_t>(bytes), POSIX_FADV_WILLNEED);
    close(fd);
    return cached;
}

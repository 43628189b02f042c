#include "platform/posix/short_path.h"

#include <limits.h>
#include <unistd.h>

#include <cerrno>

ShortPath::ShortPath(const std::string& path) : m_rest(path.c_str()) {
    if (path.size() < PATH_MAX) return;
    size_t start = 0;
    while (path.size() - start >= PATH_MAX) {
        // The longest piece that ends before a separator and, with its
        // terminating NUL, fits in PATH_MAX bytes.
        size_t cut = path.rfind('/', start + PATH_MAX - 1);
        if (cut == std::string::npos || cut < start) {
            m_error = ENAMETOOLONG;
            return;
        }
        // "/" itself when the path starts with its only separator in reach.
        std::string piece = path.substr(start, cut == 0 ? 1 : cut - start);
        int folder = openat(m_folder, piece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        int error = errno;
        if (m_folder != AT_FDCWD) close(m_folder);
        m_folder = folder;
        if (folder < 0) {
            m_error = error;
            m_folder = AT_FDCWD;
            return;
        }
        start = cut + 1;
        while (start < path.size() && path[start] == '/') ++start;
    }
    // A path that ended in separators names the last folder opened.
    m_rest = start < path.size() ? path.c_str() + start : ".";
}

ShortPath::~ShortPath() {
    if (m_folder != AT_FDCWD) close(m_folder);
}

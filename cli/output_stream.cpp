#include "cli/output_stream.h"

#include <cerrno>

void OutputStream::Write(std::string_view bytes) {
    if (m_error != 0 || bytes.empty()) return;
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) {
        m_error = errno != 0 ? errno : EIO;
    }
}

void OutputStream::Flush() {
    if (m_error != 0) return;
    errno = 0;
    if (std::fflush(m_file) != 0) m_error = errno != 0 ? errno : EIO;
}

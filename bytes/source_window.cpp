#include "bytes/source_window.h"

#include <algorithm>
#include <cstring>

SourceWindow::SourceWindow(ByteSource& source) : m_source(source), m_size(source.Size()) {
    ByteView whole = source.InMemory();
    if (whole.data != nullptr && whole.size == m_size) m_window = whole;
}

ByteView SourceWindow::At(uint64_t offset, size_t count) {
    if (offset >= m_size) return {};
    uint64_t left = m_size - offset;
    if (count > left) count = static_cast<size_t>(left);
    if (offset >= m_windowStart && offset - m_windowStart <= m_window.size) {
        size_t from = static_cast<size_t>(offset - m_windowStart);
        if (m_window.size - from >= count) return {m_window.data + from, m_window.size - from};
    }
    m_window = m_source.Read(offset, std::max(count, kBlockSize), m_scratch);
    if (m_window.size < count && m_window.size != 0) m_window = Gather(offset, count);
    m_windowStart = offset;
    uint64_t data = m_source.DataFrom(offset);
    if (data > offset) {
        m_holeStart = offset;
        m_holeEnd = data;
    }
    return m_window;
}

ByteView SourceWindow::Gather(uint64_t offset, size_t count) {
    std::vector<uint8_t> gathered(m_window.data, m_window.data + m_window.size);
    while (gathered.size() < count) {
        ByteView piece =
            m_source.Read(offset + gathered.size(), count - gathered.size(), m_scratch);
        if (piece.size == 0) break;
        gathered.insert(gathered.end(), piece.data, piece.data + piece.size);
    }
    // Exactly the size gathered, so that a reader that reads past the window
    // reads past the buffer too.
    m_gathered = std::vector<uint8_t>(gathered.begin(), gathered.end());
    return {m_gathered.data(), m_gathered.size()};
}

bool SourceWindow::CopyAt(uint64_t offset, size_t count, uint8_t* out) {
    ByteView view = At(offset, count);
    if (view.size < count) return false;
    if (count != 0) std::memcpy(out, view.data, count);
    return true;
}

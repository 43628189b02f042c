#include "bytes/source_window.h"

#include <algorithm>
#include <cstring>

SourceWindow::SourceWindow(ByteSource& source, size_t blockSize)
    : m_source(source),
      m_size(source.Size()),
      m_blockSize(blockSize == 0 ? kDefaultBlockSize : blockSize) {
    ByteView whole = source.InMemory();
    if (blockSize == 0 && whole.data != nullptr && whole.size == m_size) m_window = whole;
}

ByteView SourceWindow::At(uint64_t offset, size_t count) {
    if (offset >= m_size) return {};
    uint64_t left = m_size - offset;
    if (count > left) count = static_cast<size_t>(left);
    if (offset >= m_windowStart && offset - m_windowStart <= m_window.size) {
        size_t from = static_cast<size_t>(offset - m_windowStart);
        if (m_window.size - from >= count) return {m_window.data + from, m_window.size - from};
    }
    m_window = m_source.Read(offset, std::max(count, m_blockSize), m_scratch);
    m_windowStart = offset;
    uint64_t data = m_source.DataFrom(offset);
    if (data > offset) {
        m_holeStart = offset;
        m_holeEnd = data;
    }
    return m_window;
}

bool SourceWindow::CopyAt(uint64_t offset, size_t count, uint8_t* out) {
    ByteView view = At(offset, count);
    if (view.size < count) return false;
    if (count != 0) std::memcpy(out, view.data, count);
    return true;
}

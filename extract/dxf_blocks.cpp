#include "extract/dxf_blocks.h"

DxfBlocks::DxfBlocks(ByteSource& file, uint64_t start)
    : m_file(file), m_offset(start), m_inMemory(file.InMemory().data != nullptr) {}

ByteView DxfBlocks::Next() {
    if (m_peeked) {
        m_peeked = false;
        if (m_kept.size != 0) return m_kept;
    }
    return Read();
}

ByteView DxfBlocks::Peek() {
    if (!m_peeked) {
        m_kept = Read();
        m_peeked = true;
    }
    return m_kept;
}

void DxfBlocks::Skip(size_t count) {
    Peek();
    if (count > m_kept.size) count = m_kept.size;
    m_kept.data += count;
    m_kept.size -= count;
}

ByteView DxfBlocks::Read() {
    const uint64_t size = m_file.Size();
    if (m_offset >= size) return {};
    if (m_inMemory) {
        ByteView whole = m_file.InMemory();
        ByteView rest{whole.data + m_offset, whole.size - static_cast<size_t>(m_offset)};
        m_offset = size;
        return rest;
    }
    ByteView block = m_file.Read(m_offset, kBlockSize, m_scratch);
    // A read that gives nothing before the end failed: the data ends there.
    if (block.size == 0) m_offset = size;
    m_offset += block.size;
    return block;
}

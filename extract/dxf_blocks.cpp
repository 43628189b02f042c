#include "extract/dxf_blocks.h"

DxfBlocks::DxfBlocks(ByteSource& file, uint64_t start, size_t blockSize)
    : m_file(file),
      m_offset(start),
      m_blockSize(blockSize == 0 ? kDefaultBlockSize : blockSize),
      m_inMemory(blockSize == 0 && file.InMemory().data != nullptr) {}

ByteView DxfBlocks::Next() {
    const uint64_t size = m_file.Size();
    if (m_offset >= size) return {};
    if (m_inMemory) {
        ByteView whole = m_file.InMemory();
        ByteView rest{whole.data + m_offset, whole.size - static_cast<size_t>(m_offset)};
        m_offset = size;
        return rest;
    }
    ByteView block = m_file.Read(m_offset, m_blockSize, m_scratch);
    // A read that gives nothing before the end failed: the data ends there.
    if (block.size == 0) m_offset = size;
    m_offset += block.size;
    return block;
}

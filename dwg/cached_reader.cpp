#include "dwg/cached_reader.h"

#include <algorithm>
#include <cstring>

CachedReader::CachedReader(ByteSource& source)
    : m_source(source), m_memory(source.InMemory()), m_size(source.Size()) {
    if (m_memory.data == nullptr) m_blocks.resize(kBlockCount);
}

const CachedReader::Block& CachedReader::CachedBlock(uint64_t index) {
    ++m_clock;
    Block* slot = &m_blocks.front();
    for (Block& block : m_blocks) {
        if (block.index == index) {
            block.lastUse = m_clock;
            return block;
        }
        if (block.lastUse < slot->lastUse) slot = &block;
    }
    slot->index = index;
    slot->lastUse = m_clock;
    ByteView bytes = m_source.Read(index * kBlockBytes, kBlockBytes, slot->data);
    if (bytes.data != slot->data.data()) slot->data.assign(bytes.data, bytes.data + bytes.size);
    slot->data.resize(bytes.size);
    return *slot;
}

ByteView CachedReader::Read(uint64_t offset, size_t count) {
    if (offset >= m_size) return {};
    count = static_cast<size_t>(std::min<uint64_t>(count, m_size - offset));
    if (count == 0) return {};
    if (m_memory.data != nullptr) return {m_memory.data + offset, count};
    if (count > kBlockBytes) return m_source.Read(offset, count, m_scratch);

    uint64_t first = offset / kBlockBytes;
    uint64_t last = (offset + count - 1) / kBlockBytes;
    size_t within = static_cast<size_t>(offset - first * kBlockBytes);
    const Block& head = CachedBlock(first);
    size_t headBytes = head.data.size() > within ? head.data.size() - within : 0;
    if (headBytes == 0) return {};  // the block's read failed before `offset`
    if (first == last || headBytes < kBlockBytes - within) {
        // Within one block, or cut short by a failed read.
        return {head.data.data() + within, std::min(count, headBytes)};
    }
    // Across two blocks: the head's part first, before the tail may evict it.
    m_scratch.assign(head.data.begin() + static_cast<std::ptrdiff_t>(within), head.data.end());
    const Block& tail = CachedBlock(last);
    size_t tailBytes = std::min(count - m_scratch.size(), tail.data.size());
    m_scratch.insert(m_scratch.end(), tail.data.begin(),
                     tail.data.begin() + static_cast<std::ptrdiff_t>(tailBytes));
    return {m_scratch.data(), m_scratch.size()};
}

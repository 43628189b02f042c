#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bytes/byte_source.h"

// Small reads of a byte source through a few cached blocks. An object walk
// asks for many small pieces (a map section, each object's size and type,
// then its bytes), mostly in ascending order; the cache turns them into a
// few block-sized reads. A source held in memory is read in place.
//
// Memory: kBlockCount blocks of kBlockBytes, plus one buffer for a piece that
// spans two blocks or is larger than one (as large as the largest piece asked
// for: callers cap what they ask).
class CachedReader {
  public:
    static constexpr size_t kBlockBytes = size_t{32} << 10;
    static constexpr size_t kBlockCount = 8;

    explicit CachedReader(ByteSource& source);
    CachedReader(const CachedReader&) = delete;
    CachedReader& operator=(const CachedReader&) = delete;

    uint64_t Size() const { return m_size; }

    // The bytes [offset, offset + count), clipped at Size(); fewer when the
    // source fails part way. Valid until the next Read.
    ByteView Read(uint64_t offset, size_t count);

  private:
    struct Block {
        uint64_t index = UINT64_MAX;
        uint64_t lastUse = 0;
        std::vector<uint8_t> data;  // short at the end of the source or after a failed read
    };

    const Block& CachedBlock(uint64_t index);

    ByteSource& m_source;
    ByteView m_memory;
    uint64_t m_size;
    std::vector<Block> m_blocks;
    uint64_t m_clock = 0;
    std::vector<uint8_t> m_scratch;
};

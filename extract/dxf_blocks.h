#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bytes/byte_source.h"
#include "bytes/byte_view.h"

// The blocks a DXF reader walks, front to back from `start`: the source's
// bytes in memory as one block when it holds them (walked in place, never
// copied), or what reads of kBlockSize bytes give, one after the other, so
// memory does not grow with the file. A source that gives fewer bytes a read
// gives smaller blocks; only a read that gives nothing ends the data.
class DxfBlocks {
  public:
    DxfBlocks(ByteSource& file, uint64_t start);

    static constexpr size_t kBlockSize = size_t{1} << 20;

    // The next block; an empty view once the data is used up (or a read
    // failed). The view stays valid until the next call.
    ByteView Next();

    // The block Next gives next, read now and kept for it (so the start of the
    // data is looked at without a read of its own).
    ByteView Peek();

    // Passes over the first `count` bytes of the kept block (at most its size).
    void Skip(size_t count);

  private:
    ByteView Read();

    ByteSource& m_file;
    uint64_t m_offset;
    bool m_inMemory;
    bool m_peeked = false;
    ByteView m_kept;
    std::vector<uint8_t> m_scratch;
};

// A piece of data that may run across blocks (a line, a string): a view into
// the block when it lies in one, or the bytes gathered in `buffer`, at most
// `keep` of them. `length` counts every byte of the piece, kept or not.
struct DxfPiece {
    std::string_view bytes;
    size_t length = 0;
    bool Cut() const { return length > bytes.size(); }
};

// Gathers the bytes of a piece that runs across blocks, keeping at most
// `keep` of them.
class DxfCarry {
  public:
    void Start(size_t keep) {
        m_bytes.clear();
        m_keep = keep;
        m_length = 0;
        m_last = 0;
    }
    void Append(const uint8_t* data, size_t count) {
        if (count == 0) return;
        m_length += count;
        m_last = data[count - 1];
        if (m_bytes.size() < m_keep) {
            size_t room = m_keep - m_bytes.size();
            m_bytes.append(reinterpret_cast<const char*>(data), count < room ? count : room);
        }
    }
    size_t Length() const { return m_length; }
    // The last byte appended (kept or not); 0 before any.
    uint8_t Last() const { return m_last; }
    DxfPiece Piece() const { return {m_bytes, m_length}; }

  private:
    std::string m_bytes;
    size_t m_keep = 0;
    size_t m_length = 0;
    uint8_t m_last = 0;
};

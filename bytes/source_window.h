#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bytes/byte_source.h"
#include "bytes/byte_view.h"

// A window on a ByteSource for readers that walk a file front to back, or
// jump forward through it: the bytes at an offset come from the window when
// it holds them, and otherwise from one read of a block (kBlockSize bytes)
// that starts at the offset. Memory stays one block (or the largest piece
// asked for, when that is larger) whatever the size of the file. A source
// that holds its bytes in memory is one window, walked in place and never
// copied. Several windows may share a source whose reads go to the scratch
// given (a file, bytes in memory): each keeps its own.
//
// A source that gives fewer bytes a read than asked for gives smaller
// windows: the window is what the read gave, and when that is less than the
// piece asked for, the rest is read on from where it stopped (into a buffer
// of the window's own) until a read gives nothing.
class SourceWindow {
  public:
    static constexpr size_t kBlockSize = size_t{64} << 10;

    explicit SourceWindow(ByteSource& source);

    uint64_t Size() const { return m_size; }

    // The bytes from `offset` on that the window holds after making sure of
    // the first `count` of them: at least `count` bytes, fewer only where the
    // data ends or a read gives nothing (then what could be read). Empty at or past
    // the end of the data. The view stays valid until the next call.
    ByteView At(uint64_t offset, size_t count = 1);

    // Copies the `count` bytes at `offset` into `out` (exactly that many);
    // false when the data does not hold them all.
    bool CopyAt(uint64_t offset, size_t count, uint8_t* out);

    // Where the run of zero bytes known to start at `offset` ends: the end of
    // the hole of a sparse file that the last block read from `offset` lies
    // in (the source's DataFrom, asked once a block), or `offset` itself when
    // nothing is known. Lets a walk over zeros pass a hole of gigabytes at
    // once.
    uint64_t ZerosUntil(uint64_t offset) const {
        return offset >= m_holeStart && offset < m_holeEnd ? m_holeEnd : offset;
    }

  private:
    // The window at `offset` made from the short read in m_window and the
    // reads after it, up to `count` bytes.
    ByteView Gather(uint64_t offset, size_t count);

    ByteSource& m_source;
    uint64_t m_size;
    std::vector<uint8_t> m_scratch;
    std::vector<uint8_t> m_gathered;  // a window gathered from several reads
    ByteView m_window;                // the bytes at [m_windowStart, m_windowStart + m_window.size)
    uint64_t m_windowStart = 0;
    uint64_t m_holeStart = 0;  // [m_holeStart, m_holeEnd): zeros, a hole of the file
    uint64_t m_holeEnd = 0;
};

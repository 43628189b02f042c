#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bytes/byte_source.h"
#include "bytes/byte_view.h"
#include "bytes/source_window.h"

// A place in a file that the SXF readers walk front to back, with a few
// bytes of look-ahead across block boundaries: the bytes come from a
// SourceWindow, so memory stays one block whatever the size of the file.
class SxfCursor {
  public:
    // The look-ahead that Peek and Ahead are always good for (fewer bytes
    // only where the data ends).
    static constexpr size_t kLookAhead = 64;

    // At the start of `source`: a source that holds its bytes in memory is
    // walked in place, others are read in blocks (SourceWindow's).
    explicit SxfCursor(ByteSource& source);

    uint64_t Offset() const { return m_start + m_at; }

    // The byte `k` bytes ahead (k < kLookAhead), or -1 past the end of the data.
    int Peek(size_t k = 0) {
        if (m_at + k < m_view.size) return m_view.data[m_at + k];
        return PeekAfterLoad(k);
    }

    // The bytes from the cursor on that are at hand: at least `count` of them
    // (count <= kLookAhead), fewer only where the data ends; empty at its end.
    // Valid until the cursor next loads (Peek or Ahead past the view).
    ByteView Ahead(size_t count = 1) {
        if (m_view.size < m_at || m_view.size - m_at < count) Load(count);
        return {m_view.data + m_at, m_view.size - m_at};
    }

    // Moves on `count` bytes (past the view too: the next look loads).
    void Skip(size_t count) { m_at += count; }

    bool AtEnd() { return Peek(0) < 0; }

    // Moves past the run of zero bytes the cursor is in when the source
    // knows it to be a hole of a sparse file (SourceWindow::ZerosUntil), so
    // that a scan passes a hole of gigabytes at once.
    void SkipZeros() {
        uint64_t end = m_window.ZerosUntil(Offset());
        if (end > Offset()) m_at += static_cast<size_t>(end - Offset());
    }

    // Moves past "ISO-10303-21;" (ASCII case ignored) at the start of the
    // data, after a UTF-8 byte-order mark and blanks; false, not moving,
    // when the data does not start so (no exchange structure).
    bool SkipExchangeStructureStart();

    // The last byte before `offset` that is no space, tab, CR or LF, or -1
    // when there is none. Reads what the view does not hold on its own,
    // without moving the cursor.
    int SignificantByteBefore(uint64_t offset);

  private:
    int PeekAfterLoad(size_t k);
    void Load(size_t count);

    ByteSource& m_source;
    SourceWindow m_window;
    ByteView m_view;       // the bytes from m_start on
    uint64_t m_start = 0;  // the offset of m_view's first byte
    size_t m_at = 0;       // the cursor, from m_start
    std::vector<uint8_t> m_backScratch;
};

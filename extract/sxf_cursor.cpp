#include "extract/sxf_cursor.h"

#include <algorithm>
#include <string_view>

namespace {

bool IsBlank(uint8_t byte) { return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n'; }

// How far back one read of SignificantByteBefore looks.
constexpr size_t kBackStep = 256;

}  // namespace

SxfCursor::SxfCursor(ByteSource& source, size_t blockSize)
    : m_source(source),
      m_window(source,
               blockSize == 0 && source.InMemory().data == nullptr ? kBlockSize : blockSize) {
    Load(kLookAhead);
}

int SxfCursor::PeekAfterLoad(size_t k) {
    Load(k + 1);
    return m_at + k < m_view.size ? m_view.data[m_at + k] : -1;
}

void SxfCursor::Load(size_t count) {
    uint64_t offset = Offset();
    m_view = m_window.At(offset, std::max(count, kLookAhead));
    m_start = offset;
    m_at = 0;
}

bool SxfCursor::SkipExchangeStructureStart() {
    constexpr std::string_view kStart = "iso-10303-21;";
    ByteView head = Ahead(kLookAhead);
    size_t at =
        head.size >= 3 && head.data[0] == 0xEF && head.data[1] == 0xBB && head.data[2] == 0xBF ? 3
                                                                                               : 0;
    while (at < head.size && IsBlank(head.data[at])) ++at;
    if (head.size - at < kStart.size()) return false;
    for (char ch : kStart) {
        uint8_t byte = head.data[at++];
        if ((byte >= 'A' && byte <= 'Z' ? byte + 32 : byte) != static_cast<uint8_t>(ch))
            return false;
    }
    Skip(at);
    return true;
}

int SxfCursor::SignificantByteBefore(uint64_t offset) {
    // First in the view, which holds [m_start, m_start + m_view.size).
    while (offset > m_start && offset - m_start <= m_view.size) {
        uint8_t byte = m_view.data[offset - m_start - 1];
        if (!IsBlank(byte)) return byte;
        --offset;
    }
    // Then in pieces read before it.
    while (offset > 0) {
        size_t count = static_cast<size_t>(std::min<uint64_t>(offset, kBackStep));
        ByteView piece = m_source.Read(offset - count, count, m_backScratch);
        if (piece.size != count) return -1;  // a read that failed: nothing known
        for (size_t k = count; k > 0; --k) {
            if (!IsBlank(piece.data[k - 1])) return piece.data[k - 1];
        }
        offset -= count;
    }
    return -1;
}

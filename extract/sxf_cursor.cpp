#include "extract/sxf_cursor.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

bool IsBlank(uint8_t byte) { return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n'; }

// How far back one read of SignificantByteBefore looks.
constexpr size_t kBackStep = 256;

}  // namespace

SxfCursor::SxfCursor(ByteSource& source) : m_source(source), m_window(source) { Load(kLookAhead); }

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
    // Then in pieces read before it, each gathered from as many reads as the
    // source takes to give it.
    uint8_t piece[kBackStep];
    while (offset > 0) {
        const size_t count = static_cast<size_t>(std::min<uint64_t>(offset, kBackStep));
        const uint64_t from = offset - count;
        for (size_t got = 0; got < count;) {
            ByteView part = m_source.Read(from + got, count - got, m_backScratch);
            if (part.size == 0) return -1;  // a read that failed: nothing known
            size_t take = std::min(part.size, count - got);
            std::memcpy(piece + got, part.data, take);
            got += take;
        }
        for (size_t k = count; k > 0; --k) {
            if (!IsBlank(piece[k - 1])) return piece[k - 1];
        }
        offset = from;
    }
    return -1;
}

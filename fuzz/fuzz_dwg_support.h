#pragma once

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "bytes/byte_source.h"
#include "bytes/extracted_text.h"
#include "dwg/dwg.h"

// A source that is not in memory: every read copies into the scratch buffer,
// exactly as long as the bytes it gives, as a file source does.
class PieceSource final : public ByteSource {
  public:
    explicit PieceSource(ByteView bytes) : m_bytes(bytes) {}
    uint64_t Size() const override { return m_bytes.size; }
    ByteView Read(uint64_t offset, size_t count, std::vector<uint8_t>& scratch) override {
        scratch.clear();
        if (offset < m_bytes.size) {
            count = std::min<size_t>(count, m_bytes.size - static_cast<size_t>(offset));
            scratch.assign(m_bytes.data + offset, m_bytes.data + offset + count);
        }
        return {scratch.data(), scratch.size()};
    }

  private:
    ByteView m_bytes;
};

// The lines of a drawing with their kinds, one string.
inline std::string LinesWithKinds(const ExtractedText& text) {
    std::string all;
    for (size_t k = 0; k < text.size(); ++k) {
        all += static_cast<char>('A' + static_cast<int>(text[k].kind));
        all += text[k].text;
        all += '\n';
    }
    return all;
}

// Reads `file` in memory and piece by piece; aborts unless both give the
// same lines of the same kinds. Gives the lines.
inline ExtractedText ReadDwgBothWays(ByteView file) {
    MemorySource memory(file);
    ExtractedText inMemory;
    ExtractDwgText(memory, inMemory);
    PieceSource pieces(file);
    ExtractedText inPieces;
    ExtractDwgText(pieces, inPieces);
    if (LinesWithKinds(inMemory) != LinesWithKinds(inPieces)) std::abort();
    return inMemory;
}

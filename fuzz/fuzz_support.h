#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <type_traits>
#include <vector>

#include "bytes/byte_source.h"
#include "bytes/byte_view.h"
#include "bytes/extracted_text.h"
#include "tests/block_limit_source.h"

// Input copied into a buffer of exactly its size, so AddressSanitizer stops at
// the first byte read past it.
inline std::vector<uint8_t> ExactCopy(const uint8_t* data, size_t size) {
    return std::vector<uint8_t>(data, data + size);
}

// Properties every reader's output has: empty or ended by CR LF, and the same
// for the same input. `read` gives the joined lines of a byte view, or fills
// an ExtractedText from a source (the input in memory) or from a byte view.
template <typename Reader>
void CheckReader(Reader read, const uint8_t* data, size_t size) {
    std::vector<uint8_t> copy = ExactCopy(data, size);
    ByteView view{copy.data(), copy.size()};
    auto joined = [&read](ByteView bytes) {
        if constexpr (std::is_invocable_v<Reader, ByteSource&, ExtractedText&>) {
            MemorySource source(bytes);
            ExtractedText text;
            read(source, text);
            if (text.ByteCount() > ExtractedText::kDefaultByteLimit) std::abort();
            return text.Joined();
        } else if constexpr (std::is_invocable_v<Reader, ByteView, ExtractedText&>) {
            ExtractedText text;
            read(bytes, text);
            if (text.ByteCount() > ExtractedText::kDefaultByteLimit) std::abort();
            return text.Joined();
        } else {
            return std::string(read(bytes));
        }
    };
    std::string text = joined(view);
    if (!text.empty() && (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0)) {
        std::abort();
    }
    if (joined(view) != text) std::abort();
}

// A source that serves every read as a fresh buffer of exactly the bytes asked
// for and has no in-memory view, so a reader that walks it in blocks and reads
// past one trips AddressSanitizer; it tells its runs of zeros as holes.
class ExactCopySource final : public ByteSource {
  public:
    explicit ExactCopySource(ByteView bytes) : m_bytes(bytes) {}
    uint64_t Size() const override { return m_bytes.size; }
    ByteView Read(uint64_t offset, size_t count, std::vector<uint8_t>& scratch) override {
        if (offset >= m_bytes.size) return {};
        size_t left = m_bytes.size - static_cast<size_t>(offset);
        const uint8_t* start = m_bytes.data + offset;
        scratch = std::vector<uint8_t>(start, start + (count < left ? count : left));
        return {scratch.data(), scratch.size()};
    }
    // Every run of zero bytes is told as a hole, as a sparse file's are.
    uint64_t DataFrom(uint64_t offset) override {
        if (offset >= m_holeStart && offset < m_holeEnd) return m_holeEnd;
        uint64_t end = offset;
        while (end < m_bytes.size && m_bytes.data[end] == 0) ++end;
        m_holeStart = offset;
        m_holeEnd = end;
        return end < m_bytes.size ? end : m_bytes.size;
    }

  private:
    ByteView m_bytes;
    uint64_t m_holeStart = 0;  // the last run of zeros told, kept for the reads after
    uint64_t m_holeEnd = 0;
};

// Whether two readings gave the same lines, kind by kind.
inline bool SameLines(const ExtractedText& a, const ExtractedText& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].kind != b[i].kind || a[i].text != b[i].text) return false;
    }
    return true;
}

// A block size chosen by the input's last byte: small enough that pieces of
// the data fall on block boundaries everywhere, and growing with the input so
// that a large one is still read in a few hundred blocks.
inline size_t BlockSizeFor(const uint8_t* data, size_t size) {
    return size == 0 ? 1 : 1 + data[size - 1] % 67 + size / 256;
}

// Reads `view` in place and in blocks (of the size BlockSizeFor chooses for
// the input, from an ExactCopySource through a BlockLimitSource): both give
// the same lines, within the output's limit.
template <typename Reader>
void CheckSameInBlocks(Reader read, ByteView view, const uint8_t* data, size_t size,
                       size_t limit = ExtractedText::kDefaultByteLimit) {
    MemorySource inMemory(view);
    ExactCopySource copies(view);
    testing_support::BlockLimitSource blocks(copies, BlockSizeFor(data, size));
    ExtractedText inPlace(limit), inBlocks(limit);
    read(inMemory, inPlace);
    read(blocks, inBlocks);
    if (inPlace.ByteCount() > limit) std::abort();
    if (!SameLines(inPlace, inBlocks)) std::abort();
}

// The same for the input as it is, into a text of the default limit and into
// one of a small limit that the input's second last byte chooses, so lines
// cut at the limit are compared too.
template <typename Reader>
void CheckBlockReads(Reader read, const uint8_t* data, size_t size) {
    std::vector<uint8_t> copy = ExactCopy(data, size);
    ByteView view{copy.data(), copy.size()};
    const size_t smallLimit = 2 * ExtractedText::kLineCost + (size > 1 ? data[size - 2] : 0) * 3;
    for (size_t limit : {ExtractedText::kDefaultByteLimit, smallLimit}) {
        CheckSameInBlocks(read, view, data, size, limit);
    }
}

#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bytes/byte_view.h"

// Where a reader's bytes come from: a file read in pieces (positioned reads),
// a section decompressed page by page, or bytes already in memory. Readers
// ask only for the pieces they need, so memory does not depend on the size of
// the drawing.
class ByteSource {
  public:
    virtual ~ByteSource() = default;

    // The number of bytes the source holds (fixed when it was opened).
    virtual uint64_t Size() const = 0;

    // The bytes [offset, offset + count), clipped at Size(): a view into
    // memory the source holds, or into `scratch`, which the source fills from
    // its start (resizing it when it is too small; it may stay larger than
    // the view). The view stays valid until `scratch` changes or the source is
    // used again. An offset at or past the end gives an empty view.
    //
    // A read may give fewer bytes than asked for before the end: one that
    // fails part way gives the bytes before the failure, and a source may
    // give its bytes in pieces (the tests' sources do, to move the block
    // boundaries readers meet). The walks over blocks (SourceWindow,
    // DxfBlocks, ReadBytes) read on from where a read stopped and take only a
    // read that gives nothing as the end of the data; the other readers take
    // any short read as the end.
    virtual ByteView Read(uint64_t offset, size_t count, std::vector<uint8_t>& scratch) = 0;

    // The whole data when the source holds it in memory, so that readers may
    // walk it in place; an empty view (data == nullptr) otherwise.
    virtual ByteView InMemory() const { return {}; }

    // The first offset at or after `offset` where the source may hold a byte
    // that is not zero (Size() when there is none): the holes of a sparse
    // file read as zeros, and a scan for other bytes may pass over them.
    // `offset` itself unless the source knows better.
    virtual uint64_t DataFrom(uint64_t offset) { return offset; }
};

// Bytes in memory seen as a source. Reads are views into them, never copies.
class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(ByteView bytes) : m_bytes(bytes) {}

    uint64_t Size() const override { return m_bytes.size; }
    ByteView Read(uint64_t offset, size_t count, std::vector<uint8_t>&) override {
        if (offset >= m_bytes.size) return {m_bytes.data + m_bytes.size, 0};
        size_t left = m_bytes.size - static_cast<size_t>(offset);
        return {m_bytes.data + offset, count < left ? count : left};
    }
    ByteView InMemory() const override { return m_bytes; }

  private:
    ByteView m_bytes;
};

// Reads `count` bytes at `offset` of `source` into a buffer of their own
// (clipped at the end of the source, or where a read gives nothing), for data
// a reader keeps.
inline std::vector<uint8_t> ReadBytes(ByteSource& source, uint64_t offset, size_t count) {
    if (offset >= source.Size()) return {};
    if (count > source.Size() - offset) count = static_cast<size_t>(source.Size() - offset);
    std::vector<uint8_t> scratch;
    ByteView view = source.Read(offset, count, scratch);
    if (view.size == count || view.size == 0) {
        if (view.data == scratch.data() && view.size == scratch.size()) return scratch;
        return std::vector<uint8_t>(view.data, view.data + view.size);
    }
    std::vector<uint8_t> bytes(view.data, view.data + view.size);
    while (bytes.size() < count) {
        view = source.Read(offset + bytes.size(), count - bytes.size(), scratch);
        if (view.size == 0) break;
        bytes.insert(bytes.end(), view.data, view.data + view.size);
    }
    return bytes;
}

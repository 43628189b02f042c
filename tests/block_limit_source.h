#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "bytes/byte_source.h"

namespace testing_support {

// A source that gives at most `blockSize` bytes (at least 1) a read of
// `inner`, and holds no in-memory view, so that a reader walking it meets a
// block boundary every `blockSize` bytes wherever its pieces lie: the tests
// and fuzz targets read each drawing through sources of many block sizes and
// compare what the reader gives with its reading in place. The holes `inner`
// tells are told too.
class BlockLimitSource final : public ByteSource {
  public:
    BlockLimitSource(ByteSource& inner, size_t blockSize)
        : m_inner(inner), m_blockSize(std::max<size_t>(1, blockSize)) {}

    uint64_t Size() const override { return m_inner.Size(); }
    ByteView Read(uint64_t offset, size_t count, std::vector<uint8_t>& scratch) override {
        return m_inner.Read(offset, std::min(count, m_blockSize), scratch);
    }
    uint64_t DataFrom(uint64_t offset) override { return m_inner.DataFrom(offset); }

  private:
    ByteSource& m_inner;
    size_t m_blockSize;
};

}  // namespace testing_support

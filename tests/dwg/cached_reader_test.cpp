#include "dwg/cached_reader.h"

#include <gtest/gtest.h>

#include "tests/dwg/dwg_builder.h"

using dwg_testing::PieceSource;

namespace {

std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t k = 0; k < size; ++k) bytes[k] = static_cast<char>(k * 7 + k / 251);
    return bytes;
}

std::string Text(ByteView view) {
    return std::string(reinterpret_cast<const char*>(view.data), view.size);
}

// A source whose reads fail from `failAt` on: they give the bytes before it.
class FailingSource final : public ByteSource {
  public:
    FailingSource(std::string bytes, uint64_t failAt)
        : m_bytes(std::move(bytes)), m_failAt(failAt) {}
    uint64_t Size() const override { return m_bytes.size(); }
    ByteView Read(uint64_t offset, size_t count, std::vector<uint8_t>& scratch) override {
        uint64_t end = std::min<uint64_t>({offset + count, m_bytes.size(), m_failAt});
        scratch.clear();
        if (offset < end) scratch.assign(m_bytes.begin() + offset, m_bytes.begin() + end);
        return {scratch.data(), scratch.size()};
    }

  private:
    std::string m_bytes;
    uint64_t m_failAt;
};

}  // namespace

TEST(CachedReader, PiecesWithinAcrossAndBeyondBlocks) {
    const size_t block = CachedReader::kBlockBytes;
    std::string bytes = Pattern(5 * block + 123);
    PieceSource source(bytes);
    CachedReader reader(source);
    EXPECT_EQ(reader.Size(), bytes.size());
    for (uint64_t offset :
         {uint64_t{0}, uint64_t{block - 3}, uint64_t{2 * block + 9}, uint64_t{5 * block + 100}}) {
        for (size_t count : {size_t{1}, size_t{6}, size_t{100}, block, block + 1, 3 * block}) {
            size_t expected = std::min<size_t>(count, bytes.size() - offset);
            EXPECT_EQ(Text(reader.Read(offset, count)), bytes.substr(offset, expected))
                << offset << " " << count;
        }
    }
    EXPECT_EQ(reader.Read(bytes.size(), 5).size, 0u);
    EXPECT_EQ(reader.Read(UINT64_MAX, 5).size, 0u);
    // Small pieces come from whole blocks: no read is larger than a block
    // unless a piece is.
    PieceSource fresh(bytes);
    CachedReader small(fresh);
    for (uint64_t offset = 0; offset + 40 < bytes.size(); offset += 997) small.Read(offset, 40);
    EXPECT_LE(fresh.largestRead, block);
    EXPECT_LE(fresh.bytesRead, bytes.size());
}

TEST(CachedReader, ManyBlocksInTurnAreReadAgain) {
    const size_t block = CachedReader::kBlockBytes;
    std::string bytes = Pattern((CachedReader::kBlockCount + 2) * block);
    PieceSource source(bytes);
    CachedReader reader(source);
    for (int round = 0; round < 3; ++round) {
        for (uint64_t offset = 0; offset < bytes.size(); offset += block) {
            EXPECT_EQ(Text(reader.Read(offset + 5, 10)), bytes.substr(offset + 5, 10));
        }
    }
}

TEST(CachedReader, SourceInMemoryIsReadInPlace) {
    std::string bytes = Pattern(1000);
    MemorySource source(AsBytes(bytes));
    CachedReader reader(source);
    ByteView view = reader.Read(10, 20);
    EXPECT_EQ(view.data, reinterpret_cast<const uint8_t*>(bytes.data()) + 10);
    EXPECT_EQ(view.size, 20u);
}

TEST(CachedReader, FailedReadsGiveTheBytesBeforeTheFailure) {
    const size_t block = CachedReader::kBlockBytes;
    std::string bytes = Pattern(3 * block);
    FailingSource source(bytes, block + 10);
    CachedReader reader(source);
    EXPECT_EQ(Text(reader.Read(block - 4, 20)), bytes.substr(block - 4, 14));
    EXPECT_EQ(reader.Read(block + 20, 5).size, 0u);
    EXPECT_EQ(Text(reader.Read(block, 2 * block)), bytes.substr(block, 10));
    // Fixed fault: a block whose read failed at once was offset while empty.
    FailingSource atBlock(bytes, block);
    CachedReader failed(atBlock);
    EXPECT_EQ(failed.Read(block + 20, 5).size, 0u);
    EXPECT_EQ(Text(failed.Read(block - 2, 5)), bytes.substr(block - 2, 2));
}

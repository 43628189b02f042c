#include "bytes/source_window.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/block_limit_source.h"
#include "tests/test_support.h"

using testing_support::BlockLimitSource;
using testing_support::CopyingSource;

namespace {

std::string Text(ByteView view) {
    return std::string(reinterpret_cast<const char*>(view.data), view.size);
}

// The bytes of `inner` up to `failAt`, then reads that give nothing: a file
// with a bad sector.
class FailingSource final : public ByteSource {
  public:
    FailingSource(ByteSource& inner, uint64_t failAt) : m_inner(inner), m_failAt(failAt) {}
    uint64_t Size() const override { return m_inner.Size(); }
    ByteView Read(uint64_t offset, size_t count, std::vector<uint8_t>& scratch) override {
        if (offset >= m_failAt) return {};
        return m_inner.Read(offset, std::min<uint64_t>(count, m_failAt - offset), scratch);
    }

  private:
    ByteSource& m_inner;
    uint64_t m_failAt;
};

}  // namespace

TEST(SourceWindow, AMemorySourceIsOneWindowWalkedInPlace) {
    std::string bytes = "0123456789";
    MemorySource source(AsBytes(bytes));
    SourceWindow window(source);
    ByteView view = window.At(4, 3);
    EXPECT_EQ(static_cast<const void*>(view.data), static_cast<const void*>(bytes.data() + 4));
    EXPECT_EQ(Text(view), "456789");
    EXPECT_EQ(window.At(10).size, 0u);
}

TEST(SourceWindow, ShortReadsAreReadOnUntilThePieceIsWhole) {
    std::string bytes = "0123456789abcdef";
    CopyingSource copies(bytes);
    BlockLimitSource source(copies, 3);
    SourceWindow window(source);
    EXPECT_EQ(Text(window.At(0)), "012");  // what one read gives
    EXPECT_EQ(Text(window.At(2, 7)), "2345678");
    EXPECT_EQ(Text(window.At(5, 2)), "5678");  // still in the window
    uint8_t out[6];
    ASSERT_TRUE(window.CopyAt(10, 6, out));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(out), 6), "abcdef");
    EXPECT_FALSE(window.CopyAt(12, 5, out));  // four bytes are left
    EXPECT_EQ(Text(window.At(12, 5)), "cdef");
}

TEST(SourceWindow, AReadThatGivesNothingEndsThePiece) {
    std::string bytes = "0123456789abcdef";
    CopyingSource copies(bytes);
    FailingSource failing(copies, 8);
    BlockLimitSource source(failing, 3);
    SourceWindow window(source);
    EXPECT_EQ(Text(window.At(5, 6)), "567");
    EXPECT_EQ(window.At(8).size, 0u);
    EXPECT_EQ(window.At(12).size, 0u);
}

TEST(ReadBytes, GathersShortReadsAndStopsWhereAReadGivesNothing) {
    std::string bytes = "0123456789abcdef";
    CopyingSource copies(bytes);
    BlockLimitSource pieces(copies, 3);
    EXPECT_EQ(ReadBytes(pieces, 1, 8), std::vector<uint8_t>(bytes.begin() + 1, bytes.begin() + 9));
    EXPECT_EQ(ReadBytes(pieces, 14, 8), std::vector<uint8_t>(bytes.begin() + 14, bytes.end()));
    EXPECT_TRUE(ReadBytes(pieces, 16, 1).empty());
    FailingSource failing(pieces, 7);
    EXPECT_EQ(ReadBytes(failing, 2, 10),
              std::vector<uint8_t>(bytes.begin() + 2, bytes.begin() + 7));
}

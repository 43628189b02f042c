#include <algorithm>

#include "extract/jww.h"
#include "fuzz/fuzz_support.h"

namespace {

// The bytes as a file holds them: every read copied into the caller's scratch
// (exactly the bytes asked for), so the reader's block reads are exercised.
class CopyingSource final : public ByteSource {
  public:
    explicit CopyingSource(ByteView bytes) : m_bytes(bytes) {}
    uint64_t Size() const override { return m_bytes.size; }
    ByteView Read(uint64_t offset, size_t count, std::vector<uint8_t>& scratch) override {
        size_t start = std::min<uint64_t>(offset, m_bytes.size);
        size_t end = start + std::min(count, m_bytes.size - start);
        scratch.assign(m_bytes.data + start, m_bytes.data + end);
        scratch.shrink_to_fit();
        return {scratch.data(), scratch.size()};
    }

  private:
    ByteView m_bytes;
};

void ReadInMemory(ByteView bytes, ExtractedText& out) {
    MemorySource source(bytes);
    ExtractJwwText(source, out);
}

}  // namespace

// Also checks that reading the file in blocks gives what reading it in memory
// gives.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckReader(ReadInMemory, data, size);
    std::vector<uint8_t> copy = ExactCopy(data, size);
    ByteView view{copy.data(), copy.size()};
    ExtractedText inMemory, inBlocks;
    ReadInMemory(view, inMemory);
    CopyingSource file(view);
    ExtractJwwText(file, inBlocks);
    if (inMemory.Joined() != inBlocks.Joined()) std::abort();
    return 0;
}

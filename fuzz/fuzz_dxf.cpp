#include "extract/dxf.h"
#include "fuzz/fuzz_support.h"

namespace {

void ReadInPlace(ByteView bytes, ExtractedText& out) {
    MemorySource source(bytes);
    ExtractDxfText(source, out);
}

}  // namespace

// Also checks that reading in small blocks, their size chosen by the input's
// last byte, gives the same lines as walking the bytes in place.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckReader(ReadInPlace, data, size);
    std::vector<uint8_t> copy = ExactCopy(data, size);
    ByteView view{copy.data(), copy.size()};
    ExtractedText inPlace, inBlocks;
    ReadInPlace(view, inPlace);
    ExactCopySource blocks(view);
    ExtractDxfTextInBlocks(blocks, inBlocks, BlockSizeFor(data, size));
    if (!SameLines(inPlace, inBlocks)) std::abort();
    return 0;
}

#include "extract/dxf.h"
#include "fuzz/fuzz_support.h"

// Reads the input in place and in small blocks, their size chosen by the
// input's last byte: both give the same lines, within the output's limit.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> copy = ExactCopy(data, size);
    ByteView view{copy.data(), copy.size()};
    MemorySource inMemory(view);
    ExtractedText inPlace, inBlocks;
    ExtractDxfText(inMemory, inPlace);
    ExactCopySource blocks(view);
    ExtractDxfTextInBlocks(blocks, inBlocks, BlockSizeFor(data, size));
    if (inPlace.ByteCount() > ExtractedText::kDefaultByteLimit) std::abort();
    if (!SameLines(inPlace, inBlocks)) std::abort();
    return 0;
}

#include "extract/dxf.h"
#include "fuzz/fuzz_support.h"

// Reads the input in place and in small blocks, their size chosen by the
// input's last byte: both give the same lines, within the output's limit.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> copy = ExactCopy(data, size);
    CheckSameInBlocks(ExtractDxfText, ByteView{copy.data(), copy.size()}, data, size);
    return 0;
}

#include <cstdlib>

#include "dwg/lz77_2007.h"
#include "fuzz/fuzz_support.h"

// The first two bytes are the output size (little-endian), the rest the
// compressed data. Beyond staying inside its buffers: the output has exactly
// the size asked for, and a larger size changes nothing but the zeros after
// it (the size only ever stops the data, so data that fits keeps fitting).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    size_t outputSize = data[0] | size_t{data[1]} << 8;
    std::vector<uint8_t> compressed = ExactCopy(data + 2, size - 2);
    ByteView view{compressed.data(), compressed.size()};

    std::vector<uint8_t> out;
    bool ok = DecompressLz77R2007(view, outputSize, out);
    if (out.size() != outputSize) std::abort();

    std::vector<uint8_t> larger;
    bool largerOk = DecompressLz77R2007(view, outputSize + 100, larger);
    if (larger.size() != outputSize + 100) std::abort();
    if (ok) {
        if (!largerOk) std::abort();
        if (!std::equal(out.begin(), out.end(), larger.begin())) std::abort();
        for (size_t k = outputSize; k < larger.size(); ++k) {
            if (larger[k] != 0) std::abort();
        }
    }
    return 0;
}

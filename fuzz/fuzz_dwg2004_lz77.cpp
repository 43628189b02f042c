#include <cstdlib>
#include <vector>

#include "dwg/lz77_2004.h"
#include "fuzz/fuzz_support.h"

// The first byte picks the stated size ((byte + 1) * 128: 128 to 32 KiB); the
// rest is the stream. Beyond no crash: the output never passes the stated
// size, the same input gives the same output, and the bound is exact: a
// stream that succeeds succeeds again with exactly its output's size stated,
// and fails with one byte less.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    size_t outSize = (size_t{data[0]} + 1) * 128;
    std::vector<uint8_t> copy = ExactCopy(data + 1, size - 1);
    ByteView stream{copy.data(), copy.size()};

    std::vector<uint8_t> out;
    bool ok = DecompressLz77_2004(stream, outSize, out);
    if (out.size() > outSize) std::abort();
    std::vector<uint8_t> again;
    if (DecompressLz77_2004(stream, outSize, again) != ok || again != out) std::abort();
    if (ok) {
        if (!DecompressLz77_2004(stream, out.size(), again) || again != out) std::abort();
        if (!out.empty() && DecompressLz77_2004(stream, out.size() - 1, again)) std::abort();
    }
    return 0;
}

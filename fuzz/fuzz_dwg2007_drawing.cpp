#include <cstring>

#include "fuzz/fuzz_dwg_support.h"
#include "fuzz/fuzz_support.h"

// Whole AC1021 drawings: every input is read as one (its first six bytes
// made "AC1021"), through the container and the object walk, in memory and
// piece by piece, which must give the same lines; and twice, the same.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6) return 0;
    std::vector<uint8_t> copy = ExactCopy(data, size);
    std::memcpy(copy.data(), "AC1021", 6);
    CheckReader(ExtractDwgText, copy.data(), copy.size());
    ReadDwgBothWays({copy.data(), copy.size()});
    return 0;
}

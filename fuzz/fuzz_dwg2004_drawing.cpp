#include <cstring>
#include <string_view>

#include "fuzz/fuzz_dwg_support.h"
#include "fuzz/fuzz_support.h"

// Whole drawings of 2004 to 2018: an input whose first six bytes are not
// "AC1018", "AC1024", "AC1027" or "AC1032" is read as an "AC1018" drawing.
// Read through the container and the object walk, in memory and piece by
// piece, which must give the same lines; and twice, the same.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6) return 0;
    std::vector<uint8_t> copy = ExactCopy(data, size);
    std::string_view version(reinterpret_cast<const char*>(copy.data()), 6);
    if (version != "AC1018" && version != "AC1024" && version != "AC1027" && version != "AC1032") {
        std::memcpy(copy.data(), "AC1018", 6);
    }
    CheckReader(ExtractDwgText, copy.data(), copy.size());
    ReadDwgBothWays({copy.data(), copy.size()});
    return 0;
}

#include "extract/dxf.h"
#include "fuzz/fuzz_support.h"

// Also checks that the narrow scan finds exactly what the wide one finds.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckReader(ExtractDxfText, data, size);
    std::vector<uint8_t> copy = ExactCopy(data, size);
    ByteView view{copy.data(), copy.size()};
    if (ExtractDxfTextWithFilter(view, true) != ExtractDxfTextWithFilter(view, false)) std::abort();
    return 0;
}

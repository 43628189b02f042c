#include "extract/jw.h"
#include "fuzz/fuzz_support.h"

// Also checks that reading the input in blocks gives what reading it in place
// gives.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckReader(ExtractJwcText, data, size);
    CheckBlockReads(ExtractJwcText, data, size);
    return 0;
}

#include "extract/mcd.h"
#include "fuzz/fuzz_support.h"

// Also checks that reading the input in blocks gives what reading it in place
// gives.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckReader(ExtractMcdText, data, size);
    CheckBlockReads(ExtractMcdText, data, size);
    return 0;
}

#include "extract/dracad.h"
#include "fuzz/fuzz_support.h"

// Also checks that reading the input in blocks gives what reading it in place
// gives, and runs the chain walk from a base that the first two bytes choose,
// at most a little beyond the end of the data.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckReader(ExtractMpxText, data, size);
    CheckBlockReads(ExtractMpxText, data, size);
    if (size >= 2) {
        size_t base = (data[0] | data[1] << 8) % (size + 64);
        CheckReader(
            [base](ByteSource& source, ExtractedText& out) {
                SourceWindow window(source);
                WalkMpxRecords(window, base, out);
            },
            data, size);
    }
    return 0;
}

#include "extract/dracad.h"
#include "fuzz/fuzz_support.h"

// Also checks that reading the input in blocks gives what reading it in place
// gives, and runs the chain walk from a base that the first two bytes choose,
// at most a little beyond the end of the data.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckReader([](ByteView file, ExtractedText& out) { ExtractMpxText(file, out); }, data, size);
    CheckBlockReads([](ByteSource& file, ExtractedText& out) { ExtractMpxText(file, out); },
                    ExtractMpxTextInBlocks, data, size);
    if (size >= 2) {
        size_t base = (data[0] | data[1] << 8) % (size + 64);
        CheckReader(
            [base](ByteView file, ExtractedText& out) {
                MemorySource source(file);
                SourceWindow window(source);
                WalkMpxRecords(window, base, out);
            },
            data, size);
    }
    return 0;
}

#include "dwg/dwg.h"
#include "fuzz/fuzz_support.h"

// Beyond the common properties: the text of a drawing never outgrows the
// drawing, since every line comes from bytes of its own (a TEXT record, or a
// TEXT or MTEXT object that shares no bytes with another).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckReader(
        [](ByteView file) {
            std::string text = ExtractDwgText(file);
            if (text.size() > file.size) std::abort();
            return text;
        },
        data, size);
    return 0;
}

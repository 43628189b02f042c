#include "dwg/dwg.h"
#include "fuzz/fuzz_support.h"

// Beyond the common properties: the text of a drawing never outgrows the
// drawing, since every line comes from bytes of its own (a TEXT record, or a
// TEXT or MTEXT object that shares no bytes with another).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckReader(ExtractDwgText, data, size);
    std::vector<uint8_t> copy = ExactCopy(data, size);
    if (ExtractDwgText(ByteView{copy.data(), copy.size()}).size() > size) std::abort();
    return 0;
}

#include "extract/sxf.h"
#include "extract/sxf_text.h"
#include "fuzz/fuzz_support.h"

// Also checks that reading the input in blocks gives what reading it in place
// gives, and that every line is of an SXF kind and shows something.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckReader(ExtractSfcText, data, size);
    CheckBlockReads(ExtractSfcText, data, size);
    std::vector<uint8_t> copy = ExactCopy(data, size);
    MemorySource source(ByteView{copy.data(), copy.size()});
    ExtractedText text;
    ExtractSfcText(source, text);
    for (size_t i = 0; i < text.size(); ++i) {
        bool sxf = text[i].kind == TextKind::SxfText || text[i].kind == TextKind::SxfTitleBlock;
        if (!sxf || IsBlankSxfLine(text[i].text)) std::abort();
    }
    return 0;
}

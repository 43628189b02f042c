#include "extract/sxf.h"
#include "extract/sxf_text.h"
#include "fuzz/fuzz_support.h"

// Reads the input in place and in blocks: both give the same lines. Every
// line is of an SXF kind and shows something.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckReader([](ByteView file, ExtractedText& out) { ExtractP21Text(file, out); }, data, size);
    CheckBlockReads([](ByteSource& file, ExtractedText& out) { ExtractP21Text(file, out); },
                    ExtractP21TextInBlocks, data, size);
    std::vector<uint8_t> copy = ExactCopy(data, size);
    ExtractedText text;
    ExtractP21Text(ByteView{copy.data(), copy.size()}, text);
    for (size_t i = 0; i < text.size(); ++i) {
        bool sxf = text[i].kind == TextKind::SxfText || text[i].kind == TextKind::SxfTitleBlock;
        if (!sxf || IsBlankSxfLine(text[i].text)) std::abort();
    }
    return 0;
}

#include "fuzz/fuzz_dwg_support.h"
#include "fuzz/fuzz_support.h"

// Beyond the common properties: a drawing read in memory and piece by piece
// gives the same lines; and the text of an R12 to R2000 drawing never
// outgrows twice the drawing, since every line comes from bytes of its own (a
// text record, or a text object that shares no bytes with another) and a
// character of a single-byte code page takes at most two CP932 bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckReader(ExtractDwgText, data, size);
    std::vector<uint8_t> copy = ExactCopy(data, size);
    ByteView file{copy.data(), copy.size()};
    ExtractedText text = ReadDwgBothWays(file);
    std::string_view version(reinterpret_cast<const char*>(copy.data()), std::min<size_t>(size, 6));
    bool uncompressed =
        version == "AC1009" || version == "AC1012" || version == "AC1014" || version == "AC1015";
    if (uncompressed && text.ByteCount() > 2 * size) std::abort();
    return 0;
}

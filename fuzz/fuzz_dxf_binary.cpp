#include "extract/dxf.h"
#include "fuzz/fuzz_support.h"

// The input follows the binary DXF sentinel, so every input walks the binary
// pair reader (its second byte chooses one- or two-byte group codes). Read in
// place and in small blocks, their size chosen by the input's last byte: both
// give the same lines, within the output's limit.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static constexpr char kSentinel[] = "AutoCAD Binary DXF\r\n\x1a";  // and its zero byte
    std::vector<uint8_t> file;
    file.reserve(sizeof kSentinel + size);  // exactly: a read past the end trips ASan
    file.insert(file.end(), kSentinel, kSentinel + sizeof kSentinel);
    file.insert(file.end(), data, data + size);
    CheckSameInBlocks(ExtractDxfText, ByteView{file.data(), file.size()}, data, size);
    return 0;
}

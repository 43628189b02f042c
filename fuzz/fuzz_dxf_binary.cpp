#include "extract/dxf.h"
#include "fuzz/fuzz_support.h"

// The input follows the binary DXF sentinel, so every input walks the binary
// pair reader (its second byte chooses one- or two-byte group codes). Reading
// in small blocks, their size chosen by the input's last byte, gives the same
// lines as walking the bytes in place.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static constexpr char kSentinel[] = "AutoCAD Binary DXF\r\n\x1a";  // and its zero byte
    std::vector<uint8_t> file(kSentinel, kSentinel + sizeof kSentinel);
    file.insert(file.end(), data, data + size);
    auto readInPlace = [](ByteView bytes, ExtractedText& out) {
        MemorySource source(bytes);
        ExtractDxfText(source, out);
    };
    CheckReader(readInPlace, file.data(), file.size());
    ExtractedText inPlace, inBlocks;
    readInPlace(ByteView{file.data(), file.size()}, inPlace);
    ExactCopySource blocks(ByteView{file.data(), file.size()});
    ExtractDxfTextInBlocks(blocks, inBlocks, BlockSizeFor(data, size));
    if (!SameLines(inPlace, inBlocks)) std::abort();
    return 0;
}

#include "extract/dxf.h"

#include <string_view>
#include <vector>

#include "extract/dxf_ascii.h"
#include "extract/dxf_binary.h"
#include "extract/dxf_blocks.h"
#include "extract/dxf_entity_text.h"

namespace {

// `blockSize` 0: in place when the source is in memory.
void ReadDxf(ByteSource& file, ExtractedText& out, size_t blockSize) {
    DxfEntityText text(out);
    std::vector<uint8_t> head = ReadBytes(file, 0, kBinaryDxfSentinel.size() + 2);
    std::string_view start(reinterpret_cast<const char*>(head.data()), head.size());
    if (!start.starts_with(kBinaryDxfSentinel)) {
        // A UTF-8 byte-order mark before the first code line is passed over.
        DxfBlocks blocks(file, start.starts_with("\xEF\xBB\xBF") ? 3 : 0, blockSize);
        ReadDxfAsciiPairs(blocks, text);
        return;
    }
    // The first pair is 0 SECTION: its code's second byte is zero where codes
    // take two bytes (R13 on), and 'S' where they take one (R12).
    bool twoByteCodes = head.size() < kBinaryDxfSentinel.size() + 2 || head.back() == 0;
    DxfBlocks blocks(file, kBinaryDxfSentinel.size(), blockSize);
    ReadDxfBinaryPairs(blocks, twoByteCodes, text);
}

}  // namespace

void ExtractDxfText(ByteSource& file, ExtractedText& out) { ReadDxf(file, out, 0); }

void ExtractDxfTextInBlocks(ByteSource& file, ExtractedText& out, size_t blockSize) {
    ReadDxf(file, out, blockSize == 0 ? 1 : blockSize);
}

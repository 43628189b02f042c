#include "extract/dxf.h"

#include <string_view>
#include <vector>

#include "extract/dxf_ascii.h"
#include "extract/dxf_binary.h"
#include "extract/dxf_blocks.h"
#include "extract/dxf_entity_text.h"

void ExtractDxfText(ByteSource& file, ExtractedText& out) {
    // The start of the data tells ASCII from binary; it is looked at in the
    // first block, which the reading then goes on with (a separate read only
    // when a tiny block holds less than it).
    constexpr size_t kHeadSize = kBinaryDxfSentinel.size() + 2;
    DxfBlocks blocks(file, 0);
    ByteView head = blocks.Peek();
    std::vector<uint8_t> headCopy;
    if (head.size < kHeadSize && head.size < file.Size()) {
        headCopy = ReadBytes(file, 0, kHeadSize);
        head = ByteView{headCopy.data(), headCopy.size()};
    }
    std::string_view start(reinterpret_cast<const char*>(head.data), head.size);
    const bool binary = start.starts_with(kBinaryDxfSentinel);
    // A UTF-8 byte-order mark before the first code line is passed over.
    size_t skip = binary ? kBinaryDxfSentinel.size() : start.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    DxfBlocks fromStart(file, skip);
    DxfBlocks& source = headCopy.empty() ? blocks : fromStart;
    if (headCopy.empty()) blocks.Skip(skip);

    DxfEntityText text(out);
    if (binary) {
        // The first pair is 0 SECTION: its code's second byte is zero where
        // codes take two bytes (R13 on), and 'S' where they take one (R12).
        bool twoByteCodes = head.size < kHeadSize || head.data[kHeadSize - 1] == 0;
        ReadDxfBinaryPairs(source, twoByteCodes, text);
    } else {
        ReadDxfAsciiPairs(source, text);
    }
}

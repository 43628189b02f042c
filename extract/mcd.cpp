#include "extract/mcd.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "bytes/match_at.h"
#include "bytes/spaces.h"

namespace {

struct McdLayout {
    std::string_view littleEndianTag;  // the record length before it is low byte first
    std::string_view bigEndianTag;     // the record length before it is high byte first
    size_t textOffset;                 // from the record's first byte (its length)
};

using namespace std::string_view_literals;

constexpr McdLayout kVersion2382{"\xA4\x2C\x79\x05\x00\x00\x00\x00\x00\x0A"sv,
                                 "\x05\x79\x2C\xA4\x00\x00\x00\x00\x00\x0A"sv, 116};
constexpr McdLayout kVersion2082{"\xA4\x2C\x79\x05\x01\x00\x00\x00\x0A\x00"sv,
                                 "\x05\x79\x2C\xA4\x00\x00\x00\x01\x00\x0A"sv, 74};
constexpr size_t kTagLength = 10;
constexpr size_t kLengthSize = 4;

const McdLayout* LayoutOfVersion(ByteView file) {
    if (file.size < 4) return nullptr;
    switch (ReadBe32At(file, 0)) {
        case 2382:  // 00 00 09 4E
            return &kVersion2382;
        case 2082:  // 00 00 08 22
        case 2076:  // 00 00 08 1C
            return &kVersion2082;
        default:
            return nullptr;
    }
}

// The length of the record whose tag is at `tag`, or 0 when no tag is there
// or the tag is no record (no room for the length, or a length that does not
// reach the text).
uint64_t RecordLengthAt(ByteView file, size_t tag, const McdLayout& layout) {
    bool little = MatchAt(file, tag, layout.littleEndianTag) != 0;
    if (!little && !MatchAt(file, tag, layout.bigEndianTag)) return 0;
    if (tag < kLengthSize) return 0;
    size_t record = tag - kLengthSize;
    uint32_t length = little ? ReadLe32At(file, record) : ReadBe32At(file, record);
    return length < layout.textOffset ? 0 : length;
}

}  // namespace

void ExtractMcdText(ByteView file, ExtractedText& out) {
    const McdLayout* layout = LayoutOfVersion(file);
    if (layout == nullptr) return;
    std::string line;

    size_t p = 0;
    while (p < file.size) {
        // Both tags start with A4 or 05; other bytes need no comparison.
        uint8_t first = file[p];
        uint64_t length = first == 0xA4 || first == 0x05 ? RecordLengthAt(file, p, *layout) : 0;
        if (length == 0) {
            ++p;
            continue;
        }
        size_t record = p - kLengthSize;
        // The text runs to the record's end; a record cut off by the end of the
        // data gives what the data holds.
        uint64_t recordEnd = std::min<uint64_t>(record + length, file.size);
        line.clear();
        for (size_t i = record + layout->textOffset; i < recordEnd; ++i) {
            if (file[i] != 0) line += static_cast<char>(file[i]);
        }
        if (!line.empty()) {
            // Spaces are deleted after the emptiness test: a record of spaces
            // alone gives an empty line.
            RemoveSpaces(line);
            if (!out.Add(TextKind::McdText, line)) return;
        }
        // The record's own bytes are never scanned for tags.
        p = static_cast<size_t>(recordEnd);
    }
}

#include "dwg/object_map.h"

#include "dwg/byte_fields.h"

namespace {

constexpr size_t kLocatorCountAt = 21;
constexpr size_t kLocatorsAt = 25;
constexpr size_t kLocatorBytes = 9;
constexpr uint8_t kObjectMapLocator = 2;

}  // namespace

std::optional<size_t> ReadSectionLocators(ByteView file) {
    if (file.size < kLocatorsAt) return std::nullopt;
    uint64_t count = ReadLe32At(file, kLocatorCountAt);
    if (count > (file.size - kLocatorsAt) / kLocatorBytes) return std::nullopt;
    std::optional<size_t> mapOffset;
    for (uint64_t k = 0; k < count; ++k) {
        size_t record = kLocatorsAt + kLocatorBytes * k;
        if (file[record] == kObjectMapLocator) mapOffset = ReadLe32At(file, record + 1);
    }
    return mapOffset;
}

std::vector<ObjectMapEntry> ReadObjectMap(ByteView file, size_t offset) {
    std::vector<ObjectMapEntry> entries;
    int32_t ordinal = 0;
    size_t sectionStart = offset;
    for (bool first = true;; first = false) {
        if (sectionStart > file.size || file.size - sectionStart < 2) break;
        size_t size = ReadBe16At(file, sectionStart);
        if (!first && size <= 2) break;  // the closing section: size and CRC only
        if (size < 2) break;             // a first section smaller than its size field
        // Pairs start at section byte 2 and go on while two or more bytes of
        // the S - 2 remain after the last byte read.
        if (size - 2 > 1) {
            ByteCursor c{sectionStart + 2};
            int64_t location = 0;
            do {
                uint64_t handleOffset = ReadModularChar(file, c);
                int64_t step = ReadSignedModularChar(file, c);
                if (c.overrun) return entries;
                location += step;
                entries.push_back(ObjectMapEntry{ordinal++, handleOffset, location});
            } while (c.pos - sectionStart - 1 < size - 2);
        }
        sectionStart += size + 2;
    }
    return entries;
}

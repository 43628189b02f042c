#include "dwg/object_walk.h"

#include "dwg/bit_cursor.h"
#include "dwg/byte_fields.h"
#include "dwg/object_map.h"
#include "dwg/text_entities.h"

void WalkDwgObjects(ByteView file, DwgVersion version, std::string& output) {
    std::optional<size_t> mapOffset = ReadSectionLocators(file);
    if (!mapOffset) return;
    std::vector<ObjectMapEntry> entries = ReadObjectMap(file, *mapOffset);

    // Objects do not overlap, so the text objects of a sound drawing take at
    // most the file's bytes; this bounds both the work and the output.
    uint64_t textObjectBytes = 0;
    for (const ObjectMapEntry& entry : entries) {
        if (entry.location < 0 || static_cast<uint64_t>(entry.location) >= file.size) return;
        ByteCursor sizeField{static_cast<size_t>(entry.location)};
        uint32_t objectBytes = ReadModularShort(file, sizeField);  // MS size in bytes
        if (sizeField.overrun || objectBytes > file.size - sizeField.pos) return;
        ByteView object{file.data + sizeField.pos, objectBytes};

        BitCursor typeCursor;
        uint32_t type = ReadBitShort(object, typeCursor);  // BS object type
        if (type != kDwgTypeText && type != kDwgTypeMText) continue;
        textObjectBytes += objectBytes;
        if (textObjectBytes > file.size) return;

        BitCursor c;
        std::string value = type == kDwgTypeText ? ReadTextEntity(object, c, version)
                                                 : ReadMTextEntity(object, c, version);
        if (c.overrun) return;
        output += value;
        output += "\r\n";
    }
}

#include "dwg/object_walk.h"

#include <vector>

#include "dwg/annotation_entities.h"
#include "dwg/byte_fields.h"
#include "dwg/dwg_object.h"
#include "dwg/object_map.h"
#include "dwg/text_entities.h"

namespace {

// The bytes before an object's data that the walk reads first: a modular
// short (at most 4 bytes), a modular char (at most 5) and the type (at most
// 3 bytes of bits).
constexpr size_t kObjectHeadBytes = 12;
constexpr uint64_t kMaxTextObjectBytes = uint64_t{8} << 20;

using EntityReader = void (*)(DwgObject&, std::vector<EntityText>&);

// The reader of an object type, or nullptr for a type without text.
EntityReader ReaderOf(uint32_t type, const ObjectWalkContext& context) {
    switch (type) {
        case kDwgTypeText:
            return ReadTextEntity;
        case kDwgTypeAttrib:
            return ReadAttribEntity;
        case kDwgTypeAttdef:
            return ReadAttdefEntity;
        case kDwgTypeMText:
            return ReadMTextEntity;
        default:
            break;
    }
    if (type >= kDwgTypeFirstDimension && type <= kDwgTypeLastDimension) {
        return ReadDimensionEntity;
    }
    if (context.multiLeaderType != 0 && type == context.multiLeaderType) {
        return ReadMultiLeaderEntity;
    }
    return nullptr;
}

}  // namespace

void WalkDwgObjects(CachedReader& map, uint64_t mapOffset, CachedReader& objects,
                    const ObjectWalkContext& context, ExtractedText& out) {
    ObjectMapReader entries(map, mapOffset);
    // Objects do not overlap, so the text objects of a sound drawing take at
    // most the source's bytes; this bounds both the work and the output.
    uint64_t textObjectBytes = 0;
    std::vector<EntityText> lines;
    DwgObject object;
    ObjectMapEntry entry;
    while (entries.Next(entry)) {
        if (entry.location < 0 || static_cast<uint64_t>(entry.location) >= objects.Size()) return;
        uint64_t location = static_cast<uint64_t>(entry.location);
        ByteView head = objects.Read(location, kObjectHeadBytes);
        ByteCursor fields;
        uint64_t objectBytes = ReadModularShort(head, fields);  // MS size in bytes
        uint64_t handleStreamBits = 0;
        if (context.version >= DwgVersion::R2010) {
            handleStreamBits = ReadModularChar(head, fields);  // MC handle stream size: new in 2010
        }
        if (fields.overrun) return;
        uint64_t start = location + fields.pos;
        if (objectBytes > objects.Size() - start) return;

        ByteView typeBytes{head.data + fields.pos, static_cast<size_t>(std::min<uint64_t>(
                                                       objectBytes, head.size - fields.pos))};
        BitCursor typeCursor;
        uint32_t type = context.version >= DwgVersion::R2010
                            ? ReadObjectType(typeBytes, typeCursor)  // BOT object type
                            : ReadBitShort(typeBytes, typeCursor);   // BS object type
        EntityReader read = ReaderOf(type, context);
        if (read == nullptr) continue;
        textObjectBytes += objectBytes;
        if (textObjectBytes > objects.Size()) return;
        if (objectBytes > kMaxTextObjectBytes) continue;

        ByteView bytes = objects.Read(start, static_cast<size_t>(objectBytes));
        if (bytes.size < objectBytes) return;
        if (!OpenDwgObject(bytes, context.version, context.codePage, handleStreamBits, object)) {
            return;
        }
        lines.clear();
        read(object, lines);
        if (object.Overrun()) return;
        for (EntityText& line : lines) {
            if (!out.Add(line.kind, line.text)) return;
        }
    }
}

#include "dwg/annotation_entities.h"

#include "bytes/spaces.h"
#include "dwg/entity_common.h"
#include "dwg/text_entities.h"

namespace {

void SkipBitDoubles(DwgObject& object, uint32_t count) {
    for (uint32_t k = 0; k < count && !object.Overrun(); ++k) {
        ReadBitDouble(object.data, object.main);
    }
}

// `count` pairs of 3BD points (break start and end).
void SkipPointPairs(DwgObject& object, uint32_t count) {
    for (uint32_t k = 0; k < count && !object.Overrun(); ++k) SkipBitDoubles(object, 6);
}

// One leader line of a MULTILEADER's context data.
void SkipLeaderLine(DwgObject& object) {
    ByteView d = object.data;
    BitCursor& c = object.main;
    uint32_t points = ReadBitLong(d, c);  // BL number of points
    for (uint32_t k = 0; k < points && !object.Overrun(); ++k) SkipBitDoubles(object, 3);
    if (ReadBitLong(d, c) > 0) {                    // BL break info count
        ReadBitLong(d, c);                          // BL segment index
        SkipPointPairs(object, ReadBitLong(d, c));  // BL pairs, 2 x 3BD each
    }
    ReadBitLong(d, c);  // BL leader line index
    if (object.version >= DwgVersion::R2010) {
        // The line's own properties: new in 2010.
        ReadBitShort(d, c);    // BS leader type
        SkipCmColour(object);  // CMC line colour
        ReadBitLong(d, c);     // BL line weight
        ReadBitDouble(d, c);   // BD arrow size
        ReadBitLong(d, c);     // BL override flags
    }
}

// One leader root (a branch of leader lines) of a MULTILEADER.
void SkipLeaderRoot(DwgObject& object) {
    ByteView d = object.data;
    BitCursor& c = object.main;
    ReadBit(d, c);                              // B content valid
    ReadBit(d, c);                              // B unknown (writers set it)
    SkipBitDoubles(object, 3);                  // 3BD connection point
    SkipBitDoubles(object, 3);                  // 3BD direction
    SkipPointPairs(object, ReadBitLong(d, c));  // BL break pairs, 2 x 3BD each
    ReadBitLong(d, c);                          // BL leader index
    ReadBitDouble(d, c);                        // BD landing distance
    uint32_t lineCount = ReadBitLong(d, c);     // BL number of leader lines
    for (uint32_t k = 0; k < lineCount && !object.Overrun(); ++k) SkipLeaderLine(object);
    if (object.version >= DwgVersion::R2010) {
        ReadBitShort(d, c);  // BS attachment direction: new in 2010
    }
}

}  // namespace

void ReadDimensionEntity(DwgObject& object, std::vector<EntityText>& lines) {
    SkipCommonEntityData(object);
    ByteView d = object.data;
    BitCursor& c = object.main;
    if (object.version >= DwgVersion::R2010) {
        ReadBits(d, c, 8);  // RC version: new in 2010
    }
    SkipBitDoubles(object, 3);                  // 3BD extrusion
    SkipBits(d, c, 2 * 64);                     // 2RD text midpoint
    ReadBitDouble(d, c);                        // BD elevation
    ReadBits(d, c, 8);                          // RC flags
    std::string text = ReadObjectText(object);  // T user text
    RemoveFullWidthSpaces(text);
    std::string_view shown(text);
    while (!shown.empty() && shown.back() == '\0') shown.remove_suffix(1);
    if (!shown.empty() && shown != "<>") lines.push_back({TextKind::Dimension, std::move(text)});
}

void ReadMultiLeaderEntity(DwgObject& object, std::vector<EntityText>& lines) {
    SkipCommonEntityData(object);
    ByteView d = object.data;
    BitCursor& c = object.main;
    if (object.version >= DwgVersion::R2010) {
        ReadBitShort(d, c);  // BS class version: new in 2010
    }
    // The context data: the leader roots, then the content.
    uint32_t rootCount = ReadBitLong(d, c);  // BL number of leader roots
    for (uint32_t k = 0; k < rootCount && !object.Overrun(); ++k) SkipLeaderRoot(object);
    ReadBitDouble(d, c);        // BD overall scale
    SkipBitDoubles(object, 3);  // 3BD content base point
    ReadBitDouble(d, c);        // BD text height
    ReadBitDouble(d, c);        // BD arrow head size
    ReadBitDouble(d, c);        // BD landing gap
    for (int k = 0; k < 4; ++k)
        ReadBitShort(d, c);                     // BS left and right attachment, angle, alignment
    if (!ReadBit(d, c)) return;                 // B has text content
    std::string text = ReadObjectText(object);  // T the MTEXT content
    RemoveFullWidthSpaces(text);
    if (HasText(text)) lines.push_back({TextKind::MultiLeader, std::move(text)});
}

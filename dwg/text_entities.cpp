#include "dwg/text_entities.h"

#include "bytes/spaces.h"
#include "dwg/entity_common.h"

namespace {

// TEXT data flags (R2000 and later): a set bit means the field is absent
// (at its default).
constexpr uint32_t kNoElevation = 0x01;
constexpr uint32_t kNoAlignmentPoint = 0x02;
constexpr uint32_t kNoObliqueAngle = 0x04;
constexpr uint32_t kNoRotation = 0x08;
constexpr uint32_t kNoWidthFactor = 0x10;
constexpr uint32_t kNoGeneration = 0x20;
constexpr uint32_t kNoHorizontalAlignment = 0x40;
constexpr uint32_t kNoVerticalAlignment = 0x80;

// Attribute types (RC, 2018): 2 and 4 hold an embedded MTEXT.
constexpr uint32_t kMultiLineAttribute = 2;
constexpr uint32_t kConstantMultiLineAttribute = 4;

void SkipBitDoubles(DwgObject& object, int count) {
    for (int k = 0; k < count; ++k) ReadBitDouble(object.data, object.main);
}

std::string FinishValue(std::string value) {
    RemoveFullWidthSpaces(value);
    return value;
}

void AddIfText(std::vector<EntityText>& lines, TextKind kind, std::string text) {
    if (HasText(text)) lines.push_back({kind, std::move(text)});
}

// The fields TEXT, ATTRIB and ATTDEF share, after the common entity data, up
// to the value (and, with `throughAlignment`, the alignments after it).
// Gives the value.
std::string ReadTextFields(DwgObject& object, bool throughAlignment) {
    ByteView d = object.data;
    BitCursor& c = object.main;
    if (object.version == DwgVersion::R13) {
        ReadBitDouble(d, c);        // BD elevation
        SkipBits(d, c, 2 * 64);     // 2RD insertion point
        SkipBits(d, c, 2 * 64);     // 2RD alignment point
        SkipBitDoubles(object, 3);  // 3BD extrusion
        SkipBitDoubles(object, 5);  // BD thickness, oblique, rotation, height, width
        std::string value = ReadObjectText(object);  // T value
        if (throughAlignment) {
            for (int k = 0; k < 3; ++k) ReadBitShort(d, c);  // BS generation, alignments
        }
        return FinishValue(std::move(value));
    }
    // R2000 leaves out fields at their defaults and says so in a flags byte.
    uint32_t dataFlags = ReadBits(d, c, 8);                // RC data flags
    if (!(dataFlags & kNoElevation)) ReadRawDouble(d, c);  // RD elevation
    double insertionX = ReadRawDouble(d, c);               // 2RD insertion point
    double insertionY = ReadRawDouble(d, c);
    if (!(dataFlags & kNoAlignmentPoint)) {
        ReadDefaultDouble(d, c, insertionX);  // 2DD alignment point, defaults
        ReadDefaultDouble(d, c, insertionY);  // taken from the insertion point
    }
    if (!ReadBit(d, c)) SkipBitDoubles(object, 3);            // BE extrusion: 1 means 0,0,1
    if (!ReadBit(d, c)) ReadBitDouble(d, c);                  // BT thickness: 1 means 0.0
    if (!(dataFlags & kNoObliqueAngle)) ReadRawDouble(d, c);  // RD oblique angle
    if (!(dataFlags & kNoRotation)) ReadRawDouble(d, c);      // RD rotation
    ReadRawDouble(d, c);                                      // RD height
    if (!(dataFlags & kNoWidthFactor)) ReadRawDouble(d, c);   // RD width factor
    std::string value = ReadObjectText(object);               // T value
    if (throughAlignment) {
        if (!(dataFlags & kNoGeneration)) ReadBitShort(d, c);           // BS generation
        if (!(dataFlags & kNoHorizontalAlignment)) ReadBitShort(d, c);  // BS horizontal
        if (!(dataFlags & kNoVerticalAlignment)) ReadBitShort(d, c);    // BS vertical
    }
    return FinishValue(std::move(value));
}

// The attribute fields after the text fields, up to the tag: 2010 added a
// version byte and 2018 an attribute type, whose multi-line kinds embed an
// MTEXT. 2018 keeps every string in the string stream, so that MTEXT's text
// is the next string; its other fields need not be read. Adds that text.
void ReadAttributeFields(DwgObject& object, TextKind kind, const std::string& value,
                         std::vector<EntityText>& lines) {
    ByteView d = object.data;
    BitCursor& c = object.main;
    if (object.version >= DwgVersion::R2010) {
        ReadBits(d, c, 8);  // RC version: new in 2010
    }
    if (object.version >= DwgVersion::R2018) {
        uint32_t type = ReadBits(d, c, 8);  // RC attribute type: new in 2018
        if (type == kMultiLineAttribute || type == kConstantMultiLineAttribute) {
            std::string text = FinishValue(ReadObjectText(object));  // T the MTEXT's text
            if (text != value) AddIfText(lines, kind, std::move(text));
        }
    }
}

}  // namespace

bool HasText(const std::string& text) { return text.find_first_not_of('\0') != std::string::npos; }

void ReadTextEntity(DwgObject& object, std::vector<EntityText>& lines) {
    SkipCommonEntityData(object);
    lines.push_back({TextKind::Text, ReadTextFields(object, false)});
}

void ReadAttribEntity(DwgObject& object, std::vector<EntityText>& lines) {
    SkipCommonEntityData(object);
    std::string value = ReadTextFields(object, true);
    AddIfText(lines, TextKind::Attrib, value);
    ReadAttributeFields(object, TextKind::Attrib, value, lines);
}

void ReadAttdefEntity(DwgObject& object, std::vector<EntityText>& lines) {
    SkipCommonEntityData(object);
    std::string value = ReadTextFields(object, true);
    AddIfText(lines, TextKind::AttdefValue, value);
    ReadAttributeFields(object, TextKind::AttdefValue, value, lines);
    AddIfText(lines, TextKind::AttdefTag, FinishValue(ReadObjectText(object)));  // T tag
    if (object.version < DwgVersion::R2007) {
        // Before 2007 the prompt follows these in the data stream; later it
        // is the next string of the string stream.
        ReadBitShort(object.data, object.main);  // BS field length
        ReadBits(object.data, object.main, 8);   // RC flags
    }
    AddIfText(lines, TextKind::AttdefPrompt, FinishValue(ReadObjectText(object)));  // T prompt
}

void ReadMTextEntity(DwgObject& object, std::vector<EntityText>& lines) {
    SkipCommonEntityData(object);
    ByteView d = object.data;
    BitCursor& c = object.main;
    SkipBitDoubles(object, 3);  // 3BD insertion point
    SkipBitDoubles(object, 3);  // 3BD extrusion
    SkipBitDoubles(object, 3);  // 3BD X-axis direction
    ReadBitDouble(d, c);        // BD rectangle width
    if (object.version >= DwgVersion::R2007) {
        ReadBitDouble(d, c);  // BD rectangle height: new in 2007
    }
    ReadBitDouble(d, c);  // BD text height
    ReadBitShort(d, c);   // BS attachment
    ReadBitShort(d, c);   // BS drawing direction
    ReadBitDouble(d, c);  // BD extents height
    ReadBitDouble(d, c);  // BD extents width
    lines.push_back({TextKind::MText, FinishValue(ReadObjectText(object))});  // T text
}

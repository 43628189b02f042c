#include "dwg/text_entities.h"

#include "bytes/spaces.h"

namespace {

// TEXT data flags (R2000): a set bit means the field is absent (default).
constexpr uint32_t kNoElevation = 0x01;
constexpr uint32_t kNoAlignmentPoint = 0x02;
constexpr uint32_t kNoObliqueAngle = 0x04;
constexpr uint32_t kNoRotation = 0x08;
constexpr uint32_t kNoWidthFactor = 0x10;

void SkipBitDoubles(ByteView object, BitCursor& c, int count) {
    for (int k = 0; k < count; ++k) ReadBitDouble(object, c);
}

std::string FinishValue(std::string value) {
    RemoveFullWidthSpaces(value);
    return value;
}

}  // namespace

void SkipCommonEntityData(ByteView object, BitCursor& c, DwgVersion version) {
    ReadBitShort(object, c);  // BS object type, read again
    if (version >= DwgVersion::R2000) {
        ReadRawLong(object, c);  // RL size in bits: R2000 moved it here, before the handle
    }
    ReadHandleRef(object, c);                          // H the object's own handle
    SkipExtendedData(object, c);                       // EED
    if (ReadBit(object, c)) {                          // B graphic image present
        uint32_t imageBytes = ReadRawLong(object, c);  // RL its size, then the bytes
        SkipBits(object, c, uint64_t{8} * imageBytes);
    }
    if (version == DwgVersion::R13) {
        ReadRawLong(object, c);  // RL size in bits: R13/R14 keep it after the image
    }
    ReadBits(object, c, 2);  // BB entity mode
    ReadBitLong(object, c);  // BL number of reactors
    if (version == DwgVersion::R13) {
        ReadBit(object, c);  // B line type by layer: gone in R2000
    }
    ReadBit(object, c);        // B no links
    ReadBitShort(object, c);   // BS colour
    ReadBitDouble(object, c);  // BD line type scale
    if (version >= DwgVersion::R2000) {
        ReadBits(object, c, 2);  // BB line type flags: new in R2000
        ReadBits(object, c, 2);  // BB plot style flags: new in R2000
    }
    ReadBitShort(object, c);  // BS invisibility
    if (version >= DwgVersion::R2000) {
        ReadBits(object, c, 8);  // RC lineweight: new in R2000
    }
}

std::string ReadTextEntity(ByteView object, BitCursor& c, DwgVersion version) {
    SkipCommonEntityData(object, c, version);
    if (version == DwgVersion::R13) {
        ReadBitDouble(object, c);      // BD elevation
        SkipBits(object, c, 2 * 64);   // 2RD insertion point
        SkipBits(object, c, 2 * 64);   // 2RD alignment point
        SkipBitDoubles(object, c, 3);  // 3BD extrusion
        SkipBitDoubles(object, c, 5);  // BD thickness, oblique, rotation, height, width
        return FinishValue(ReadTextValue(object, c));
    }
    // R2000 leaves out fields at their defaults and says so in a flags byte.
    uint32_t dataFlags = ReadBits(object, c, 8);                // RC data flags
    if (!(dataFlags & kNoElevation)) ReadRawDouble(object, c);  // RD elevation
    double insertionX = ReadRawDouble(object, c);               // 2RD insertion point
    double insertionY = ReadRawDouble(object, c);
    if (!(dataFlags & kNoAlignmentPoint)) {
        ReadDefaultDouble(object, c, insertionX);  // 2DD alignment point, defaults
        ReadDefaultDouble(object, c, insertionY);  // taken from the insertion point
    }
    if (!ReadBit(object, c)) SkipBitDoubles(object, c, 3);         // BE extrusion: 1 means 0,0,1
    if (!ReadBit(object, c)) ReadBitDouble(object, c);             // BT thickness: 1 means 0.0
    if (!(dataFlags & kNoObliqueAngle)) ReadRawDouble(object, c);  // RD oblique angle
    if (!(dataFlags & kNoRotation)) ReadRawDouble(object, c);      // RD rotation
    ReadRawDouble(object, c);                                      // RD height
    if (!(dataFlags & kNoWidthFactor)) ReadRawDouble(object, c);   // RD width factor
    return FinishValue(ReadTextValue(object, c));
}

std::string ReadMTextEntity(ByteView object, BitCursor& c, DwgVersion version) {
    SkipCommonEntityData(object, c, version);
    // The MTEXT fields up to the text value are the same in R13/R14 and R2000.
    SkipBitDoubles(object, c, 3);  // 3BD insertion point
    SkipBitDoubles(object, c, 3);  // 3BD extrusion
    SkipBitDoubles(object, c, 3);  // 3BD X-axis direction
    ReadBitDouble(object, c);      // BD rectangle width
    ReadBitDouble(object, c);      // BD text height
    ReadBitShort(object, c);       // BS attachment
    ReadBitShort(object, c);       // BS drawing direction
    ReadBitDouble(object, c);      // BD extents height
    ReadBitDouble(object, c);      // BD extents width
    return FinishValue(ReadTextValue(object, c));
}

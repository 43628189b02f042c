#include "dwg/entity_common.h"

namespace {

// ENC, the entity colour of 2004 and later: BS colour number whose high byte
// holds flags; 0x8000 without 0x4000: a BL RGB value follows (with 0x4000 the
// colour is a reference in the handle stream); 0x2000: a BL transparency.
void SkipEntityColour(DwgObject& object) {
    ByteView d = object.data;
    BitCursor& c = object.main;
    uint32_t number = ReadBitShort(d, c);
    if ((number & 0x8000) && !(number & 0x4000)) ReadBitLong(d, c);  // BL RGB
    if (number & 0x2000) ReadBitLong(d, c);                          // BL transparency
}

}  // namespace

void SkipCommonEntityData(DwgObject& object) {
    ByteView d = object.data;
    BitCursor& c = object.main;
    DwgVersion version = object.version;
    ReadHandleRef(d, c);     // H the object's own handle
    SkipExtendedData(d, c);  // EED
    if (ReadBit(d, c)) {     // B graphic image present
        uint64_t imageBytes = version >= DwgVersion::R2010
                                  ? ReadBitLongLong(d, c)  // BLL its size: 2010 widened it
                                  : ReadRawLong(d, c);     // RL its size
        SkipBits(d, c, 8 * imageBytes);
    }
    if (version == DwgVersion::R13) {
        ReadRawLong(d, c);  // RL size in bits: R13/R14 keep it after the image
    }
    ReadBits(d, c, 2);  // BB entity mode
    ReadBitLong(d, c);  // BL number of reactors
    if (version >= DwgVersion::R2004) {
        ReadBit(d, c);  // B no extension dictionary: new in 2004
    }
    if (version == DwgVersion::R13) {
        ReadBit(d, c);  // B line type by layer: gone in R2000
    }
    if (version <= DwgVersion::R2000) {
        ReadBit(d, c);  // B no links: gone in 2004
    }
    if (version >= DwgVersion::R2013) {
        ReadBit(d, c);  // B has binary data in the data store: new in 2013
    }
    if (version >= DwgVersion::R2004) {
        SkipEntityColour(object);  // ENC colour: 2004 added true colours
    } else {
        ReadBitShort(d, c);  // BS colour
    }
    ReadBitDouble(d, c);  // BD line type scale
    if (version >= DwgVersion::R2000) {
        ReadBits(d, c, 2);  // BB line type flags: new in R2000
        ReadBits(d, c, 2);  // BB plot style flags: new in R2000
    }
    if (version >= DwgVersion::R2007) {
        ReadBits(d, c, 2);  // BB material flags: new in 2007
        ReadBits(d, c, 8);  // RC shadow flags: new in 2007
    }
    if (version >= DwgVersion::R2010) {
        ReadBits(d, c, 3);  // B, B, B full, face and edge visual styles: new in 2010
    }
    ReadBitShort(d, c);  // BS invisibility
    if (version >= DwgVersion::R2000) {
        ReadBits(d, c, 8);  // RC lineweight: new in R2000
    }
}

void SkipCmColour(DwgObject& object) {
    ByteView d = object.data;
    BitCursor& c = object.main;
    ReadBitShort(d, c);  // BS colour index
    if (object.version < DwgVersion::R2004) return;
    ReadBitLong(d, c);                      // BL RGB: new in 2004
    uint32_t flags = ReadBits(d, c, 8);     // RC which names follow
    if (flags & 1) ReadObjectText(object);  // T colour name
    if (flags & 2) ReadObjectText(object);  // T book name
}

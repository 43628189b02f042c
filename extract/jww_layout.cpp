#include "extract/jww_layout.h"

namespace {

constexpr uint64_t kDword = 4;
constexpr uint64_t kDouble = 8;

// Skips `count` strings; stops at the first that runs past the end.
void SkipStrings(ArchiveReader& reader, int count) {
    for (int n = 0; n < count && SkipCString(reader); ++n) {
    }
}

void SkipSxfSettings(ArchiveReader& reader) {
    // 257 screen colours: colour, width.
    reader.Skip(257 * 2 * kDword);
    // 257 printer colours: name, colour, width, point radius.
    for (int n = 0; n < 257 && SkipCString(reader); ++n) reader.Skip(2 * kDword + kDouble);
    // 33 line types: pattern, dots per unit, pitch, printer pitch.
    reader.Skip(33 * 4 * kDword);
    // 33 user line types: name, segment count, ten pitches.
    for (int n = 0; n < 33 && SkipCString(reader); ++n) reader.Skip(kDword + 10 * kDouble);
}

}  // namespace

void SkipJwwSettings(ArchiveReader& reader, uint32_t version) {
    // Paper size and the layer group written to.
    reader.Skip(2 * kDword);
    // 16 layer groups: state, layer written to, scale, protection, then 16
    // layers of state and protection each.
    reader.Skip(16 * (2 * kDword + kDouble + kDword + 16 * 2 * kDword));
    // 14 unused words, 5 dimension settings, one unused word, widest line.
    reader.Skip((14 + 5 + 1 + 1) * kDword);
    // Printer origin, scale and rotation; grid mode, smallest spacing,
    // spacing and origin.
    reader.Skip(3 * kDouble + kDword + kDword + 5 * kDouble);
    // 16 x 16 layer names, then 16 layer group names.
    SkipStrings(reader, 16 * 16 + 16);
    // Shadow studies: level, latitude, 9-to-15 flag, wall level; sky map
    // level and radius (stored from 3.00 on).
    reader.Skip(2 * kDouble + kDword + kDouble + 2 * kDouble);
    // 2.5D unit; saved view scale and origin; stored range scale and origin.
    reader.Skip(kDword + 3 * kDouble + 3 * kDouble);
    // 8 mark jumps of scale, origin and layer group (3.00 on).
    reader.Skip(8 * (3 * kDouble + kDword));
    // Unused values, then the text background margin and mode (3.00 on).
    reader.Skip(3 * kDouble + kDword + 2 * kDouble + kDouble + kDword);
    // 10 parallel line spacings and the end extension of double lines.
    reader.Skip(10 * kDouble + kDouble);
    // 10 screen pens (colour, width); 10 printer pens (colour, width, radius).
    reader.Skip(10 * 2 * kDword + 10 * (2 * kDword + kDouble));
    // Line types 2-9 (4 words each), random lines 1-5 (5 words), double
    // length types 6-9 (4 words).
    reader.Skip(8 * 4 * kDword + 5 * 5 * kDword + 4 * 4 * kDword);
    // 11 drawing and printing flags.
    reader.Skip(11 * kDword);
    // Drawing time, 2.5D eye flag and three angles (2.23 on); five 2.5D
    // heights and distances (2.23 on); last lengths and radius (2.25 on);
    // solid colour flag and colour (2.30 on).
    reader.Skip(5 * kDword + 5 * kDouble + 4 * kDouble + 2 * kDword);
    if (version >= kSxfVersion) SkipSxfSettings(reader);
    // 10 text kinds: width, height, spacing, colour.
    reader.Skip(10 * (3 * kDouble + kDword));
    // Text being written: width, height, spacing, colour, kind; arranging
    // spacing and count; base point shift flag and six shifts.
    reader.Skip(3 * kDouble + 2 * kDword + 2 * kDouble + kDword + 6 * kDouble);
}

CommonFields SkipCommonFields(ArchiveReader& reader, uint32_t version) {
    CommonFields fields;
    reader.Skip(kDword);  // curve group
    fields.penStyle = reader.ReadByte();
    fields.penColor = reader.ReadWord();
    if (version >= 351) reader.Skip(2);  // pen width (3.51 on)
    reader.Skip(3 * 2);                  // layer, layer group, flags
    return fields;
}

namespace {

void SkipSen(ArchiveReader& reader, uint32_t version) {
    SkipCommonFields(reader, version);
    reader.Skip(4 * kDouble);  // start and end
}

void SkipTen(ArchiveReader& reader, uint32_t version) {
    CommonFields common = SkipCommonFields(reader, version);
    reader.Skip(2 * kDouble + kDword);  // position, temporary flag
    // Pen style 100 marks a point with a symbol: code, angle, scale.
    if (common.penStyle == 100) reader.Skip(kDword + 2 * kDouble);
}

}  // namespace

void SkipGeometry(ArchiveReader& reader, JwwClass cls, uint32_t version) {
    switch (cls) {
        case JwwClass::Sen:
            SkipSen(reader, version);
            return;
        case JwwClass::Enko:
            // Centre, radius, start, sweep and tilt angles, flatness; whole-circle flag.
            SkipCommonFields(reader, version);
            reader.Skip(7 * kDouble + kDword);
            return;
        case JwwClass::Ten:
            SkipTen(reader, version);
            return;
        case JwwClass::Solid: {
            // Four corners; pen colour 10 adds the fill's RGB.
            CommonFields common = SkipCommonFields(reader, version);
            reader.Skip(8 * kDouble);
            if (common.penColor == 10) reader.Skip(kDword);
            return;
        }
        case JwwClass::Block:
            // Base point, x and y scale, rotation, definition number.
            SkipCommonFields(reader, version);
            reader.Skip(5 * kDouble + kDword);
            return;
        case JwwClass::Moji:
        case JwwClass::Sunpou:
        case JwwClass::List:
            break;
    }
}

void SkipMojiPlacement(ArchiveReader& reader, uint32_t version) {
    SkipCommonFields(reader, version);
    // Start and end; text kind; width, height, spacing; angle.
    reader.Skip(4 * kDouble + kDword + 3 * kDouble + kDouble);
}

void SkipDimensionTail(ArchiveReader& reader, uint32_t version) {
    if (version < kSxfVersion) return;
    reader.Skip(2);  // SXF mode
    SkipSen(reader, version);
    SkipSen(reader, version);
    for (int n = 0; n < 4; ++n) SkipTen(reader, version);
}

void SkipBlockDefinitionHead(ArchiveReader& reader, uint32_t version) {
    SkipCommonFields(reader, version);
    // Number, referenced flag, creation time (32-bit seconds).
    reader.Skip(3 * kDword);
}

#pragma once

#include <cstdint>

#include "extract/jww_archive.h"

// The field layouts of a JW_CAD for Windows drawing: the header settings and
// each class's fields, for every data version the reader accepts. Each
// function steps over fields without reading more than the numbers that choose
// later fields, and leaves the reader overrun when the fields run past the end.

// The data versions these layouts describe: 351 (JW_CAD for Windows 3.51) to
// 700, which version 7.02 and every later one still write.
inline constexpr uint32_t kFirstJwwVersion = 351;
inline constexpr uint32_t kLastJwwVersion = 700;

// Versions from which a field or a group of fields is stored.
inline constexpr uint32_t kSxfVersion = 420;  // SXF colours and line types; dimension extras

// The header after the version and the memo: paper, layers and their names,
// printer, grid, view and drawing settings, text kinds.
void SkipJwwSettings(ArchiveReader& reader, uint32_t version);

// The fields every object starts with (MFC class CData). The pen style and
// colour choose fields of points and solids.
struct CommonFields {
    uint8_t penStyle = 0;
    uint16_t penColor = 0;
};
CommonFields SkipCommonFields(ArchiveReader& reader, uint32_t version);

// The whole of an object without text: line, arc, point, solid, block insert.
void SkipGeometry(ArchiveReader& reader, JwwClass cls, uint32_t version);

// A text object up to its strings: the common fields, corners, kind, size,
// spacing and angle. The font name and the text follow.
void SkipMojiPlacement(ArchiveReader& reader, uint32_t version);

// What a dimension holds after its text object: from version 420 on, its SXF
// mode, two extension lines and four points.
void SkipDimensionTail(ArchiveReader& reader, uint32_t version);

// A block definition up to its name: the common fields, number, referenced
// flag and creation time. Its name and its list of objects follow.
void SkipBlockDefinitionHead(ArchiveReader& reader, uint32_t version);

#pragma once

#include <vector>

#include "dwg/dwg_object.h"

// Readers of the text entities of R13-or-later drawings: TEXT, ATTRIB,
// ATTDEF and MTEXT. Each reads one object opened with OpenDwgObject, from
// just after its type, up to its last text field, and appends its lines
// (CP932, full-width spaces deleted; zero bytes and MTEXT formatting codes
// stay) to `lines`.
//
// Damaged data: reads past the object's bytes give zero bits and empty text
// and leave object.Overrun() set; the caller then discards the lines.

constexpr uint32_t kDwgTypeText = 1;
constexpr uint32_t kDwgTypeAttrib = 2;
constexpr uint32_t kDwgTypeAttdef = 3;
constexpr uint32_t kDwgTypeMText = 44;

// TEXT: its value (kind Text), also when empty.
void ReadTextEntity(DwgObject& object, std::vector<EntityText>& lines);

// ATTRIB: its value (kind Attrib) when not empty; a multi-line attribute
// (2018) adds the text of its embedded MTEXT when that differs.
void ReadAttribEntity(DwgObject& object, std::vector<EntityText>& lines);

// ATTDEF: the default value (AttdefValue), then the tag (AttdefTag) and the
// prompt (AttdefPrompt), each when not empty; a multi-line definition (2018)
// adds its MTEXT's text after the value, as ATTRIB does.
void ReadAttdefEntity(DwgObject& object, std::vector<EntityText>& lines);

// MTEXT: its value with its formatting codes (kind MText), also when empty.
void ReadMTextEntity(DwgObject& object, std::vector<EntityText>& lines);

// True when `text` holds anything but zero bytes (values are stored with a
// closing zero byte, which stays in the line).
bool HasText(const std::string& text);

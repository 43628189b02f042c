#pragma once

#include <vector>

#include "dwg/dwg_object.h"

// Readers of the annotation entities that carry text of their own: the seven
// DIMENSION types and MULTILEADER. As the text entity readers (see
// dwg/text_entities.h): one object from just after its type, lines appended
// to `lines`, damage left in object.Overrun().

constexpr uint32_t kDwgTypeFirstDimension = 20;  // ORDINATE
constexpr uint32_t kDwgTypeLastDimension = 26;  // LINEAR, ALIGNED, ANG3PT, ANG2LN, RADIUS, DIAMETER

// DIMENSION: the user text (kind Dimension), unless it is empty or "<>" (the
// measurement alone).
void ReadDimensionEntity(DwgObject& object, std::vector<EntityText>& lines);

// MULTILEADER (a class-defined type): the text of its MTEXT content (kind
// MultiLeader, formatting codes and all), when it has text content.
void ReadMultiLeaderEntity(DwgObject& object, std::vector<EntityText>& lines);

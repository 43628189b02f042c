#pragma once

#include "dwg/dwg_object.h"

// The fields every entity starts with, from its own handle up to its own
// data, skipped in the object's data stream (the type, and R2000 to 2007's
// size in bits, are read by OpenDwgObject).
void SkipCommonEntityData(DwgObject& object);

// CMC, a colour field inside an entity's data: BS index; 2004 and later add
// BL RGB, RC flags and, by the flags, a colour name (1) and a book name (2)
// as text fields.
void SkipCmColour(DwgObject& object);

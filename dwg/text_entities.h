#pragma once

#include <string>

#include "bytes/byte_view.h"
#include "dwg/bit_cursor.h"
#include "dwg/dwg_version.h"

// Readers of the two text entities, TEXT (object type 1) and MTEXT (type 44),
// of R13 to R2000 drawings. Each reads one object's bit stream from `c`, which
// stands at its first bit (the type, just after the object's size field), up
// to and including the text value, and returns that value with its full-width
// spaces deleted. Zero bytes and MTEXT formatting codes stay.
//
// Damaged data: reads past the end of `object` (the object's bytes) give zero
// bits and set `c.overrun`; the caller then discards the value.

constexpr uint32_t kDwgTypeText = 1;
constexpr uint32_t kDwgTypeMText = 44;

// The fields every entity starts with, up to the entity's own data.
void SkipCommonEntityData(ByteView object, BitCursor& c, DwgVersion version);

std::string ReadTextEntity(ByteView object, BitCursor& c, DwgVersion version);
std::string ReadMTextEntity(ByteView object, BitCursor& c, DwgVersion version);

#pragma once

#include <string>

#include "bytes/byte_view.h"

// Text of a DWG drawing, by the version in its first six bytes (cut at the
// first zero byte): "AC1009" (R12) through ReadR12Entities, "AC1012" and
// "AC1014" (R13/R14) and "AC1015" (R2000) through WalkDwgObjects. Any other
// version, and a file shorter than six bytes, gives empty text. CP932 bytes as
// stored, each value + CR LF.
//
// Damaged data gives the lines found before the damage, or nothing; never a
// read outside `file`. Keeps no state: safe on several threads at once.
std::string ExtractDwgText(ByteView file);

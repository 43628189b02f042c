#pragma once

#include <string>

#include "search/byte_view.h"

// Text of DraCAD MPP, MPX and MPZ drawings.
std::string ExtractMppText(ByteView file);
std::string ExtractMpxText(ByteView file);
std::string ExtractMpzText(ByteView file);

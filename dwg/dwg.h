#pragma once

#include <string>

#include "search/byte_view.h"

// Text of a DWG drawing, by the version in its first six bytes.
std::string ExtractDwgText(ByteView file);

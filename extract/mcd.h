#pragma once

#include <string>

#include "search/byte_view.h"

// Text of a VectorWorks MCD drawing.
std::string ExtractMcdText(ByteView file);

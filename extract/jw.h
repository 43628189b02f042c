#pragma once

#include <string>

#include "search/byte_view.h"

// Text of a JW_CAD JWC drawing. Damaged data gives what was read before it.
std::string ExtractJwcText(ByteView file);

// Text of a JW_CAD JWK drawing. Damaged data gives what was read before it.
std::string ExtractJwkText(ByteView file);

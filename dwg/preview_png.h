#pragma once

#include <cstdint>
#include <vector>

#include "dwg/preview.h"

// The preview as a PNG file: a PNG as the drawing stores it; a bitmap
// converted, pixel for pixel, to 8-bit RGB rows (colour-table indices past
// the table's end give black). Empty for None, for a metafile, and for a
// bitmap that ReadBitmapLayout refuses.
std::vector<uint8_t> PreviewAsPng(const DrawingPreview& preview);

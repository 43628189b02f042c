#pragma once

#include <string>

#include "dwg/preview.h"
#include "platform/read_result.h"

// The picture the drawing at `path` keeps of itself: a DWG's header preview
// (ReadDwgPreview), a DXF's THUMBNAILIMAGE section (ReadDxfPreview); other
// types keep none (format None). Gives the error when the file cannot be
// opened or is no regular file. Never throws.
ReadResult<DrawingPreview> ReadDrawingPreview(const std::string& path);

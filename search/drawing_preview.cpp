#include "search/drawing_preview.h"

#include <memory>

#include "platform/file_source.h"
#include "search/drawing_types.h"

ReadResult<DrawingPreview> ReadDrawingPreview(const std::string& path) {
    ReadResult<std::unique_ptr<ByteSource>> file = OpenFileSource(path);
    if (!file) return file.Error();
    const DrawingType* type = DrawingTypeOfPath(path);
    if (type == nullptr) return DrawingPreview{};
    if (type->extension == "dwg") return ReadDwgPreview(**file);
    if (type->extension == "dxf") return ReadDxfPreview(**file);
    return DrawingPreview{};
}

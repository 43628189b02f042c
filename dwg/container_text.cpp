#include "dwg/container_text.h"

#include <memory>

#include "dwg/cached_reader.h"
#include "dwg/classes.h"
#include "dwg/object_walk.h"

void ReadContainerText(DwgContainer& container, DwgVersion version, const DwgFileHeader& header,
                       ExtractedText& out) {
    std::unique_ptr<ByteSource> handles = container.OpenSection("AcDb:Handles");
    std::unique_ptr<ByteSource> objects = container.OpenSection("AcDb:AcDbObjects");
    if (!handles || !objects) return;
    ObjectWalkContext context;
    context.version = version;
    context.codePage = CodePageOfDwg(header.codePageNumber);
    if (std::unique_ptr<ByteSource> classes = container.OpenSection("AcDb:Classes")) {
        CachedReader reader(*classes);
        context.multiLeaderType = FindClassType(reader, 0, version, header, "MULTILEADER");
    }
    CachedReader map(*handles);
    CachedReader objectReader(*objects);
    WalkDwgObjects(map, 0, objectReader, context, out);
}

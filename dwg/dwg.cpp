#include "dwg/dwg.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "dwg/cached_reader.h"
#include "dwg/classes.h"
#include "dwg/container_text.h"
#include "dwg/file_header.h"
#include "dwg/object_map.h"
#include "dwg/object_walk.h"
#include "dwg/r12.h"
#include "dwg/r2004_container.h"
#include "dwg/r2007_container.h"

namespace {

constexpr std::string_view kMultiLeaderClass = "MULTILEADER";

// The first six bytes, up to the first zero byte among them.
std::string VersionString(ByteView head) {
    if (head.size < 6) return {};
    const char* text = reinterpret_cast<const char*>(head.data);
    const void* zero = std::memchr(text, 0, 6);
    size_t length = zero ? static_cast<size_t>(static_cast<const char*>(zero) - text) : 6;
    return std::string(text, length);
}

// R13 to R2000: the classes and the object map are in the file, where the
// header's section locators say.
void ReadFileObjects(ByteSource& file, DwgVersion version, ExtractedText& out) {
    SectionLocators locators = ReadSectionLocators(file);
    if (!locators.objectMap) return;
    DwgFileHeader header = ReadDwgFileHeader(file);
    CachedReader reader(file);
    ObjectWalkContext context;
    context.version = version;
    context.codePage = CodePageOfDwg(header.codePageNumber);
    if (locators.classes) {
        context.multiLeaderType =
            FindClassType(reader, *locators.classes, version, header, kMultiLeaderClass);
    }
    WalkDwgObjects(reader, *locators.objectMap, reader, context, out);
}

}  // namespace

void ExtractDwgText(ByteSource& file, ExtractedText& out) {
    std::vector<uint8_t> scratch;
    std::string version = VersionString(file.Read(0, 6, scratch));
    if (version == "AC1009") {
        ReadR12Text(file, out);
        return;
    }
    std::optional<DwgVersion> objects = ObjectVersionOf(version);
    if (!objects) return;
    if (*objects <= DwgVersion::R2000) {
        ReadFileObjects(file, *objects, out);
        return;
    }
    // 2004 and later keep their sections in a container: 2007 one of its own.
    std::unique_ptr<DwgContainer> container =
        *objects == DwgVersion::R2007 ? OpenR2007Container(file) : OpenR2004Container(file);
    if (container) ReadContainerText(*container, *objects, ReadDwgFileHeader(file), out);
}

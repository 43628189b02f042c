#include "dwg/dwg.h"

#include <cstring>
#include <string_view>

#include "dwg/object_walk.h"
#include "dwg/r12.h"

namespace {

// The first six bytes, up to the first zero byte among them.
std::string_view VersionString(ByteView file) {
    if (file.size < 6) return {};
    const char* text = reinterpret_cast<const char*>(file.data);
    const void* zero = std::memchr(text, 0, 6);
    size_t length = zero ? static_cast<size_t>(static_cast<const char*>(zero) - text) : 6;
    return std::string_view(text, length);
}

}  // namespace

std::string ExtractDwgText(ByteView file) {
    std::string output;
    std::string_view version = VersionString(file);
    if (version == "AC1014" || version == "AC1012") {
        WalkDwgObjects(file, DwgVersion::R13, output);
    } else if (version == "AC1015") {
        WalkDwgObjects(file, DwgVersion::R2000, output);
    } else if (version == "AC1009") {
        ReadR12Entities(file, output);
    }
    return output;
}

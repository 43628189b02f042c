#include "search/drawing_types.h"

#include <algorithm>

#include "dwg/dwg.h"
#include "extract/dracad.h"
#include "extract/dxf.h"
#include "extract/jw.h"
#include "extract/jww.h"
#include "extract/mcd.h"

namespace {

// The readers of formats whose files are small walk them in memory: their
// bytes are read into one buffer first.
template <void (*Read)(ByteView, ExtractedText&)>
void ReadInMemory(ByteSource& file, ExtractedText& out) {
    ByteView whole = file.InMemory();
    if (whole.data != nullptr) return Read(whole, out);
    std::vector<uint8_t> bytes = ReadBytes(file, 0, static_cast<size_t>(file.Size()));
    Read(ByteView{bytes.data(), bytes.size()}, out);
}

constexpr DrawingType kDrawingTypes[] = {
    {"dwg", TYPE_DWG, 0, ExtractDwgText, 2},
    {"dxf", TYPE_DXF, 1, ExtractDxfText, 2},
    {"jwc", TYPE_JW, 2, ReadInMemory<ExtractJwcText>, 1},
    {"jwk", TYPE_JW, 7, ReadInMemory<ExtractJwkText>, 1},
    // Read in blocks through the source: drawings of many megabytes are common.
    {"jww", TYPE_JW, 8, ExtractJwwText, 1},
    {"mcd", TYPE_MCD, 3, ReadInMemory<ExtractMcdText>, 1},
    {"mpp", TYPE_MPP, 4, ReadInMemory<ExtractMppText>, 1},
    {"mpx", TYPE_MPX, 5, ReadInMemory<ExtractMpxText>, 1},
    {"mpz", TYPE_MPZ, 6, ReadInMemory<ExtractMpzText>, 1},
};

constexpr DrawingTypeGroup kDrawingTypeGroups[] = {
    {TYPE_DXF, "dxf", "DXF (Auto Cad)"},
    {TYPE_DWG, "dwg", "DWG (Auto Cad)"},
    {TYPE_JW | TYPE_JW_TOGGLED, "jw", "JWC,JWK(JW_Cad)"},
    {TYPE_MCD, "mcd", "MCD (Vector Works )"},
    {TYPE_MPP | TYPE_MPX | TYPE_MPZ, "dra", "MPP,MPX,MPZ(Dra Cad)"},
};

}  // namespace

std::span<const DrawingType> DrawingTypes() { return kDrawingTypes; }

std::span<const DrawingTypeGroup> DrawingTypeGroups() { return kDrawingTypeGroups; }

int TypeSlotCount() {
    int count = 0;
    for (const DrawingType& type : kDrawingTypes) count = std::max(count, type.iconSlot + 1);
    return count;
}

const DrawingType* FindDrawingType(std::string_view extension) {
    for (const DrawingType& type : kDrawingTypes) {
        if (type.extension == extension) return &type;
    }
    return nullptr;
}

int TypeSlotOf(std::string_view extension) {
    const DrawingType* type = FindDrawingType(extension);
    return type != nullptr ? type->iconSlot : -1;
}

std::vector<std::string> ExtensionsForTypes(unsigned typeMask) {
    std::vector<std::string> extensions;
    for (const DrawingType& type : kDrawingTypes) {
        if (typeMask & type.typeBit) {
            extensions.push_back("." + std::string(type.extension));
        }
    }
    return extensions;
}

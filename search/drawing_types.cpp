#include "search/drawing_types.h"

#include <algorithm>

#include "dwg/dwg.h"
#include "extract/dracad.h"
#include "extract/dxf.h"
#include "extract/jw.h"
#include "extract/jww.h"
#include "extract/mcd.h"
#include "match/keyword_prefilter.h"

namespace {

// DXF values are stored raw (CP932, or UTF-8 from AC1021 on), with the
// escapes the keyword test draws; MTEXT chunks and table cells are joined
// across lines. JWK strings are stored whole and raw. The others cannot be
// ruled out from their raw bytes: compressed or bit-packed (DWG), read in
// part (JWC), stored as UTF-16 or JIS codes (JWW, MPP), or joined across
// records and zero bytes (MCD, MPX, MPZ).
constexpr unsigned kDxfRawText = kRawCp932 | kRawUtf8 | kRawEscapes | kRawSplitAtLineEnds;

constexpr DrawingType kDrawingTypes[] = {
    // A DWG reader jumps to offsets, but reads most of a small drawing: one
    // read of it whole costs less than its many positioned reads.
    {"dwg", TYPE_DWG, 0, ExtractDwgText, 2, true, 0},
    {"dxf", TYPE_DXF, 1, ExtractDxfText, 2, true, kDxfRawText},
    {"jwc", TYPE_JW, 2, ExtractJwcText, 1, false, 0},
    {"jwk", TYPE_JW, 7, ExtractJwkText, 1, true, kRawCp932},
    {"jww", TYPE_JW, 8, ExtractJwwText, 1, true, 0},
    {"mcd", TYPE_MCD, 3, ExtractMcdText, 1, true, 0},
    {"mpp", TYPE_MPP, 4, ExtractMppText, 1, true, 0},
    {"mpx", TYPE_MPX, 5, ExtractMpxText, 1, true, 0},
    {"mpz", TYPE_MPZ, 6, ExtractMpzText, 1, true, 0},
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

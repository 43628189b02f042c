#include "search/drawing_types.h"

#include <algorithm>

#include "dwg/dwg.h"
#include "extract/dracad.h"
#include "extract/dxf.h"
#include "extract/jw.h"
#include "extract/jww.h"
#include "extract/mcd.h"
#include "extract/sxf.h"
#include "match/keyword_prefilter.h"

namespace {

// DXF values are stored raw (CP932, or UTF-8 from AC1021 on), with the
// escapes the keyword test draws; MTEXT chunks and table cells are joined
// across lines. JWK strings are stored whole and raw; so are SFC strings, but
// the file's line breaks inside one are no part of it. The others cannot be
// ruled out from their raw bytes: compressed or bit-packed (DWG), read in
// part (JWC), stored as UTF-16 or JIS codes (JWW, MPP), joined across
// records and zero bytes (MCD, MPX, MPZ), or hex-escaped (P21).
constexpr unsigned kDxfRawText = kRawCp932 | kRawUtf8 | kRawEscapes | kRawSplitAtLineEnds;
constexpr unsigned kSfcRawText = kRawCp932 | kRawSplitAtLineEnds;

// The stock MIME database knows DWG and DXF; the JW_CAD, VectorWorks,
// DraCAD and SXF types are the program's own (the stock database takes *.mpp
// for audio and *.sfc for a game cartridge), and so are their icons.
//
// Generation 3 of DWG and DXF, 2 of JWW: characters CP932 lacks become their
// best fit; a DXF multi-line attribute adds its embedded MTEXT.
constexpr DrawingType kDrawingTypes[] = {
    // A DWG reader jumps to offsets, but reads most of a small drawing: one
    // read of it whole costs less than its many positioned reads.
    {.extension = "dwg",
     .typeBit = TYPE_DWG,
     .iconSlot = 0,
     .read = ExtractDwgText,
     .generation = 3,
     .readWholeWhenSmall = true,
     .rawText = 0,
     .mimeType = "image/vnd.dwg",
     .ownIcon = ""},
    {.extension = "dxf",
     .typeBit = TYPE_DXF,
     .iconSlot = 1,
     .read = ExtractDxfText,
     .generation = 3,
     .readWholeWhenSmall = true,
     .rawText = kDxfRawText,
     .mimeType = "image/vnd.dxf",
     .ownIcon = ""},
    {.extension = "jwc",
     .typeBit = TYPE_JW,
     .iconSlot = 2,
     .read = ExtractJwcText,
     .generation = 1,
     .readWholeWhenSmall = false,
     .rawText = 0,
     .mimeType = "application/x-jwcad",
     .ownIcon = "application-x-jwcad"},
    {.extension = "jwk",
     .typeBit = TYPE_JW,
     .iconSlot = 7,
     .read = ExtractJwkText,
     .generation = 1,
     .readWholeWhenSmall = true,
     .rawText = kRawCp932,
     .mimeType = "application/x-jwcad",
     .ownIcon = "application-x-jwcad"},
    {.extension = "jww",
     .typeBit = TYPE_JW,
     .iconSlot = 8,
     .read = ExtractJwwText,
     .generation = 2,
     .readWholeWhenSmall = true,
     .rawText = 0,
     .mimeType = "application/x-jwcad",
     .ownIcon = "application-x-jwcad"},
    {.extension = "mcd",
     .typeBit = TYPE_MCD,
     .iconSlot = 3,
     .read = ExtractMcdText,
     .generation = 1,
     .readWholeWhenSmall = true,
     .rawText = 0,
     .mimeType = "application/x-vectorworks",
     .ownIcon = "application-x-vectorworks"},
    {.extension = "mpp",
     .typeBit = TYPE_MPP,
     .iconSlot = 4,
     .read = ExtractMppText,
     .generation = 1,
     .readWholeWhenSmall = true,
     .rawText = 0,
     .mimeType = "application/x-dracad",
     .ownIcon = "application-x-dracad"},
    {.extension = "mpx",
     .typeBit = TYPE_MPX,
     .iconSlot = 5,
     .read = ExtractMpxText,
     .generation = 1,
     .readWholeWhenSmall = true,
     .rawText = 0,
     .mimeType = "application/x-dracad",
     .ownIcon = "application-x-dracad"},
    {.extension = "mpz",
     .typeBit = TYPE_MPZ,
     .iconSlot = 6,
     .read = ExtractMpzText,
     .generation = 1,
     .readWholeWhenSmall = true,
     .rawText = 0,
     .mimeType = "application/x-dracad",
     .ownIcon = "application-x-dracad"},
    {.extension = "sfc",
     .typeBit = TYPE_SXF,
     .iconSlot = 9,
     .read = ExtractSfcText,
     .generation = 1,
     .readWholeWhenSmall = true,
     .rawText = kSfcRawText,
     .mimeType = "application/x-sxf-sfc",
     .ownIcon = "application-x-sxf-sfc"},
    {.extension = "p21",
     .typeBit = TYPE_SXF,
     .iconSlot = 10,
     .read = ExtractP21Text,
     .generation = 1,
     .readWholeWhenSmall = true,
     .rawText = 0,
     .mimeType = "application/x-sxf-p21",
     .ownIcon = "application-x-sxf-p21"},
};

constexpr DrawingTypeGroup kDrawingTypeGroups[] = {
    {.bits = TYPE_DXF, .cliName = "dxf", .label = "DXF (Auto Cad)"},
    {.bits = TYPE_DWG, .cliName = "dwg", .label = "DWG (Auto Cad)"},
    {.bits = TYPE_JW | TYPE_JW_TOGGLED, .cliName = "jw", .label = "JWC,JWK(JW_Cad)"},
    {.bits = TYPE_MCD, .cliName = "mcd", .label = "MCD (Vector Works )"},
    {.bits = TYPE_MPP | TYPE_MPX | TYPE_MPZ, .cliName = "dra", .label = "MPP,MPX,MPZ(Dra Cad)"},
    {.bits = TYPE_SXF, .cliName = "sxf", .label = "SXF(*.sfc;*.p21)"},
};

char LowerAscii(char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; }

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

const DrawingType* DrawingTypeOfPath(std::string_view path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) return nullptr;
    const std::string_view tail = path.substr(dot + 1);
    for (const DrawingType& type : kDrawingTypes) {
        if (tail.size() == type.extension.size() &&
            std::equal(tail.begin(), tail.end(), type.extension.begin(),
                       [](char a, char b) { return LowerAscii(a) == b; })) {
            return &type;
        }
    }
    return nullptr;
}

bool IsDrawingPath(std::string_view path, unsigned typeMask) {
    const DrawingType* type = DrawingTypeOfPath(path);
    return type != nullptr && (type->typeBit & typeMask) != 0;
}

#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "bytes/byte_source.h"
#include "bytes/extracted_text.h"
#include "search/criteria.h"

// The drawing types the search reads. A new format is one row of the type
// table (and, when it needs a box of its own on the type page, one row of the
// group table); everything else reads these tables.

// Reads a drawing's text from its bytes into `out`.
using DrawingReader = void (*)(ByteSource& file, ExtractedText& out);

struct DrawingType {
    std::string_view extension;  // lower case, without the dot
    unsigned typeBit;            // the TypeBit that chooses it
    int iconSlot;                // the result list's image index
    DrawingReader read;
    // Raised whenever the reader's output for the same file changes, so that
    // text kept from an older reader is read again.
    uint32_t generation;
    // A small file is read into one buffer first and walked in place: the
    // reader takes in most of it (front to back, or by jumps over most of it).
    bool readWholeWhenSmall;
    // How the text lies in the file's own bytes (RawTextForm flags), for the
    // keyword prefilter; 0 when it cannot be found there.
    unsigned rawText;
};

// The groups the type page shows as boxes and the command line names in
// --types: each selects the types whose bit it holds.
struct DrawingTypeGroup {
    unsigned bits;             // TypeBits the box flips (TYPE_JW_TOGGLED selects nothing)
    std::string_view cliName;  // "dxf", "dwg", "jw", "mcd", "dra"
    std::string_view label;    // the box's text
};

// Every type, in the order of the extension list.
std::span<const DrawingType> DrawingTypes();

// The type page's boxes, in the order the page shows them.
std::span<const DrawingTypeGroup> DrawingTypeGroups();

// One more than the highest icon slot.
int TypeSlotCount();

// The row of a lower-case extension without its dot, or nullptr.
const DrawingType* FindDrawingType(std::string_view extension);

// The image-list slot of a lower-case extension without its dot; -1 for
// others.
int TypeSlotOf(std::string_view extension);

// The extensions (lower case, with their dot) that a type mask chooses, in
// the order of kDrawingTypes.
std::vector<std::string> ExtensionsForTypes(unsigned typeMask);

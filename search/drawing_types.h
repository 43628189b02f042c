#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "bytes/byte_source.h"
#include "bytes/extracted_text.h"
#include "search/criteria.h"

// The drawing types the search reads. A new format is one row of the type
// table and its reader (and, when it needs a box of its own on the type page,
// one row of the group table); everything else reads these tables: the walk,
// the readers' dispatch, the command line's type names, the window's type
// icons.

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
    // The MIME type desktops give the type's files: the shared MIME
    // database's, or, where that lacks the type or gives its name pattern to
    // another kind of file, the one the program's MIME package installs
    // (app/desktop/plotsieve-drawings.xml).
    std::string_view mimeType;
    // The name of the program's own icon for the type (a freedesktop icon
    // name, as the MIME package and the installed icon theme spell it), shown
    // where the desktop does not know the type yet; empty for a type whose
    // only icon is the desktop's.
    std::string_view ownIcon;
};

// The groups the type page shows as boxes and the command line names in
// --types: each selects the types whose bit it holds.
struct DrawingTypeGroup {
    unsigned bits;             // TypeBits the box flips (TYPE_JW_TOGGLED selects nothing)
    std::string_view cliName;  // "dxf", "dwg", "jw", "mcd", "dra", "sxf"
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

// The type of the file `path` names: the row whose extension ends the path
// after a dot ("/a/PLAN.DXF", "/a/.dxf": DXF), ASCII letters compared without
// regard to case. nullptr for any other path ("/a/plan.dxf.bak", "/a/xdxf").
const DrawingType* DrawingTypeOfPath(std::string_view path);

// True when `path` names a drawing of a type that `typeMask` (TypeBits)
// chooses.
bool IsDrawingPath(std::string_view path, unsigned typeMask);

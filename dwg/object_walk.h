#pragma once

#include <cstdint>

#include "bytes/code_pages.h"
#include "bytes/extracted_text.h"
#include "dwg/cached_reader.h"
#include "dwg/dwg_version.h"

// What the walk needs to know of the drawing besides its objects.
struct ObjectWalkContext {
    DwgVersion version = DwgVersion::R13;
    CodePage codePage = CodePage::Cp932;  // of 8-bit text (R13 to 2004)
    uint32_t multiLeaderType = 0;         // the class number of MULTILEADER; 0: none
};

// The text of the objects that the object map at `mapOffset` of `map` lists,
// in map order: TEXT, ATTRIB, ATTDEF, MTEXT, the seven DIMENSION types and
// MULTILEADER, each giving the lines its reader gives (dwg/text_entities.h,
// dwg/annotation_entities.h), whatever space or block definition holds it.
// Objects of every other type add nothing. R13 to R2000 keep map and objects
// in the file (pass the same reader twice); later versions in two sections.
//
// Each object is read inside its own bytes: at its offset in `objects`, the
// modular-short size (2010 and later: then the handle stream's size, MC),
// then that many bytes; a text object over 8 MiB is passed over. Damaged data
// ends the walk, keeping the lines before it: an offset outside `objects`, an
// object running past its end, a text object whose fields run past its own
// bytes, or text objects that together take more bytes than `objects` holds
// (map entries that share bytes). Stops when `out` is full.
void WalkDwgObjects(CachedReader& map, uint64_t mapOffset, CachedReader& objects,
                    const ObjectWalkContext& context, ExtractedText& out);

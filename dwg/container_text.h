#pragma once

#include "bytes/extracted_text.h"
#include "dwg/dwg_version.h"
#include "dwg/file_header.h"
#include "dwg/paged_section.h"

// The text of a 2004-or-later drawing from the sections of its container:
// the object map in "AcDb:Handles", the objects it lists in
// "AcDb:AcDbObjects" (the map's offsets count from that section's start),
// and the number of the MULTILEADER class from "AcDb:Classes". The walk and
// its damage rules are WalkDwgObjects'. No map or no objects section: no
// lines; no classes: no MULTILEADER text.
void ReadContainerText(DwgContainer& container, DwgVersion version, const DwgFileHeader& header,
                       ExtractedText& out);

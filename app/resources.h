#pragma once

#include <wx/bitmap.h>
#include <wx/font.h>
#include <wx/iconbndl.h>

#include <string_view>

// The program's own pictures, built into it.
wxIconBundle ApplicationIcons();  // icon 128, 16 and 32 pixels
wxBitmap DocumentIcon(int size);  // icon 129, the placeholder of each type slot
wxBitmap StartButtonBitmap();     // bitmap 132, 48 x 48, the start button's face
// The program's own icon of a drawing type that desktops may not know yet
// (JW_CAD, VectorWorks MCD, DraCAD), by lower-case extension without the dot,
// `size` pixels square; an invalid bitmap for other types.
wxBitmap OwnTypeIcon(std::string_view extension, int size);

// The font of the form and its pages: IPA P Gothic 9 point, or the system's
// GUI font where that is not installed.
wxFont FormFont();

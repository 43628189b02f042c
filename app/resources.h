#pragma once

#include <wx/bitmap.h>
#include <wx/font.h>
#include <wx/iconbndl.h>

#include <string>
#include <string_view>

// The program's own pictures, built into it.
wxIconBundle ApplicationIcons();  // the window's icon, 16 and 32 pixels
wxBitmap DocumentIcon(int size);  // the placeholder of each type slot
wxBitmap StartButtonBitmap();     // 48 x 48, the start button's face
// The program's own icon of a drawing type that desktops may not know yet, by
// the name the drawing-type table gives it (DrawingType::ownIcon), `size`
// pixels square; an invalid bitmap for an empty or unknown name.
wxBitmap OwnTypeIcon(std::string_view name, int size);

// `base` (`size` pixels square) with a band of a colour of the type's own
// across its foot and the type's name (the extension, upper case) in it.
wxBitmap LabelledTypeIcon(const wxBitmap& base, const std::string& extension, int size);

// The font of the form and its pages: IPA P Gothic 9 point, or the system's
// GUI font where that is not installed.
wxFont FormFont();

#pragma once

#include <wx/bitmap.h>

#include <string>

// The icon of the type of the file at `path`, `size` pixels square: the
// desktop's (its MIME type's theme icon), or the program's own for a drawing
// type the desktop does not know yet; an invalid bitmap when neither has one.
// Called on the UI thread.
wxBitmap DesktopTypeIcon(const std::string& path, int size);

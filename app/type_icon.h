#pragma once

#include <wx/bitmap.h>

#include <string>

// The desktop's icon for the type of the file at `path` (its MIME type's theme
// icon), `size` pixels square; an invalid bitmap when the desktop knows no
// type or no icon for it. Called on the UI thread.
wxBitmap DesktopTypeIcon(const std::string& path, int size);

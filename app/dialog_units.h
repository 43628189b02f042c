#pragma once

#include <wx/gdicmn.h>

class wxWindow;

// Layouts are written in dialog units: a quarter of the average character
// width across and an eighth of the character height down, in the font of the
// child's parent, so they follow the font and the desktop's text scale. The
// toolkit's controls carry padding of their own on top of their text, so a
// size in dialog units is a least size: a control whose text would not fit
// gets its best size instead.

// `width` x `height` dialog units of the child's parent, grown to the child's
// best size where that is larger in either direction.
wxSize LeastSizeInDialogUnits(wxWindow* child, int width, int height);

// Places a child at (x, y) dialog units of its parent with the size above.
void PlaceInDialogUnits(wxWindow* child, int x, int y, int width, int height);

// Once a window is on screen the toolkit knows its controls' real widths (a
// shown GTK entry adds its margins to what it asked for before). Each control
// under `window` whose least size is set grows to its best width where that is
// larger; heights stay, since text fields then ask for the theme's height,
// taller than their text needs. Containers are left to their sizers.
void GrowToShownWidths(wxWindow* window);

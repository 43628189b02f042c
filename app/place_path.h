#pragma once

#include <wx/string.h>

#include <string>

// Paths between the window's text and the file system's bytes. The toolkit
// reads a file name that is not UTF-8 (a Shift_JIS name copied from Windows)
// byte by byte as Latin-1 characters, and writes those back as UTF-8, which
// names no file. The program keeps a path as its bytes and only shows it.

// The native bytes of a path the toolkit gave (a chooser's choice, an
// argument): component by component, the UTF-8 form where that names
// something on disk, else the Latin-1 bytes where those do (the name as the
// folder holds it), else the UTF-8 form.
std::string NativePathOf(const wxString& path);

// A path's bytes as the window shows them: DisplayPath, as UTF-8 text.
wxString ShownPath(const std::string& path);

#pragma once

#include <string>

#include "bytes/byte_view.h"
#include "dwg/dwg_version.h"

// The text of an R13, R14 or R2000 drawing: one line per TEXT and MTEXT object
// that the object map lists, in map order, each its text value + CR LF (an
// empty value gives CR LF alone). Objects of every other type add nothing.
// Appends to `output`.
//
// Each object is read inside its own bytes: the modular-short size at its
// location, then that many bytes. Damaged data ends the walk, keeping the
// lines before it: a location outside the file, an object running past the
// end of the file, a TEXT or MTEXT object whose fields run past its own
// bytes, or text objects that together take more bytes than the file holds
// (map entries that share bytes). A header without an object map adds nothing.
void WalkDwgObjects(ByteView file, DwgVersion version, std::string& output);

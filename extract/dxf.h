#pragma once

#include <string>

#include "bytes/byte_view.h"

// Text of an ASCII DXF drawing: the value line after every group-code-1 line,
// in file order, each + CR LF, with full-width and then ASCII spaces deleted.
// A group-code-1 line is " 1" or "  1" (one or two spaces before the digit)
// that starts after a line feed and ends in CR LF or LF; the value runs to the
// next CR or LF (or to the end of the data). No other DXF structure is read.
// Binary DXF, and any data without such a line, gives empty text.
std::string ExtractDxfText(ByteView file);

// The same, choosing the scan's filter: 32-byte blocks where the processor
// has them (`wide`), 16-byte blocks otherwise. Both give the same text; tests
// and fuzzing compare them.
std::string ExtractDxfTextWithFilter(ByteView file, bool wide);

#include "extract/dracad.h"

// The DraCAD readers are not built yet: every file gives empty text.
std::string ExtractMppText(ByteView) { return {}; }
std::string ExtractMpxText(ByteView) { return {}; }
std::string ExtractMpzText(ByteView) { return {}; }

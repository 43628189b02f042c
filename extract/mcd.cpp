#include "extract/mcd.h"

// The MCD reader is not built yet: every file gives empty text.
std::string ExtractMcdText(ByteView) { return {}; }

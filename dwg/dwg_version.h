#pragma once

// The DWG generations whose object data the bit-stream readers know. R13 and
// R14 ("AC1012", "AC1014") share one layout; R2000 ("AC1015") changes the
// common entity data and the TEXT fields.
enum class DwgVersion { R13, R2000 };

#pragma once

#include <optional>
#include <string_view>

// The DWG generations whose objects the bit-stream readers know, oldest
// first, so that a field added in one generation reads `version >= ...`.
//
// R13 and R14 ("AC1012", "AC1014") share one layout; R2000 ("AC1015")
// changes the common entity data and the TEXT fields; 2004 ("AC1018") the
// entity colour and links; 2007 ("AC1021") moves every string into a string
// stream of UTF-16 text; 2010 ("AC1024") codes the object type in a few bits
// and puts the handle stream's size before each object; 2013 ("AC1027") and
// 2018 ("AC1032") add fields.
enum class DwgVersion { R13, R2000, R2004, R2007, R2010, R2013, R2018 };

// The generation of a version string (a file's first six bytes cut at the
// first zero byte); nothing for "AC1009" (R12, records, not objects) and any
// other string.
constexpr std::optional<DwgVersion> ObjectVersionOf(std::string_view version) {
    if (version == "AC1012" || version == "AC1014") return DwgVersion::R13;
    if (version == "AC1015") return DwgVersion::R2000;
    if (version == "AC1018") return DwgVersion::R2004;
    if (version == "AC1021") return DwgVersion::R2007;
    if (version == "AC1024") return DwgVersion::R2010;
    if (version == "AC1027") return DwgVersion::R2013;
    if (version == "AC1032") return DwgVersion::R2018;
    return std::nullopt;
}

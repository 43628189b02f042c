#pragma once

#include <optional>
#include <string>
#include <string_view>

// Converts CP932 text to UTF-8 for display. Bytes that are no CP932 character
// become U+FFFD; the conversion never fails.
std::string Cp932ToUtf8(std::string_view cp932);

// Converts UTF-8 text to CP932 (what the user types, for the keyword test). A
// character CP932 cannot hold becomes its best fit (bytes/best_fit.h: Ø and ∅
// give φ, ² gives 2, µ gives μ), as the readers give the same character of a
// drawing; ASCII stays as it is, control characters too. Gives nothing when a
// character
// has no CP932 form at all (simplified Chinese 间, an emoji), or the text is
// not valid UTF-8.
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

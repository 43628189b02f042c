#pragma once

#include <optional>
#include <string>
#include <string_view>

// Converts CP932 text to UTF-8 for display. Bytes that are no CP932 character
// become U+FFFD; the conversion never fails.
std::string Cp932ToUtf8(std::string_view cp932);

// Converts UTF-8 text to CP932. Gives nothing when the text holds a character
// that CP932 cannot represent, or is not valid UTF-8.
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

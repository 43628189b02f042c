#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Columns a UTF-8 text takes on a terminal, from the Unicode character
// database: East Asian wide and full-width characters and emoji take two,
// combining marks and other zero-width characters none. A byte that starts
// no valid character counts one column.
size_t DisplayWidth(std::string_view utf8);

// The text in Unicode normalisation form C (a base letter and a combining
// mark composed where a composed character exists: "カ" U+3099 becomes "ガ").
// Nothing when the text is not valid UTF-8.
std::optional<std::string> NormalizeNfc(std::string_view utf8);

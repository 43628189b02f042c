#pragma once

#include <cstddef>
#include <string_view>

// Columns a UTF-8 text takes on a terminal, from the Unicode character
// database: East Asian wide and full-width characters and emoji take two,
// combining marks and other zero-width characters none. A byte that starts
// no valid character counts one column.
size_t DisplayWidth(std::string_view utf8);

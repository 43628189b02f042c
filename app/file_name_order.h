#pragma once

#include <string>
#include <string_view>

// The key a desktop file manager sorts a name by: the user's locale's
// collation, with runs of digits compared as numbers ("plan9" before
// "plan10"). Keys compare with the ordinary string comparison. `utf8` is
// display text.
std::string FileNameSortKey(std::string_view utf8);

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Search criteria as people write them, on the command line and in the search
// page's address: drawing-type lists, times, sizes and keywords. Each reader
// gives nothing for text it does not take; the callers word the refusal.

// The type mask of a type list ("dxf,jw"), comma-separated names of the
// drawing-type groups; empty items are passed over. Nothing for an unknown
// name.
std::optional<unsigned> ParseTypes(const std::string& list);

// The names a type list takes, comma-separated: "dxf,dwg,jw,mcd,dra".
std::string TypeNames();

// A whole number above 0 in decimal digits alone (at most 12 of them);
// nothing for any other text.
std::optional<int64_t> ParsePositive(const std::string& text);

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS]" or "YYYY-MM-DDTHH:MM[:SS]" in local
// time, or the last form followed by "Z" or an offset "+09:00" as the JSON
// output writes it, as seconds since 1970 UTC. A date alone means its first
// second, or with `endOfDay` its last. Nothing for any other text or an
// impossible date.
std::optional<int64_t> ParseTimeArgument(const std::string& text, bool endOfDay);

// The keyword text a person typed (UTF-8) in the CP932 the search compares:
// composed to Unicode normalisation form C first (a kana and a separate voiced
// mark become the one voiced kana CP932 holds), then converted. Nothing when
// the text is no UTF-8, holds a NUL, or holds a character CP932 cannot: such
// a keyword could never match.
std::optional<std::string> KeywordToCp932(std::string_view utf8);

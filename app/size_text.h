#pragma once

#include <cstdint>
#include <string_view>

// The number at the start of a size field, read like C's atol: leading blanks
// skipped, an optional sign, then digits up to the first other character; no
// digits give 0. Values beyond ±10^15 are clamped, so that the number times
// 1000 always fits.
int64_t LeadingNumber(std::string_view text);

// True when the text is an unsigned decimal number: blanks, at least one
// digit, blanks, and nothing else.
bool IsUnsignedDecimal(std::string_view text);

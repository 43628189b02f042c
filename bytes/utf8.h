#pragma once

#include <cstddef>
#include <string_view>

// Well-formed UTF-8: a lead byte C2-DF, E0-EF or F0-F4 and one, two or three
// continuation bytes 80-BF, spelling no overlong form, no surrogate
// (U+D800-U+DFFF) and nothing past U+10FFFF; ASCII bytes stand alone.

// The length (1 to 4) of the well-formed character that starts at `text[at]`
// (`at` < text.size()), its code point in `*codePoint` when that is given.
// 0, with `*codePoint` untouched, when the bytes there start none: a stray
// continuation byte, C0, C1 or F5-FF, a sequence cut short by the end of the
// text or by a byte that is no continuation, an overlong form, a surrogate,
// a value past U+10FFFF. Never reads past the end of `text`.
size_t Utf8CharLength(std::string_view text, size_t at, char32_t* codePoint = nullptr);

// True when all of `text` is well-formed UTF-8 (the empty text is).
bool IsValidUtf8(std::string_view text);

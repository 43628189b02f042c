#pragma once

#include <string>
#include <string_view>

#include "bytes/text_kind.h"

// What the keyword test sees of one line of drawing text: the stored value
// with its kind's codes turned into the characters they draw.
//
// DXF and DWG kinds (TEXT, MTEXT, ATTRIB, ATTDEF value, tag and prompt,
// DIMENSION, MULTILEADER, TABLE_CELL):
//   %%c %%d %%p %%%   φ ° ± %  (the letter in either case)
//   %%u %%o           underline and overline toggles, dropped
//   %%nnn             the character with the code point nnn (three decimal digits)
//   \U+XXXX           the Unicode character XXXX (four hex digits; a surrogate pair
//                     is one character; \U+1XXXX, five digits, a character past U+FFFF)
//   \M+nXXXX          the double-byte character XXXX of code page n: 1 is CP932,
//                     2 to 5 (Big5, Wansung, Johab, GB2312) are pages CP932 cannot hold
// and for the kinds whose values carry MTEXT inline codes (HasMTextCodes):
//   \P \N             paragraph and column break: a line feed (LF)
//   \~                a space
//   \\ \{ \}          the character itself
//   { }               group braces, dropped
//   \L \l \O \o \K \k \X   toggles and the dimension-line break, dropped
//   \f \F \H \W \C \c \A \T \Q \p (and \a \h \q \t \w) up to the next ";", dropped
//   \Sa/b; \Sa#b; \Sa^b;   a stacked fraction: "a/b"
// A code that lacks its closing ";" stays as it is written. Any other
// backslash or percent sign is text. Every other kind (JW_CAD, MCD, DraCAD)
// is returned unchanged.
//
// The value is walked by CP932 characters, so a trail byte that looks like
// "\", "{", "}" or "%" (表 is 95 5C) is never taken for a code. A character
// that an escape or %%nnn draws becomes its best fit (best_fit.h: a control
// character but tab gives nothing, Ø gives φ, ² gives 2), or kUnmappableByte,
// which no keyword contains, when CP932 has no form for it.
// The result is never longer than the input, and a lone lead byte is left
// only where the input ends with one.
std::string CleanLine(TextKind kind, std::string_view cp932);

// The same, appended to `out`.
void AppendCleanLine(TextKind kind, std::string_view cp932, std::string& out);

// False when CleanLine would return the line unchanged because it holds none
// of the bytes that start a code (a quick test that lets most lines skip the
// clean-up; true does not promise a change).
bool MayNeedCleanup(TextKind kind, std::string_view cp932);

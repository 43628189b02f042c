#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bytes/byte_view.h"

// Conversion of drawing text stored in another encoding to CP932, the
// encoding the search compares in. Readers convert as they read, so every
// line they give is CP932.

// What a character that CP932 cannot hold, nor stand in for (best_fit.h),
// becomes: a byte that is no CP932 character, so no keyword (which is converted from what the user
// types) ever contains it. Displayed as U+FFFD.
inline constexpr char kUnmappableByte = '\xFF';

// The encodings drawings store text in.
enum class CodePage : uint8_t {
    Cp932,  // Shift-JIS as Windows writes it; also what unknown pages are read as
    Windows874,
    Windows1250,
    Windows1251,
    Windows1252,
    Windows1253,
    Windows1254,
    Windows1255,
    Windows1256,
    Windows1257,
    Windows1258,
};

// The code page a DXF header's $DWGCODEPAGE names ("ANSI_1252", "ANSI_932",
// ASCII case ignored); nothing for a page that is not listed above (double-byte
// pages other than 932 among them).
std::optional<CodePage> CodePageFromName(std::string_view name);

// Appends the CP932 form of the Unicode code point to `out`: its best fit
// (AppendBestFitCp932: ASCII as itself, other characters by the CP932 table,
// control characters but tab as nothing, the diameter signs as φ, what CP932
// cannot hold as its NFKC form), and kUnmappableByte when it has none.
void AppendCp932(std::string& out, char32_t codePoint);

// The CP932 code of a code point (one byte, or lead << 8 | trail), or nothing.
std::optional<uint16_t> UnicodeToCp932(char32_t codePoint);

// The code points that UnicodeToCp932 gives `code` for (most codes have
// one; a few, such as the NEC and IBM extensions, have two).
std::vector<char32_t> UnicodeOfCp932(uint16_t code);

// Text of a single-byte code page to CP932: ASCII kept, the upper half
// through the page's table. CP932 text is returned unchanged.
std::string ToCp932(std::string_view text, CodePage page);

// The character of byte `byte` of ISO 8859 part `part` (1 to 9, the pages
// of ISO 10303-21 strings): bytes below 0x80 as themselves, 0x80-0x9F as the
// control characters they are, 0xA0-0xFF by the part's table; U+FFFD for a
// byte the part leaves undefined or a part outside 1 to 9.
char32_t Iso8859ToUnicode(int part, uint8_t byte);

// UTF-8 to CP932. A byte that does not start a valid sequence becomes one
// kUnmappableByte; the conversion never fails.
std::string Utf8ToCp932Lossy(std::string_view utf8);

// UTF-16LE code units (two bytes each, a trailing odd byte ignored) to CP932;
// surrogate pairs are combined and a lone surrogate is unmappable.
std::string Utf16LeToCp932(ByteView units);

#include "cli/unicode_text.h"

#include <utf8proc.h>

#include <cstdlib>
#include <memory>

namespace {

// The character at the front of `text`: its code point, or -1 with length 1
// for a byte that starts no valid character.
utf8proc_int32_t NextCharacter(std::string_view text, size_t& length) {
    utf8proc_int32_t cp = -1;
    utf8proc_ssize_t n = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
                                          static_cast<utf8proc_ssize_t>(text.size()), &cp);
    if (n <= 0) {
        length = 1;
        return -1;
    }
    length = static_cast<size_t>(n);
    return cp;
}

}  // namespace

size_t DisplayWidth(std::string_view utf8) {
    size_t width = 0;
    for (size_t i = 0; i < utf8.size();) {
        size_t length;
        utf8proc_int32_t cp = NextCharacter(utf8.substr(i), length);
        width += cp < 0 ? 1 : static_cast<size_t>(utf8proc_charwidth(cp));
        i += length;
    }
    return width;
}

std::optional<std::string> NormalizeNfc(std::string_view utf8) {
    if (!IsValidUtf8(utf8) || utf8.find('\0') != std::string_view::npos) return std::nullopt;
    std::string terminated(utf8);
    std::unique_ptr<utf8proc_uint8_t, decltype(&std::free)> composed(
        utf8proc_NFC(reinterpret_cast<const utf8proc_uint8_t*>(terminated.c_str())), &std::free);
    if (!composed) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(composed.get()));
}

bool IsValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        size_t length;
        if (NextCharacter(text.substr(i), length) < 0) return false;
        i += length;
    }
    return true;
}

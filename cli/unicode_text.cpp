#include "cli/unicode_text.h"

#include <utf8proc.h>

#include <cstdlib>
#include <memory>

#include "bytes/utf8.h"

size_t DisplayWidth(std::string_view utf8) {
    size_t width = 0;
    for (size_t i = 0; i < utf8.size();) {
        char32_t codePoint;
        const size_t length = Utf8CharLength(utf8, i, &codePoint);
        if (length == 0) {
            ++width;
            ++i;
            continue;
        }
        width += static_cast<size_t>(utf8proc_charwidth(static_cast<utf8proc_int32_t>(codePoint)));
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

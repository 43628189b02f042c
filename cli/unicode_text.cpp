#include "cli/unicode_text.h"

#include <utf8proc.h>

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

#include "bytes/spaces.h"

#include "bytes/cp932.h"

namespace {

// Keeps the characters of `text` for which `drop` is false, walking it by
// CP932 characters.
template <typename Drop>
void RemoveCharacters(std::string& text, Drop drop) {
    size_t out = 0;
    for (size_t in = 0; in < text.size();) {
        size_t length = Cp932CharLength(text, in);
        if (!drop(text, in, length)) {
            for (size_t k = 0; k < length; ++k) text[out++] = text[in + k];
        }
        in += length;
    }
    text.resize(out);
}

bool IsFullWidthSpace(const std::string& text, size_t at, size_t length) {
    return length == 2 && static_cast<uint8_t>(text[at]) == 0x81 && text[at + 1] == 0x40;
}

}  // namespace

void RemoveFullWidthSpaces(std::string& text) {
    RemoveCharacters(text, [](const std::string& s, size_t at, size_t length) {
        return IsFullWidthSpace(s, at, length);
    });
}

// Deleting whole characters leaves the boundaries of the others where they
// were, so both kinds of space go in one walk.
void RemoveSpaces(std::string& text) {
    RemoveCharacters(text, [](const std::string& s, size_t at, size_t length) {
        return IsFullWidthSpace(s, at, length) || (length == 1 && s[at] == ' ');
    });
}

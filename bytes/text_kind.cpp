#include "bytes/text_kind.h"

namespace {

constexpr std::string_view kNames[kTextKindCount] = {
    "TEXT",      "MTEXT",       "ATTRIB",     "ATTDEF",      "ATTDEF_TAG",   "ATTDEF_PROMPT",
    "DIMENSION", "MULTILEADER", "TABLE_CELL", "MOJI",        "JW_DIMENSION", "JW_BLOCK",
    "JW_MEMO",   "JW_TITLE",    "MCD_TEXT",   "DRACAD_TEXT", "SXF_TEXT",     "SXF_TITLE_BLOCK",
};

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 32) : a[i];
        char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 32) : b[i];
        if (x != y) return false;
    }
    return true;
}

}  // namespace

std::string_view TextKindName(TextKind kind) {
    auto index = static_cast<size_t>(kind);
    return index < static_cast<size_t>(kTextKindCount) ? kNames[index] : std::string_view("?");
}

std::optional<TextKind> TextKindFromName(std::string_view name) {
    for (int k = 0; k < kTextKindCount; ++k) {
        if (EqualIgnoringAsciiCase(name, kNames[k])) return static_cast<TextKind>(k);
    }
    return std::nullopt;
}

#include "app/place_path.h"

#include <optional>

#include "app/display_text.h"
#include "platform/file_status.h"

namespace {

// The Latin-1 bytes of `text`, or nothing when a character is past U+00FF.
std::optional<std::string> Latin1Bytes(const wxString& text) {
    std::string bytes;
    for (wxUniChar c : text) {
        if (c.GetValue() > 0xFF) return std::nullopt;
        bytes += static_cast<char>(c.GetValue());
    }
    return bytes;
}

bool Exists(const std::string& path) { return static_cast<bool>(ReadFileStatus(path)); }

}  // namespace

std::string NativePathOf(const wxString& path) {
    std::string native;
    size_t start = 0;
    while (start <= path.length()) {
        size_t slash = path.find('/', start);
        const bool last = slash == wxString::npos;
        wxString component = path.substr(start, last ? wxString::npos : slash - start);
        std::string utf8 = component.utf8_string();
        std::optional<std::string> latin1 = Latin1Bytes(component);
        if (component.empty() || Exists(native + utf8) || !latin1 || *latin1 == utf8 ||
            !Exists(native + *latin1)) {
            native += utf8;
        } else {
            native += *latin1;
        }
        if (last) break;
        native += '/';
        start = slash + 1;
    }
    return native;
}

wxString ShownPath(const std::string& path) { return wxString::FromUTF8(DisplayPath(path)); }

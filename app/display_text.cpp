#include "app/display_text.h"

#include "platform/encoding.h"
#include "search/extract_text.h"

namespace {

// Longest match text shown, in characters; the cell is one line of a list.
constexpr size_t kMatchCellCharacters = 200;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

bool IsValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t length;
        uint32_t least;  // the smallest code point this length may carry
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, least = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, least = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, least = 0x10000;
        } else {
            return false;
        }
        if (text.size() - i < length) return false;
        uint32_t code = lead & (0xFF >> (length + 1));
        for (size_t k = 1; k < length; ++k) {
            const auto byte = static_cast<unsigned char>(text[i + k]);
            if (!IsContinuation(byte)) return false;
            code = (code << 6) | (byte & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

std::string DisplayPath(std::string_view path) {
    if (IsValidUtf8(path)) return std::string(path);
    std::string shown;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        std::string_view component = path.substr(
            start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
        shown += IsValidUtf8(component) ? std::string(component) : Cp932ToUtf8(component);
        if (slash == std::string_view::npos) break;
        shown += '/';
        start = slash + 1;
    }
    return shown;
}

ResultCells DisplayCells(const ResultRecord& record) {
    if (IsValidUtf8(record.shownPath)) return FormatResultCells(record);
    // The shown path lowers ASCII letters byte by byte, trail bytes of CP932
    // characters too; decoding the full path first keeps those characters.
    ResultRecord shown = record;
    shown.shownPath = LowerCasePath(DisplayPath(record.fullPath));
    return FormatResultCells(shown);
}

std::string MatchCell(const ResultRecord& record) {
    if (record.matchText.empty()) return {};
    std::string line = Cp932ToUtf8(record.matchText);
    std::string cell;
    if (record.matchKind) {
        cell += TextKindName(*record.matchKind);
        cell += ": ";
    }
    size_t characters = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        const auto byte = static_cast<unsigned char>(line[i]);
        if (!IsContinuation(byte) && ++characters > kMatchCellCharacters) {
            cell += "…";
            break;
        }
        cell += byte < 0x20 || byte == 0x7F ? ' ' : line[i];
    }
    return cell;
}

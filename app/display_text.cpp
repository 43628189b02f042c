#include "app/display_text.h"

#include "bytes/utf8.h"
#include "platform/encoding.h"
#include "search/extract_text.h"

namespace {

// Longest match text shown, in characters; the cell is one line of a list.
constexpr size_t kMatchCellCharacters = 200;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

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

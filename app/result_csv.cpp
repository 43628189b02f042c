#include "app/result_csv.h"

#include <optional>
#include <string_view>

#include "app/display_text.h"
#include "bytes/utf8.h"
#include "platform/encoding.h"

namespace {

// UTF-8 text as CP932, each character CP932 lacks as "?".
std::string ToCp932(std::string_view utf8) {
    if (std::optional<std::string> whole = Utf8ToCp932(utf8)) return *whole;
    std::string out;
    for (size_t at = 0; at < utf8.size();) {
        size_t length = Utf8CharLength(utf8, at);
        if (length == 0) length = 1;
        std::optional<std::string> one = Utf8ToCp932(utf8.substr(at, length));
        out += one ? *one : "?";
        at += length;
    }
    return out;
}

void AppendField(std::string& row, const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        row += field;
        return;
    }
    row += '"';
    for (char c : field) {
        if (c == '"') row += '"';
        row += c;
    }
    row += '"';
}

void AppendRow(std::string& out, const std::vector<std::string>& fields) {
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) out += ',';
        AppendField(out, fields[i]);
    }
    out += "\r\n";
}

}  // namespace

std::string BuildResultCsv(const std::vector<const ResultRecord*>& records, CsvEncoding encoding) {
    const bool cp932 = encoding == CsvEncoding::Cp932;
    auto text = [cp932](std::string_view utf8) {
        return cp932 ? ToCp932(utf8) : std::string(utf8);
    };
    std::string out = cp932 ? "" : "\xEF\xBB\xBF";
    std::vector<std::string> header;
    for (const char* name : kResultColumnHeaders) header.push_back(text(name));
    header.push_back(text(kMatchColumnHeader));
    header.push_back(text(kFullPathColumnHeader));
    AppendRow(out, header);
    for (const ResultRecord* record : records) {
        const ResultCells cells = DisplayCells(*record);
        // The full path: in CP932, a path that is not UTF-8 is taken to be
        // CP932 already and written as it is.
        std::string path = cp932 && !IsValidUtf8(record->fullPath)
                               ? record->fullPath
                               : text(DisplayPath(record->fullPath));
        AppendRow(out, {text(cells.name), text(cells.type), text(cells.folder), text(cells.size),
                        text(cells.created), text(cells.modified), text(MatchCell(*record)), path});
    }
    return out;
}

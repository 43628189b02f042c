#include "cli/result_output.h"

#include <array>
#include <string>

#include "platform/clock.h"

namespace {

// Decodes one UTF-8 character at `i`; gives 0xFFFD and length 1 for a byte
// that starts no valid character.
char32_t DecodeUtf8(const std::string& s, size_t i, size_t& length) {
    auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
    uint8_t b = byte(i);
    length = 1;
    if (b < 0x80) return b;
    size_t n = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
    if (n == 0 || i + n > s.size()) return 0xFFFD;
    char32_t cp = b & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0xFFFD;
        cp = cp << 6 | (byte(i + k) & 0x3F);
    }
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0xFFFD;
    }
    length = n;
    return cp;
}

bool IsWide(char32_t cp) {
    return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
           (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
           (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
           (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
}

// JSON string: escapes, and U+FFFD for bytes that are no UTF-8 (a file name
// need not be valid UTF-8; paths0 and tsv hand such names out intact).
std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (size_t i = 0; i < s.size();) {
        size_t length;
        char32_t cp = DecodeUtf8(s, i, length);
        if (cp == '"' || cp == '\\') {
            out += '\\';
            out += static_cast<char>(cp);
        } else if (cp < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(cp));
            out += escape;
        } else if (cp == 0xFFFD && length == 1) {
            out += "\xEF\xBF\xBD";
        } else {
            out.append(s, i, length);
        }
        i += length;
    }
    return out + "\"";
}

// Local time in ISO 8601 with the offset written "+09:00".
std::string IsoTime(int64_t time) {
    std::string text = FormatLocalTime(time, "%Y-%m-%dT%H:%M:%S%z");
    if (text.size() < 5) return text;
    return text.substr(0, text.size() - 2) + ":" + text.substr(text.size() - 2);
}

std::array<std::string, 6> CellsOf(const ResultRecord& record) {
    ResultCells c = FormatResultCells(record);
    return {c.name, c.type, c.folder, c.size, c.created, c.modified};
}

void Put(const std::string& text, FILE* out) { std::fwrite(text.data(), 1, text.size(), out); }

}  // namespace

size_t DisplayWidth(const std::string& utf8) {
    size_t width = 0;
    for (size_t i = 0; i < utf8.size();) {
        size_t length;
        width += IsWide(DecodeUtf8(utf8, i, length)) ? 2 : 1;
        i += length;
    }
    return width;
}

void WriteResults(const std::vector<ResultRecord>& rows, OutputFormat format, FILE* out) {
    switch (format) {
        case OutputFormat::Paths0:
            for (const ResultRecord& row : rows) {
                Put(row.fullPath, out);
                std::fputc('\0', out);
            }
            return;
        case OutputFormat::Tsv:
            for (const ResultRecord& row : rows) {
                for (const std::string& cell : CellsOf(row)) Put(cell + "\t", out);
                Put(row.fullPath + "\n", out);
            }
            return;
        case OutputFormat::Json: {
            static const char* const kKeys[6] = {"name", "type",    "folder",
                                                 "size", "created", "modified"};
            Put("[", out);
            for (size_t r = 0; r < rows.size(); ++r) {
                std::array<std::string, 6> cells = CellsOf(rows[r]);
                Put(r == 0 ? "\n  {" : ",\n  {", out);
                for (int k = 0; k < 6; ++k) {
                    Put(std::string("\"") + kKeys[k] + "\": " + JsonString(cells[k]) + ", ", out);
                }
                Put("\"path\": " + JsonString(rows[r].fullPath) +
                        ", \"bytes\": " + std::to_string(rows[r].size) +
                        ", \"created_iso\": " + JsonString(IsoTime(rows[r].creationTime)) +
                        ", \"modified_iso\": " + JsonString(IsoTime(rows[r].modificationTime)) +
                        "}",
                    out);
            }
            Put(rows.empty() ? "]\n" : "\n]\n", out);
            return;
        }
        case OutputFormat::Table: {
            std::vector<std::array<std::string, 6>> lines;
            lines.push_back({kResultColumnHeaders[0], kResultColumnHeaders[1],
                             kResultColumnHeaders[2], kResultColumnHeaders[3],
                             kResultColumnHeaders[4], kResultColumnHeaders[5]});
            for (const ResultRecord& row : rows) lines.push_back(CellsOf(row));
            std::array<size_t, 6> widths{};
            for (const auto& line : lines) {
                for (int k = 0; k < 6; ++k) widths[k] = std::max(widths[k], DisplayWidth(line[k]));
            }
            for (const auto& line : lines) {
                std::string text;
                for (int k = 0; k < 6; ++k) {
                    text += line[k];
                    if (k < 5) text += std::string(widths[k] - DisplayWidth(line[k]) + 2, ' ');
                }
                Put(text + "\n", out);
            }
            return;
        }
    }
}

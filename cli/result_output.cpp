#include "cli/result_output.h"

#include <algorithm>
#include <cstdio>

#include "bytes/utf8.h"
#include "cli/unicode_text.h"
#include "platform/clock.h"
#include "platform/encoding.h"

namespace {

// The cells every format derives from a row: name, type and folder cut from
// the path as shown, so they keep the file's own case.
struct RowCells {
    std::string name, type, folder, size, created, modified;
};

// A name as a person reads it, as the window shows it: each component
// between slashes as it is when it is UTF-8, else (a name a Windows share
// or an old archive stored as Shift_JIS) decoded as CP932. No CP932
// character holds a "/" byte.
std::string Readable(std::string_view name) {
    if (IsValidUtf8(name)) return std::string(name);
    std::string shown;
    for (size_t start = 0;;) {
        size_t slash = name.find('/', start);
        std::string_view component = name.substr(start, slash - start);
        shown += IsValidUtf8(component) ? std::string(component) : Cp932ToUtf8(component);
        if (slash == std::string_view::npos) return shown;
        shown += '/';
        start = slash + 1;
    }
}

// `readable`: the name, type and folder decoded for reading (table, json);
// else their exact bytes (tsv).
RowCells CellsOf(const ResultRecord& record, const std::string& path, bool readable) {
    PathParts parts = SplitPath(path);
    auto cell = [readable](std::string_view part) {
        return readable ? Readable(part) : std::string(part);
    };
    return {cell(parts.name),
            cell(parts.type),
            cell(parts.folder),
            FormatSizeCell(record.size),
            FormatTimeCell(record.creationTime),
            FormatTimeCell(record.modificationTime)};
}

std::string HexEscape(unsigned char byte) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\x%02X", byte);
    return escape;
}

// A cell for a terminal: control characters and bytes that start no UTF-8
// character written as escapes, so a name cannot move the cursor.
std::string ForTerminal(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte == '\t' || byte == '\n' || byte == '\r') {
            out += byte == '\t' ? "\\t" : byte == '\n' ? "\\n" : "\\r";
            ++i;
        } else if (byte < 0x20 || byte == 0x7F) {
            out += HexEscape(byte);
            ++i;
        } else if (byte < 0x80) {
            out += text[i++];
        } else if (size_t length = Utf8CharLength(text, i)) {
            out.append(text, i, length);
            i += length;
        } else {
            out += HexEscape(byte);
            ++i;
        }
    }
    return out;
}

std::string TsvField(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        switch (ch) {
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                out += ch;
        }
    }
    return out;
}

// A JSON string; bytes that are no UTF-8 become U+FFFD (in "path": the
// path's exact bytes travel in "path_bytes").
std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (size_t i = 0; i < s.size();) {
        unsigned char byte = static_cast<unsigned char>(s[i]);
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += s[i++];
        } else if (byte == '\t' || byte == '\n' || byte == '\r') {
            out += byte == '\t' ? "\\t" : byte == '\n' ? "\\n" : "\\r";
            ++i;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
            ++i;
        } else if (byte < 0x80) {
            out += s[i++];
        } else if (size_t length = Utf8CharLength(s, i)) {
            out.append(s, i, length);
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out + "\"";
}

std::string Base64(const std::string& bytes) {
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = static_cast<uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) group |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) group |= static_cast<uint8_t>(bytes[i + 2]);
        out += kDigits[group >> 18 & 63];
        out += kDigits[group >> 12 & 63];
        out += i + 1 < bytes.size() ? kDigits[group >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[group & 63] : '=';
    }
    return out;
}

}  // namespace

std::string IsoTime(int64_t time) {
    std::string text = FormatLocalTime(time, "%Y-%m-%dT%H:%M:%S%z");
    if (text.size() < 5) return text;
    return text.substr(0, text.size() - 2) + ":" + text.substr(text.size() - 2);
}

std::string MatchCell(const ResultRecord& record) {
    if (!record.matchKind) return {};
    return std::string(TextKindName(*record.matchKind)) + ": " + Cp932ToUtf8(record.matchText);
}

ResultWriter::ResultWriter(OutputFormat format, bool header, bool showMatch, OutputStream& out)
    : m_format(format), m_header(header), m_showMatch(showMatch), m_out(out) {}

void ResultWriter::Begin() {
    if (m_format == OutputFormat::Json) m_out.Write("[");
    if (m_format != OutputFormat::Table) return;
    std::vector<std::string> headers(kResultColumnHeaders.begin(), kResultColumnHeaders.end());
    if (m_showMatch) headers.push_back(kMatchColumnHeader);
    m_widths.assign(headers.size(), 0);
    if (!m_header) return;
    for (size_t k = 0; k < headers.size(); ++k) m_widths[k] = DisplayWidth(headers[k]);
    WriteTableLine(headers);
}

std::vector<std::string> ResultWriter::TableCells(const ResultRecord& record,
                                                  const std::string& path) const {
    RowCells c = CellsOf(record, path, true);
    std::vector<std::string> cells{
        ForTerminal(c.name), ForTerminal(c.type), ForTerminal(c.folder), c.size,
        c.created,           c.modified};
    if (m_showMatch) cells.push_back(ForTerminal(MatchCell(record)));
    return cells;
}

void ResultWriter::Fit(const ResultRecord& record, const std::string& path) {
    if (m_format != OutputFormat::Table) return;
    std::vector<std::string> cells = TableCells(record, path);
    for (size_t k = 0; k < cells.size(); ++k) {
        m_widths[k] = std::max(m_widths[k], DisplayWidth(cells[k]));
    }
}

void ResultWriter::WriteTableLine(const std::vector<std::string>& cells) {
    std::string line;
    for (size_t k = 0; k < cells.size(); ++k) {
        line += cells[k];
        if (k + 1 < cells.size()) {
            size_t width = DisplayWidth(cells[k]);
            m_widths[k] = std::max(m_widths[k], width);
            line.append(m_widths[k] - width + 2, ' ');
        }
    }
    m_out.Write(line + "\n");
}

void ResultWriter::Row(const ResultRecord& record, const std::string& path) {
    switch (m_format) {
        case OutputFormat::Paths:
            m_out.Write(path + "\n");
            break;
        case OutputFormat::Paths0:
            m_out.Write(path);
            m_out.Write(std::string_view("\0", 1));
            break;
        case OutputFormat::Table:
            WriteTableLine(TableCells(record, path));
            break;
        case OutputFormat::Tsv: {
            RowCells c = CellsOf(record, path, false);
            std::string line = TsvField(c.name) + "\t" + TsvField(c.type) + "\t" +
                               TsvField(c.folder) + "\t" + c.size + "\t" +
                               IsoTime(record.creationTime) + "\t" +
                               IsoTime(record.modificationTime) + "\t" + TsvField(path);
            if (m_showMatch) {
                std::string kind =
                    record.matchKind ? std::string(TextKindName(*record.matchKind)) : "";
                line += "\t" + kind + "\t" + TsvField(Cp932ToUtf8(record.matchText));
            }
            m_out.Write(line + "\n");
            break;
        }
        case OutputFormat::Json: {
            RowCells c = CellsOf(record, path, true);
            std::string object = m_rows == 0 ? "\n  {" : ",\n  {";
            object +=
                "\"name\": " + JsonString(c.name) + ", \"type\": " + JsonString(c.type) +
                ", \"folder\": " + JsonString(c.folder) + ", \"size\": " + JsonString(c.size) +
                ", \"created\": " + JsonString(c.created) +
                ", \"modified\": " + JsonString(c.modified) + ", \"path\": " + JsonString(path);
            if (!IsValidUtf8(path)) object += ", \"path_bytes\": \"" + Base64(path) + "\"";
            object += ", \"bytes\": " + std::to_string(record.size) +
                      ", \"created_iso\": " + JsonString(IsoTime(record.creationTime)) +
                      ", \"modified_iso\": " + JsonString(IsoTime(record.modificationTime));
            if (m_showMatch) {
                if (record.matchKind) {
                    object += ", \"match_kind\": " +
                              JsonString(std::string(TextKindName(*record.matchKind))) +
                              ", \"match_text\": " + JsonString(Cp932ToUtf8(record.matchText));
                } else {
                    object += ", \"match_kind\": null, \"match_text\": null";
                }
            }
            m_out.Write(object + "}");
            break;
        }
    }
    ++m_rows;
}

void ResultWriter::End() {
    if (m_format == OutputFormat::Json) m_out.Write(m_rows == 0 ? "]\n" : "\n]\n");
}

#include "results/result_json.h"

#include <cstdio>

#include "bytes/utf8.h"
#include "platform/clock.h"
#include "platform/encoding.h"

namespace {

std::string Base64(std::string_view bytes) {
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

std::string JsonString(std::string_view s) {
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

std::string IsoTime(int64_t time) {
    std::string text = FormatLocalTime(time, "%Y-%m-%dT%H:%M:%S%z");
    if (text.size() < 5) return text;
    return text.substr(0, text.size() - 2) + ":" + text.substr(text.size() - 2);
}

std::string ReadableName(std::string_view name) {
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

std::string ResultJsonObject(const ResultRecord& record, const std::string& path,
                             const JsonRowOptions& options) {
    PathParts parts = SplitPath(path);
    std::string object = "{\"name\": " + JsonString(ReadableName(parts.name)) +
                         ", \"type\": " + JsonString(ReadableName(parts.type)) +
                         ", \"folder\": " + JsonString(ReadableName(parts.folder)) +
                         ", \"size\": " + JsonString(FormatSizeCell(record.size)) +
                         ", \"created\": " + JsonString(FormatTimeCell(record.creationTime)) +
                         ", \"modified\": " + JsonString(FormatTimeCell(record.modificationTime));
    if (options.root != nullptr) object += ", \"root\": " + JsonString(*options.root);
    object += ", \"path\": " + JsonString(path);
    if (!IsValidUtf8(path)) object += ", \"path_bytes\": \"" + Base64(path) + "\"";
    object += ", \"bytes\": " + std::to_string(record.size) +
              ", \"created_iso\": " + JsonString(IsoTime(record.creationTime)) +
              ", \"modified_iso\": " + JsonString(IsoTime(record.modificationTime));
    if (options.showMatch) {
        if (record.matchKind) {
            object +=
                ", \"match_kind\": " + JsonString(std::string(TextKindName(*record.matchKind))) +
                ", \"match_text\": " + JsonString(Cp932ToUtf8(record.matchText));
        } else {
            object += ", \"match_kind\": null, \"match_text\": null";
        }
    }
    return object + "}";
}

#include "serve/http_text.h"

#include <cstdio>

#include "bytes/utf8.h"

namespace {

// Characters RFC 5987 lets stand as themselves in a value (attr-char).
bool IsAttrChar(unsigned char ch) {
    if ((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9')) {
        return true;
    }
    switch (ch) {
        case '!':
        case '#':
        case '$':
        case '&':
        case '+':
        case '-':
        case '.':
        case '^':
        case '_':
        case '`':
        case '|':
        case '~':
            return true;
        default:
            return false;
    }
}

void AppendPercent(std::string& out, unsigned char byte) {
    char escape[4];
    std::snprintf(escape, sizeof escape, "%%%02X", byte);
    out += escape;
}

}  // namespace

std::string ContentDisposition(std::string_view fileName) {
    std::string ascii;
    std::string encoded;
    for (size_t i = 0; i < fileName.size();) {
        unsigned char byte = static_cast<unsigned char>(fileName[i]);
        if (byte < 0x80) {
            bool plain = byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\';
            ascii += plain ? static_cast<char>(byte) : '_';
            if (IsAttrChar(byte)) {
                encoded += static_cast<char>(byte);
            } else {
                AppendPercent(encoded, byte);
            }
            ++i;
            continue;
        }
        ascii += '_';
        size_t length = Utf8CharLength(fileName, i);
        if (length == 0) {
            for (unsigned char replacement : std::string_view("\xEF\xBF\xBD")) {
                AppendPercent(encoded, replacement);
            }
            ++i;
            continue;
        }
        for (size_t k = 0; k < length; ++k) {
            AppendPercent(encoded, static_cast<unsigned char>(fileName[i + k]));
        }
        i += length;
    }
    return "attachment; filename=\"" + ascii + "\"; filename*=UTF-8''" + encoded;
}

std::optional<ListenAddress> ParseListenAddress(std::string_view text) {
    ListenAddress address;
    std::string_view portText;
    if (text.starts_with('[')) {
        size_t close = text.find(']');
        if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') {
            return std::nullopt;
        }
        address.host = std::string(text.substr(1, close - 1));
        portText = text.substr(close + 2);
    } else {
        size_t colon = text.rfind(':');
        if (colon == std::string_view::npos) return std::nullopt;
        address.host = std::string(text.substr(0, colon));
        if (address.host.find(':') != std::string::npos) return std::nullopt;  // IPv6 needs []
        portText = text.substr(colon + 1);
    }
    if (address.host.empty() || portText.empty() || portText.size() > 5) return std::nullopt;
    for (char ch : portText) {
        if (ch < '0' || ch > '9') return std::nullopt;
        address.port = address.port * 10 + (ch - '0');
    }
    if (address.port > 65535) return std::nullopt;
    return address;
}

bool IsLoopbackHost(std::string_view host) {
    return host == "localhost" || host == "::1" || host.starts_with("127.");
}

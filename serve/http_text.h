#pragma once

#include <optional>
#include <string>
#include <string_view>

// The Content-Disposition of a download named `fileName` (the drawing's own
// name, native bytes): an attachment with a plain-ASCII "filename" for old
// clients ("_" for every byte that is not printable ASCII, and for quotes and
// backslashes) and the exact name as "filename*" in RFC 5987 form (UTF-8,
// percent-encoded; a byte that is no UTF-8 becomes U+FFFD).
std::string ContentDisposition(std::string_view fileName);

// Where the server listens: "ADDR:PORT", "[IPv6]:PORT".
struct ListenAddress {
    std::string host;
    int port = 0;
};
// Nothing for any other text, or a port outside 0-65535 (0: any free port).
std::optional<ListenAddress> ParseListenAddress(std::string_view text);

// True for an address of this machine alone (127.0.0.0/8, ::1, localhost).
bool IsLoopbackHost(std::string_view host);

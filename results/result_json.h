#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "results/result_record.h"

// The JSON object of one result row, as `search --format json` prints it and
// the search page's API streams it:
//   {"name", "type", "folder", "size", "created", "modified"}  the row's cells
//   "root"            the named root the path is relative to (API rows only)
//   "path"            the path as shown; "path_bytes" (base64) beside it when
//                     the path is no UTF-8, its exact bytes
//   "bytes", "created_iso", "modified_iso"  the size and times as values
//   "match_kind", "match_text"  where the drawing matched (with showMatch;
//                     null when the keyword text matches every drawing)
// The cells are cut from `path`, so they keep the file's own case; name and
// folder are readable names (ReadableName).
struct JsonRowOptions {
    bool showMatch = false;
    const std::string* root = nullptr;  // a "root" member before "path" when given
};
std::string ResultJsonObject(const ResultRecord& record, const std::string& path,
                             const JsonRowOptions& options);

// `text` as a JSON string with its quotes; bytes that are no UTF-8 become
// U+FFFD, control characters escapes.
std::string JsonString(std::string_view text);

// Local time in ISO 8601 with its offset: "2026-01-02T03:04:05+09:00".
std::string IsoTime(int64_t time);

// A name as a person reads it, as the window shows it: each component
// between slashes as it is when it is UTF-8, else (a name a Windows share or
// an old archive stored as Shift_JIS) decoded as CP932. No CP932 character
// holds a "/" byte.
std::string ReadableName(std::string_view name);

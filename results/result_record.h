#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "bytes/text_kind.h"

// What a result row owns: the file's status when the hit was found, and its
// path. Times are seconds since 1970-01-01 00:00 UTC, sizes in bytes.
struct ResultRecord {
    int64_t creationTime = 0;  // the modification time when the file system has none
    int64_t modificationTime = 0;
    int64_t accessTime = 0;  // the modification time when the file system has none
    int64_t size = 0;
    uint8_t attributes = 0;  // read-only 0x01, hidden 0x02, folder 0x10, archive 0x20
    std::string fullPath;    // absolute, as found on disk: what actions open and copy
    std::string shownPath;   // lower-cased form: what cells show and sorting compares
    // Where the drawing matched: the first line of its text (CP932, after its
    // kind's clean-up) that holds a keyword, and that line's kind. Empty when
    // the keyword text matches every drawing without reading it.
    std::string matchText;
    std::optional<TextKind> matchKind;
};

struct FileStatus;

// The attributes a record keeps of a status.
uint8_t ResultAttributes(const FileStatus& status);

// A record from the file's current status; nothing when it cannot be read.
std::optional<ResultRecord> MakeResultRecord(const std::string& fullPath, std::string shownPath);

// A path cut as the row shows it: everything up to and including the last
// separator, the last component before its last ".", and the extension with
// its leading dots removed.
struct PathParts {
    std::string_view folder;
    std::string_view name;
    std::string_view type;
};
PathParts SplitPath(std::string_view path);

// The six cells of a row, cut from the shown path.
struct ResultCells {
    std::string name;      // last component before its last "."
    std::string type;      // the extension, leading dots removed
    std::string folder;    // everything up to and including the last separator
    std::string size;      // "%dKB", or "0.%03dKB" below 1000 bytes
    std::string created;   // "%y/%m/%d %H:%M", local time
    std::string modified;  // same
};
ResultCells FormatResultCells(const ResultRecord& record);

std::string FormatSizeCell(int64_t size);
std::string FormatTimeCell(int64_t time);

// The headers of the six cells' columns, in the order of ResultCells, and of
// the column of where the drawing matched, as the window and the command
// line's table show them.
inline constexpr std::array<const char*, 6> kResultColumnHeaders = {
    "ﾌｧｲﾙ名", "ﾀｲﾌﾟ", "ﾌｫﾙﾀﾞ", "ｻｲｽﾞ", "作成日", "最終更新日"};
inline constexpr const char* kMatchColumnHeader = "一致箇所";

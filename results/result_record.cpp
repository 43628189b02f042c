#include "results/result_record.h"

#include <cinttypes>
#include <cstdio>

#include "platform/clock.h"
#include "platform/file_status.h"
#include "platform/folder_listing.h"

uint8_t ResultAttributes(const FileStatus& status) {
    return static_cast<uint8_t>((status.readOnly ? 0x01 : 0) | (status.hidden ? 0x02 : 0) |
                                (status.isFolder ? 0x10 : 0x20));
}

std::optional<ResultRecord> MakeResultRecord(const std::string& fullPath, std::string shownPath) {
    ReadResult<FileStatus> status = ReadFileStatus(fullPath);
    if (!status) return std::nullopt;
    ResultRecord record;
    record.modificationTime = status->modificationTime;
    record.creationTime =
        status->creationTime != 0 ? status->creationTime : status->modificationTime;
    record.accessTime = status->accessTime != 0 ? status->accessTime : status->modificationTime;
    record.size = status->size;
    record.attributes = ResultAttributes(*status);
    record.fullPath = fullPath;
    record.shownPath = std::move(shownPath);
    return record;
}

std::string FormatSizeCell(int64_t size) {
    char buffer[32];
    int64_t kilobytes = size / 1000;
    if (kilobytes > 0) {
        std::snprintf(buffer, sizeof buffer, "%" PRId64 "KB", kilobytes);
    } else {
        std::snprintf(buffer, sizeof buffer, "0.%03dKB", static_cast<int>(size < 0 ? 0 : size));
    }
    return buffer;
}

std::string FormatTimeCell(int64_t time) { return FormatLocalTime(time, "%y/%m/%d %H:%M"); }

PathParts SplitPath(std::string_view path) {
    // Separators and dots are single bytes that never occur inside a
    // multi-byte character of a native (UTF-8) path.
    size_t folderEnd = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsPathSeparator(path[i])) folderEnd = i + 1;
    }
    std::string_view lastComponent = path.substr(folderEnd);
    size_t dot = lastComponent.rfind('.');
    PathParts parts;
    parts.folder = path.substr(0, folderEnd);
    parts.name = lastComponent.substr(0, dot);
    if (dot != std::string_view::npos) {
        std::string_view extension = lastComponent.substr(dot);
        size_t firstNonDot = extension.find_first_not_of('.');
        if (firstNonDot != std::string_view::npos) parts.type = extension.substr(firstNonDot);
    }
    return parts;
}

ResultCells FormatResultCells(const ResultRecord& record) {
    PathParts parts = SplitPath(record.shownPath);
    ResultCells cells;
    cells.name = parts.name;
    cells.type = parts.type;
    cells.folder = parts.folder;
    cells.size = FormatSizeCell(record.size);
    cells.created = FormatTimeCell(record.creationTime);
    cells.modified = FormatTimeCell(record.modificationTime);
    return cells;
}

#include "cli/file_reads.h"

#include "platform/fs.h"
#include "search/extract_text.h"

StatusOrReason ReadStatusOrReason(const std::string& path) {
    StatusOrReason read{.status = ReadFileStatus(path)};
    if (!read.status) read.reason = LastReadError();
    return read;
}

std::optional<std::string> ExtractTextOrReason(const std::string& path, ExtractedText& out) {
    if (ExtractText(path, out)) return std::nullopt;
    return LastReadError();
}

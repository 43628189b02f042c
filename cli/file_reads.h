#pragma once

#include <optional>
#include <string>

#include "bytes/extracted_text.h"
#include "platform/file_status.h"

// The reads the commands make of the place and the files they are given,
// each giving the reason for a failure together with it: a message never
// shows a reason read later, after another call on the thread has replaced it.

// The status of the file at `path` (links followed), or why it cannot be read.
struct StatusOrReason {
    std::optional<FileStatus> status;
    std::string reason = {};  // "No such file or directory"; empty when `status` is there
};
StatusOrReason ReadStatusOrReason(const std::string& path);

// Reads the drawing at `path` into `out` with the reader of its extension (as
// ExtractText). Nothing when it was read; otherwise why not, `out` then
// unchanged.
std::optional<std::string> ExtractTextOrReason(const std::string& path, ExtractedText& out);

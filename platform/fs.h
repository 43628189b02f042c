#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Reads the regular file at `path` whole. The file is opened read-only and
// without blocking, so a FIFO or device that carries a drawing's name is
// refused at once instead of stalling the caller. Gives nothing when the path
// is missing, unreadable, not a regular file, or fails while being read; a file
// that shrinks while read leaves zeros at the end. Never throws.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path);

// The reason the last ReadWholeFile on this thread failed, for messages.
std::string LastReadError();

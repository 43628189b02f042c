#pragma once

#include <memory>
#include <string>

#include "bytes/byte_source.h"

// Opens the regular file at `path` for positioned reads. The file is opened
// read-only and without blocking, and only what is a regular file both before
// and after the open is kept, so a FIFO or device that carries a drawing's
// name is refused at once and never opened for long. Its size is fixed at the
// open; a file that shrinks afterwards gives shorter reads. Gives nothing when
// the path is missing, unreadable or not a regular file (LastReadError() says
// why). Never throws.
std::unique_ptr<ByteSource> OpenFileSource(const std::string& path);

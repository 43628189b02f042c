#pragma once

#include <memory>
#include <string>

#include "bytes/byte_source.h"
#include "platform/read_result.h"

// Opens the regular file at `path` for positioned reads. The file is opened
// read-only and without blocking, and only what is a regular file both before
// and after the open is kept, so a FIFO or device that carries a drawing's
// name is refused at once and never opened for long. Its size is fixed at the
// open; a file that shrinks afterwards gives shorter reads. Gives the error
// when the path is missing, unreadable or not a regular file. Never throws.
//
// Reads fill the scratch given from its start, growing it when it is too
// small and never shrinking it, so a scratch kept from read to read (and
// from file to file) is filled without being cleared first. DataFrom passes
// over the holes of a sparse file.
ReadResult<std::unique_ptr<ByteSource>> OpenFileSource(const std::string& path);

// The same for a path whose status the caller has just read and found to be
// a regular file (`knownRegular`), which spares a second look before the
// open; the file is still checked to be a regular file once it is open.
ReadResult<std::unique_ptr<ByteSource>> OpenFileSource(const std::string& path, bool knownRegular);

// Asks the system to read the first `bytes` of the regular file at `path`
// into its cache in the background, unless they seem to be there already
// (its first byte is). True when the file was found in the cache (nothing is
// asked); false when the read-ahead was asked, or the file could not be
// opened. Only what is a regular file is opened. Never throws, never waits
// for the disk.
bool ReadAheadFile(const std::string& path, uint64_t bytes);

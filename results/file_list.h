#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The file list that copy and drag hand over, in the forms desktops read.

// The Windows CF_HDROP block: a 20-byte DROPFILES header (offset of the list
// 20, drop point 0,0, non-client 0, wide 0; 32-bit little-endian fields), then
// each path as 8-bit text with a zero byte, then one more zero byte.
std::vector<uint8_t> BuildDropFilesBlock(const std::vector<std::string>& paths);

// "file://" URI of an absolute path: bytes other than unreserved characters
// and "/" are percent-encoded, so any file name survives.
std::string FileUri(const std::string& path);

// text/uri-list: one URI per line, each ended by CR LF.
std::string BuildUriList(const std::vector<std::string>& paths);

// x-special/gnome-copied-files: "copy", then one URI per line, which GNOME-style
// file managers paste as copies of the files.
std::string BuildGnomeCopiedFiles(const std::vector<std::string>& paths);

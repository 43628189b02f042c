#pragma once

#include <string>
#include <string_view>

#include "results/result_record.h"

// What the window shows of native path bytes and drawing text. The window
// shows UTF-8; a file's name is whatever bytes its folder holds, and names
// copied from Windows are often Shift_JIS.

// A native path for display, one component at a time: a component that is
// UTF-8 stays as it is, any other is read as CP932, with U+FFFD for bytes
// that are no CP932 character. Separators stay where they are.
std::string DisplayPath(std::string_view path);

// The six cells of a row as the window shows them: cut from the shown
// (lower-cased) path, or, where that is not UTF-8, from the full path decoded
// by DisplayPath and lower-cased the same way.
ResultCells DisplayCells(const ResultRecord& record);

// Where the drawing matched, for the "一致箇所" column: the kind's name, a
// colon and the line (CP932 decoded), control characters shown as blanks and
// long lines cut with "…". Empty when the record holds no matching line.
std::string MatchCell(const ResultRecord& record);

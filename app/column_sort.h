#pragma once

#include <string>

#include "results/result_record.h"

// The order a click on a column header gives, beside the menu's sort
// commands: each column sorts by what it shows, names as the desktop's file
// manager sorts them, sizes and times by their values. Rows equal in the
// column follow by name, then folder, then full path, so the order is whole.

enum class ResultColumn { Name, Type, Folder, Size, Created, Modified, Match };
inline constexpr int kResultColumnCount = 7;

// The sort keys of one row's texts, made once per sort.
struct ColumnSortKeys {
    std::string name, type, folder, match;
};
ColumnSortKeys MakeColumnSortKeys(const ResultRecord& record);

// -1, 0 or 1, ascending.
int CompareForColumn(const ResultRecord& a, const ColumnSortKeys& keysA, const ResultRecord& b,
                     const ColumnSortKeys& keysB, ResultColumn column);

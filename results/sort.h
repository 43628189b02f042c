#pragma once

#include <string>
#include <string_view>

#include "results/result_record.h"

// The orders of the result rows: the sort commands' (by whole records) and a
// column header's (by what the column shows). The front ends only apply them.

// -1 when `a` goes before `b`, 1 when after, 0 when neither: the three-way
// answer every order here is built from.
template <typename T>
int CompareValues(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

enum class SortKey { FullPath, Extension, CreationTime, ModificationTime, Size };

// -1 when `a` goes before `b` under `key`, 1 when after, 0 when equal. Text
// keys compare the shown paths by character codes (case-sensitive, no locale).
int CompareResultRecords(const ResultRecord& a, const ResultRecord& b, SortKey key);

// CP932 text order: a one-byte character has its byte value, a lead byte and
// its trail byte the value lead * 256 + trail; a prefix goes first.
int CompareCp932Text(std::string_view a, std::string_view b);

// The columns of the result list, in their order: the six cells of a row and
// where the drawing matched.
enum class ResultColumn { Name, Type, Folder, Size, Created, Modified, Match };
inline constexpr int kResultColumnCount = 7;

// The sort keys of one row's texts for a column sort, made once per sort by
// the front end (the window's sort names as the desktop's file manager
// does); keys compare as plain strings.
struct ColumnSortKeys {
    std::string name, type, folder, match;
};

// The order a click on a column header gives, ascending: the column's texts
// by their keys, sizes and times by their values. Rows equal in the column
// follow by name, then folder, then full path, so the order is whole.
int CompareForColumn(const ResultRecord& a, const ColumnSortKeys& keysA, const ResultRecord& b,
                     const ColumnSortKeys& keysB, ResultColumn column);

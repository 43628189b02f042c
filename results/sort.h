#pragma once

#include <string_view>

#include "results/result_record.h"

enum class SortKey { FullPath, Extension, CreationTime, ModificationTime, Size };

// -1 when `a` goes before `b` under `key`, 1 when after, 0 when equal. Text
// keys compare the shown paths by character codes (case-sensitive, no locale).
int CompareResultRecords(const ResultRecord& a, const ResultRecord& b, SortKey key);

// CP932 text order: a one-byte character has its byte value, a lead byte and
// its trail byte the value lead * 256 + trail; a prefix goes first.
int CompareCp932Text(std::string_view a, std::string_view b);

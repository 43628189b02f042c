#pragma once

#include <string>
#include <vector>

#include "results/result_record.h"

// The result list as a CSV file for spreadsheet programs: a header row and a
// row per record, in the order given, each row ended by CR LF; a field that
// holds a comma, a double quote, CR or LF is quoted, its quotes doubled (RFC
// 4180). The columns are the list's (ﾌｧｲﾙ名, ﾀｲﾌﾟ, ﾌｫﾙﾀﾞ, ｻｲｽﾞ, 作成日,
// 最終更新日, 一致箇所, as the window shows them) and the full path.
enum class CsvEncoding {
    Utf8WithBom,  // UTF-8 after a byte-order mark, which spreadsheet programs in
                  // Japan need to read it as UTF-8; a path that is not UTF-8
                  // shows decoded
    Cp932,        // Shift_JIS as Windows writes it; a character CP932 lacks becomes
                  // "?", and a path kept in CP932 is written with its own bytes
};

std::string BuildResultCsv(const std::vector<const ResultRecord*>& records, CsvEncoding encoding);

// The header of the full path's column.
inline constexpr const char* kFullPathColumnHeader = "ﾌﾙﾊﾟｽ";

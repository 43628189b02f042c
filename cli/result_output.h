#pragma once

#include <array>
#include <string>
#include <vector>

#include "cli/output_stream.h"
#include "cli/search_options.h"
#include "results/result_json.h"
#include "results/result_record.h"

// Writes result rows in one output format, each row as soon as it is given:
//   table   aligned cells; a column widens when a longer cell arrives (Fit
//           beforehand aligns a known set of rows); the header row only when
//           asked for (on a terminal); control characters and bytes that are
//           no UTF-8 shown as \t, \n, \r and \xNN
//   tsv     the cells, ISO 8601 times and the path; tab, newline, carriage
//           return and backslash escaped as \t \n \r \\, other bytes as found
//   json    one array, an object per row, written as it goes
//   paths   each path and a newline; paths0 each path and a NUL
// Names keep the case of the file's name; `path` is the path as it is shown
// (relative when the place was).
class ResultWriter {
  public:
    ResultWriter(OutputFormat format, bool header, bool showMatch, OutputStream& out);

    // What comes before the rows: the table's header row, the array's "[".
    void Begin();
    // Widens the table's columns for a row that Row will write later.
    void Fit(const ResultRecord& record, const std::string& path);
    void Row(const ResultRecord& record, const std::string& path);
    // What comes after the rows: the array's "]".
    void End();

  private:
    std::vector<std::string> TableCells(const ResultRecord& record, const std::string& path) const;
    void WriteTableLine(const std::vector<std::string>& cells);

    OutputFormat m_format;
    bool m_header;
    bool m_showMatch;
    OutputStream& m_out;
    std::vector<size_t> m_widths;
    size_t m_rows = 0;
};

// The match cell of --show-match: "KIND: text" (text in UTF-8), or empty.
std::string MatchCell(const ResultRecord& record);

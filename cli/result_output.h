#pragma once

#include <cstdio>
#include <vector>

#include "cli/search_options.h"
#include "results/result_record.h"

// Writes the rows to `out` in the chosen format.
void WriteResults(const std::vector<ResultRecord>& rows, OutputFormat format, FILE* out);

// Columns a UTF-8 text takes on a terminal (wide East Asian characters two).
size_t DisplayWidth(const std::string& utf8);

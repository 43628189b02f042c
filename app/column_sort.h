#pragma once

#include "results/result_record.h"
#include "results/sort.h"

// The keys a click on a column header sorts the row's texts by: the cells as
// the window shows them, as the desktop's file manager orders names (the
// user's locale's collation, runs of digits as numbers).
ColumnSortKeys MakeColumnSortKeys(const ResultRecord& record);

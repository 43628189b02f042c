#include "app/column_sort.h"

#include "app/display_text.h"
#include "app/file_name_order.h"

ColumnSortKeys MakeColumnSortKeys(const ResultRecord& record) {
    ResultCells cells = DisplayCells(record);
    return {.name = FileNameSortKey(cells.name),
            .type = FileNameSortKey(cells.type),
            .folder = FileNameSortKey(cells.folder),
            .match = FileNameSortKey(MatchCell(record))};
}

#include "app/column_sort.h"

#include "app/display_text.h"
#include "app/file_name_order.h"

namespace {

template <typename T>
int Compare(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

ColumnSortKeys MakeColumnSortKeys(const ResultRecord& record) {
    ResultCells cells = DisplayCells(record);
    return {FileNameSortKey(cells.name), FileNameSortKey(cells.type), FileNameSortKey(cells.folder),
            FileNameSortKey(MatchCell(record))};
}

int CompareForColumn(const ResultRecord& a, const ColumnSortKeys& keysA, const ResultRecord& b,
                     const ColumnSortKeys& keysB, ResultColumn column) {
    int order = 0;
    switch (column) {
        case ResultColumn::Name:
            break;
        case ResultColumn::Type:
            order = Compare(keysA.type, keysB.type);
            break;
        case ResultColumn::Folder:
            order = Compare(keysA.folder, keysB.folder);
            break;
        case ResultColumn::Size:
            order = Compare(a.size, b.size);
            break;
        case ResultColumn::Created:
            order = Compare(a.creationTime, b.creationTime);
            break;
        case ResultColumn::Modified:
            order = Compare(a.modificationTime, b.modificationTime);
            break;
        case ResultColumn::Match:
            order = Compare(keysA.match, keysB.match);
            break;
    }
    if (order == 0) order = Compare(keysA.name, keysB.name);
    if (order == 0) order = Compare(keysA.folder, keysB.folder);
    if (order == 0) order = Compare(a.fullPath, b.fullPath);
    return order;
}

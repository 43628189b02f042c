#include "results/sort.h"

#include "bytes/cp932.h"

namespace {

// Native path order: UTF-8 compared byte by byte is code-point order, which
// is the character-code order of the text.
int ComparePathText(std::string_view a, std::string_view b) { return CompareValues(a, b); }

}  // namespace

int CompareCp932Text(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        size_t lengthA = Cp932CharLength(a, i), lengthB = Cp932CharLength(b, j);
        unsigned valueA = static_cast<uint8_t>(a[i]), valueB = static_cast<uint8_t>(b[j]);
        if (lengthA == 2) valueA = valueA * 256 + static_cast<uint8_t>(a[i + 1]);
        if (lengthB == 2) valueB = valueB * 256 + static_cast<uint8_t>(b[j + 1]);
        if (valueA != valueB) return valueA < valueB ? -1 : 1;
        i += lengthA;
        j += lengthB;
    }
    return CompareValues(a.size() - i, b.size() - j);
}

int CompareResultRecords(const ResultRecord& a, const ResultRecord& b, SortKey key) {
    switch (key) {
        case SortKey::FullPath:
            return ComparePathText(a.shownPath, b.shownPath);
        case SortKey::Extension:
            return ComparePathText(SplitPath(a.shownPath).type, SplitPath(b.shownPath).type);
        case SortKey::CreationTime:
            return CompareValues(a.creationTime, b.creationTime);
        case SortKey::ModificationTime:
            return CompareValues(a.modificationTime, b.modificationTime);
        case SortKey::Size:
            return CompareValues(a.size, b.size);
    }
    return 0;
}

int CompareForColumn(const ResultRecord& a, const ColumnSortKeys& keysA, const ResultRecord& b,
                     const ColumnSortKeys& keysB, ResultColumn column) {
    int order = 0;
    switch (column) {
        case ResultColumn::Name:
            break;
        case ResultColumn::Type:
            order = CompareValues(keysA.type, keysB.type);
            break;
        case ResultColumn::Folder:
            order = CompareValues(keysA.folder, keysB.folder);
            break;
        case ResultColumn::Size:
            order = CompareValues(a.size, b.size);
            break;
        case ResultColumn::Created:
            order = CompareValues(a.creationTime, b.creationTime);
            break;
        case ResultColumn::Modified:
            order = CompareValues(a.modificationTime, b.modificationTime);
            break;
        case ResultColumn::Match:
            order = CompareValues(keysA.match, keysB.match);
            break;
    }
    if (order == 0) order = CompareValues(keysA.name, keysB.name);
    if (order == 0) order = CompareValues(keysA.folder, keysB.folder);
    if (order == 0) order = CompareValues(a.fullPath, b.fullPath);
    return order;
}

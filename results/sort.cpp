#include "results/sort.h"

#include "bytes/cp932.h"

namespace {

template <typename T>
int CompareValues(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Native path order: UTF-8 compared byte by byte is code-point order, which
// is the character-code order of the text.
int ComparePathText(std::string_view a, std::string_view b) {
    int order = a.compare(b);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

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

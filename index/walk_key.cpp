#include "index/walk_key.h"

namespace {

// Calls `take` with each non-empty component of `path`.
template <typename Take>
void ForEachComponent(std::string_view path, Take take) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) take(path.substr(start, end - start));
        start = end + 1;
    }
}

}  // namespace

std::string WalkKey(std::string_view absolutePath) {
    std::string key;
    ForEachComponent(absolutePath, [&key](std::string_view name) {
        key.append(name);
        key += '\0';
    });
    if (!key.empty()) key.back() = '\1';
    return key;
}

std::string FolderKeyStart(std::string_view absolutePath) {
    std::string key;
    ForEachComponent(absolutePath, [&key](std::string_view name) {
        key.append(name);
        key += '\0';
    });
    return key;
}

std::string FolderKeyEnd(std::string_view absolutePath) {
    std::string key = FolderKeyStart(absolutePath);
    if (!key.empty()) key.back() = '\1';
    return key;
}

#include "serve/roots.h"

#include "bytes/utf8.h"
#include "platform/file_status.h"
#include "platform/folder_listing.h"

namespace {

constexpr size_t kMaxRootName = 64;

bool IsRootName(std::string_view name) {
    if (name.empty() || name.size() > kMaxRootName || !IsValidUtf8(name)) return false;
    for (char ch : name) {
        unsigned char byte = static_cast<unsigned char>(ch);
        if (byte < 0x20 || byte == 0x7F || ch == '/' || ch == '\\' || ch == '=') return false;
    }
    return true;
}

// True when some "/"-separated part of `relative` is "..".
bool ClimbsOut(std::string_view relative) {
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find('/', start);
        if (end == std::string_view::npos) end = relative.size();
        if (relative.substr(start, end - start) == "..") return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

RootArgument ParseRootArgument(const std::string& text) {
    size_t nameEnd = text.find('=');
    if (nameEnd == std::string::npos) return {.error = "--root needs NAME=PATH[=SHARE]: " + text};
    std::string name = text.substr(0, nameEnd);
    if (!IsRootName(name)) {
        return {.error =
                    "a root's name is 1 to 64 characters without \"/\", \"\\\", \"=\" or "
                    "control characters: " +
                    name};
    }
    size_t pathEnd = text.find('=', nameEnd + 1);
    std::string path = text.substr(
        nameEnd + 1, pathEnd == std::string::npos ? std::string::npos : pathEnd - nameEnd - 1);
    std::string share = pathEnd == std::string::npos ? std::string() : text.substr(pathEnd + 1);
    if (path.empty()) return {.error = "--root " + name + " needs a folder"};
    std::optional<std::string> real = RealPath(path);
    ReadResult<FileStatus> status = ReadFileStatus(path);
    if (!real || !status) {
        return {.error = path + ": " + (status ? "cannot be resolved" : status.Error().reason)};
    }
    if (!status->isFolder) return {.error = path + ": not a folder"};
    return {.root = ServedRoot{.name = name, .path = *real, .share = share}};
}

std::optional<std::string> RelativeToRoot(const ServedRoot& root, std::string_view realPath) {
    if (realPath == root.path) return std::string();
    std::string prefix = root.path.ends_with('/') ? root.path : root.path + '/';
    if (!realPath.starts_with(prefix)) return std::nullopt;
    return std::string(realPath.substr(prefix.size()));
}

std::optional<std::string> ResolveUnderRoot(const ServedRoot& root, std::string_view relative,
                                            EntryKind kind) {
    if (relative.size() > kMaxRelativePath || relative.find('\0') != std::string_view::npos ||
        relative.starts_with('/') || ClimbsOut(relative)) {
        return std::nullopt;
    }
    std::string joined = root.path;
    if (!relative.empty()) {
        if (!joined.ends_with('/')) joined += '/';
        joined += relative;
    }
    std::optional<std::string> real = RealPath(joined);
    if (!real || !RelativeToRoot(root, *real)) return std::nullopt;
    ReadResult<FileStatus> status = ReadFileStatus(*real);
    if (!status) return std::nullopt;
    bool fits = kind == EntryKind::Folder ? status->isFolder : status->isRegularFile;
    if (!fits) return std::nullopt;
    return real;
}

const ServedRoot* FindRoot(std::span<const ServedRoot> roots, std::string_view name) {
    for (const ServedRoot& root : roots) {
        if (root.name == name) return &root;
    }
    return nullptr;
}

#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

// A folder tree the search page searches and hands drawings out of, known to
// its users by a name. Nothing outside a root is ever searched, listed or
// sent: every path a request names is resolved on this machine, links
// followed, and must still lie under the root's own real path.
struct ServedRoot {
    std::string name;   // as the page and the API name it: "drawings"
    std::string path;   // the folder's real path (links resolved when the server starts)
    std::string share;  // how users' PCs reach it ("\\server\drawings"); may be empty
};

// A root, or why the text given for it was refused.
struct RootArgument {
    std::optional<ServedRoot> root = {};
    std::string error = {};
};

// Reads "NAME=PATH[=SHARE]" (the value of --root). The name is 1 to 64 bytes
// of UTF-8 without "/", "\", "=" or control characters; PATH must be a
// folder, and is kept as its real path; SHARE is kept as given (it may hold
// "=" itself, everything after the second "=" is the share).
RootArgument ParseRootArgument(const std::string& text);

// The longest relative path a request may name, in bytes.
inline constexpr size_t kMaxRelativePath = 4096;

// What a path under a root must be to resolve.
enum class EntryKind { RegularFile, Folder };

// The real path of `relative` (a path under `root`, "/" between its parts;
// empty for the root itself) when it names an entry of `kind` that lies
// under the root once every link is followed. Nothing for anything else: a
// NUL byte, a path longer than kMaxRelativePath, an absolute path, a ".."
// part, a link that leads out of the root, a missing entry, an entry of the
// other kind. A request answers each of these the same way (404), so nothing
// tells what lies outside the root.
std::optional<std::string> ResolveUnderRoot(const ServedRoot& root, std::string_view relative,
                                            EntryKind kind);

// `realPath` relative to the root, when it is the root's own path or lies
// under it ("" for the root itself); nothing otherwise.
std::optional<std::string> RelativeToRoot(const ServedRoot& root, std::string_view realPath);

// The root of that name among `roots`; nullptr when there is none.
const ServedRoot* FindRoot(std::span<const ServedRoot> roots, std::string_view name);

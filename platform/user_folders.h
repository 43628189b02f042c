#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The folder where programs keep data they can make again
// ($XDG_CACHE_HOME, or ~/.cache when it is not set or not absolute); empty
// when neither can be found or the home folder does not exist.
std::string UserCacheFolder();

// Creates the file at `path`, empty, readable and writable by its owner alone
// (0600), when it does not exist; an existing file is left as it is. Returns
// false when it cannot be created.
bool MakePrivateFile(const std::string& path);

// Creates the file at `path`, empty, for others to read: 0644 less what the
// user's umask takes away (0644 under the usual umask 022), when it does not
// exist; an existing file is left as it is. Returns false when it cannot be
// created.
bool MakeSharedFile(const std::string& path);

// Creates `folder` and the folders above it that are missing, each with the
// mode the user's umask leaves of 0777. A folder that is there already is
// never changed. Returns false when one cannot be made or `folder` is no
// folder.
bool MakeFolders(const std::string& folder);

// How MakePrivateFolder found its folder.
enum class PrivateFolder {
    Made,          // created now, its owner's alone (0700)
    Closed,        // there already, closed to the group and to others
    OpenToOthers,  // there already, with some access for the group or others
};

// Creates `folder` for its owner alone (0700), and the folders above it that
// are missing as MakeFolders does. A folder that is there already is never
// changed (its owner chose its mode): says how it was found. Nothing when it
// cannot be made or is no folder.
std::optional<PrivateFolder> MakePrivateFolder(const std::string& folder);

// The mode bits (0777 and the sticky, set-user and set-group bits) of the
// folder or file at `path`; nothing when its status cannot be read.
std::optional<unsigned> ModeOf(const std::string& path);

// The bytes a user may still write on the file system that holds `path`;
// nothing when it cannot be told.
std::optional<int64_t> FreeBytesAt(const std::string& path);

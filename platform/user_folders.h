#pragma once

#include <string>

// The folder where programs keep data they can make again
// ($XDG_CACHE_HOME, or ~/.cache when it is not set or not absolute); empty
// when neither can be found or the home folder does not exist.
std::string UserCacheFolder();

// Creates the file at `path`, empty, readable and writable by its owner alone
// (0600), when it does not exist. Returns false when it cannot be created.
bool MakePrivateFile(const std::string& path);

// Creates `folder` and the folders above it that are missing; the last one
// is made readable by its owner alone (0700), as is an existing one. Returns
// false when it cannot be made or is not a folder.
bool MakePrivateFolder(const std::string& folder);

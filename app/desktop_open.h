#pragma once

#include <functional>
#include <string>

// Opens a file with the desktop's default program for it (xdg-open on Linux).
// Failures are ignored: the desktop reports them itself, if at all. Tests
// replace the desktop with a hook that records the paths.
void OpenWithDesktop(const std::string& path);

using OpenHook = std::function<void(const std::string& path)>;
void SetOpenHook(OpenHook hook);

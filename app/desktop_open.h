#pragma once

#include <functional>
#include <string>

// Opens a file with the desktop's default program for it (xdg-open on Linux),
// handing over the path's bytes unchanged, whatever their encoding. Returns
// false, after a message, when no opener can be started at all: opening more
// files would fail the same way. What the opener reports when it ends (the
// file is gone, no program opens its type, the program failed) is shown as a
// message then. Tests replace the desktop with a hook that records the paths.
bool OpenWithDesktop(const std::string& path);

using OpenHook = std::function<void(const std::string& path)>;
void SetOpenHook(OpenHook hook);

// The exit status that means the opener itself could not be run.
inline constexpr int kOpenerNotRun = -1;

// The message shown when opening `path` failed with the opener's exit status
// (xdg-open: 1 bad use, 2 no such file, 3 no program for the type, 4 the
// program failed) or kOpenerNotRun.
std::string OpenFailureMessage(const std::string& path, int status);

#pragma once

#include <functional>
#include <string>
#include <vector>

// Opens a file with the desktop's default program for it (xdg-open on Linux),
// handing over the path's bytes unchanged, whatever their encoding. Returns
// false, after a message, when no opener can be started at all: opening more
// files would fail the same way. What the opener reports when it ends (the
// file is gone, no program opens its type, the program failed) is shown as a
// message then. Tests replace the desktop with a hook that records the paths.
bool OpenWithDesktop(const std::string& path);

using OpenHook = std::function<void(const std::string& path)>;
void SetOpenHook(OpenHook hook);

// Shows the files in the desktop's file manager: the files selected in
// their folders where the desktop offers org.freedesktop.FileManager1 on the
// session bus (ShowItems), else each folder once, in the order of the files,
// opened with OpenWithDesktop. With an OpenHook set, the folders go to the
// hook (the bus is not asked).
void ShowInFileManager(const std::vector<std::string>& files);

// The folders of `files`, each once, in the order of the files: a file's
// path up to its last separator ("/" for a file in the root).
std::vector<std::string> FoldersOf(const std::vector<std::string>& files);

// The exit status that means the opener itself could not be run.
inline constexpr int kOpenerNotRun = -1;

// The message shown when opening `path` failed with the opener's exit status
// (xdg-open: 1 bad use, 2 no such file, 3 no program for the type, 4 the
// program failed) or kOpenerNotRun.
std::string OpenFailureMessage(const std::string& path, int status);

#pragma once

#include "platform/read_result.h"

// The error a failed read of a file gives for `error` (an errno value).
// EINVAL stands for a path that is no regular file.
ReadError FileReadError(int error);

// The error a failed listing of a folder gives for `error` (an errno value).
ReadError FolderListError(int error);

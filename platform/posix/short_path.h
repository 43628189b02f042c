#pragma once

#include <fcntl.h>

#include <string>

// A path of any length in a form the system's calls take. Linux refuses a
// path of PATH_MAX (4,096) bytes or more whole ("File name too long"); such a
// path is reached a piece at a time instead: its folders are opened in pieces
// shorter than PATH_MAX, each relative to the folder before, and the rest of
// the path is given relative to the last one (openat, statx and the like).
// A shorter path is given as it is, relative to the current folder, with no
// call and no copy.
class ShortPath {
  public:
    // `path` must outlive the ShortPath: Rest points into it.
    explicit ShortPath(const std::string& path);
    ~ShortPath();  // closes the folder it opened
    ShortPath(const ShortPath&) = delete;
    ShortPath& operator=(const ShortPath&) = delete;

    // 0 when the path could be reached; else the errno value of the folder on
    // the way that could not be opened (ENAMETOOLONG for a single name of
    // PATH_MAX bytes).
    int Error() const { return m_error; }
    // The folder Rest is relative to: AT_FDCWD for a short path.
    int Folder() const { return m_folder; }
    const char* Rest() const { return m_rest; }

  private:
    int m_folder = AT_FDCWD;
    const char* m_rest;
    int m_error = 0;
};

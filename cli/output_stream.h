#pragma once

#include <cstdio>
#include <string_view>

// Writes to one stream and remembers the first failure (a full disk, a
// closed pipe), after which it writes nothing more.
class OutputStream {
  public:
    explicit OutputStream(FILE* file) : m_file(file) {}

    void Write(std::string_view bytes);
    // Hands what is buffered to the system.
    void Flush();

    bool Failed() const { return m_error != 0; }
    // The errno value of the first failure (EPIPE for a closed pipe), or 0.
    int Error() const { return m_error; }

  private:
    FILE* m_file;
    int m_error = 0;
};

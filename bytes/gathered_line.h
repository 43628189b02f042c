#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "bytes/extracted_text.h"

// One line that a reader gathers piece by piece (across blocks), keeping no
// more of it than `out` can still take: Room() + 1 bytes, enough for Add to
// cut it where it would cut the whole line. So a line of gigabytes takes no
// memory beyond the text's limit, and the lines given are those the whole
// line would give.
class GatheredLine {
  public:
    explicit GatheredLine(const ExtractedText& out) : m_out(out) {}

    void Clear() {
        m_bytes.clear();
        m_length = 0;
    }

    // True once nothing more of the line would be kept.
    bool Enough() const { return m_bytes.size() > m_out.Room(); }

    void Append(std::string_view bytes) {
        m_length += bytes.size();
        size_t keep = m_out.Room() + 1;
        if (m_bytes.size() < keep) m_bytes.append(bytes.substr(0, keep - m_bytes.size()));
    }
    void Append(char byte) {
        ++m_length;
        if (!Enough()) m_bytes.push_back(byte);
    }

    // Every byte appended, kept or not.
    uint64_t Length() const { return m_length; }
    bool Empty() const { return m_length == 0; }

    // What is kept: the line, or as much of it as Add can take.
    std::string_view Kept() const { return m_bytes; }

  private:
    const ExtractedText& m_out;
    std::string m_bytes;
    uint64_t m_length = 0;
};

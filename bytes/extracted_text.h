#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bytes/text_kind.h"

// One line of a drawing's text: CP932 bytes (as stored, or converted to CP932
// where the drawing stores another encoding) and the kind of entity it came
// from.
struct TextLine {
    TextKind kind = TextKind::Text;
    std::string_view text;
};

// The lines a reader found in one drawing, in the order the drawing stores
// them. The text is bounded: each line counts its bytes and kLineCost more
// (what keeping the line costs besides its text) against `byteLimit`; once the
// limit is reached, Add refuses more and the reader stops, so a hostile
// drawing (gigabytes of text, or millions of empty lines) cannot take
// unbounded memory.
class ExtractedText {
  public:
    static constexpr size_t kDefaultByteLimit = size_t{8} << 20;
    static constexpr size_t kLineCost = 8;

    explicit ExtractedText(size_t byteLimit = kDefaultByteLimit);

    // Adds one line. A line that does not fit in what is left of the limit is
    // cut at the limit (at a CP932 character boundary) and the text becomes
    // full. Returns false once the text is full: the reader should stop.
    bool Add(TextKind kind, std::string_view text);

    // True once the limit has been reached.
    bool Full() const { return m_full; }

    // How many bytes of the next line Add keeps: a reader that gathers a
    // long line piece by piece needs to keep no more than Room() + 1 bytes of
    // it, since adding those gives what adding the whole line gives.
    size_t Room() const;

    size_t size() const { return m_lines.size(); }
    bool empty() const { return m_lines.empty(); }
    TextLine operator[](size_t index) const;

    // Bytes of text held (without line ends).
    size_t ByteCount() const { return m_bytes.size(); }

    // Every line followed by CR LF: the form the raw output prints.
    std::string Joined() const;

    void Clear();

  private:
    struct Entry {
        uint32_t end;  // one past the line's last byte in m_bytes
        TextKind kind;
    };
    static_assert(sizeof(Entry) <= kLineCost);

    std::string m_bytes;  // the lines back to back
    std::vector<Entry> m_lines;
    size_t m_byteLimit;  // at most UINT32_MAX, so that every end fits an Entry
    size_t m_used = 0;   // bytes and line costs counted against the limit
    bool m_full = false;
};

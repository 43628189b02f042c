#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
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
// them. The text is bounded, so that a hostile drawing (gigabytes of text, or
// millions of empty lines) cannot take unbounded memory:
//   - a line longer than kLineCap is cut there (at a CP932 character
//     boundary), and the reading goes on;
//   - each line counts its bytes and kLineCost more (what keeping the line
//     costs besides its text) against `byteLimit`; once the limit is reached,
//     Add refuses more and the reader stops. A text given a flush (SetFlush)
//     hands the lines it holds to it instead, drops them and goes on, so a
//     reader can walk a drawing of any size in the memory of the limit.
class ExtractedText {
  public:
    static constexpr size_t kDefaultByteLimit = size_t{8} << 20;
    static constexpr size_t kLineCost = 8;
    static constexpr size_t kLineCap = size_t{1} << 20;

    explicit ExtractedText(size_t byteLimit = kDefaultByteLimit);

    // Adds one line. A line that does not fit in what is left of the limit is
    // flushed to (see SetFlush), or cut at the limit (at a CP932 character
    // boundary), and the text becomes full. Returns false once the text is
    // full: the reader should stop.
    bool Add(TextKind kind, std::string_view text);

    // True once the limit has been reached (or the flush said stop).
    bool Full() const { return m_full; }

    // Where the lines go when the next one does not fit: `flush` sees the
    // lines held and returns whether to go on (they are then dropped and the
    // reading goes on) or to stop (the text becomes full). Empty: no flush.
    void SetFlush(std::function<bool(const ExtractedText&)> flush) { m_flush = std::move(flush); }

    // True once lines were flushed and dropped: the text holds only the last
    // of the drawing's lines.
    bool Flushed() const { return m_flushed; }

    // How many bytes of the next line Add keeps: a reader that gathers a
    // long line piece by piece needs to keep no more than Room() + 1 bytes of
    // it, since adding those gives what adding the whole line gives.
    size_t Room() const;

    size_t size() const { return m_lines.size(); }
    bool empty() const { return m_lines.empty(); }
    TextLine operator[](size_t index) const;

    // Bytes of text held (without line ends).
    size_t ByteCount() const { return m_bytes.size(); }

    // What the lines held cost against the limit: their bytes and kLineCost
    // for each; about the memory they take.
    size_t Cost() const { return m_used; }

    // Every line followed by CR LF: the form the raw output prints.
    std::string Joined() const;

    // Drops the lines and starts again (the flush stays).
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
    bool m_flushed = false;
    std::function<bool(const ExtractedText&)> m_flush;
};

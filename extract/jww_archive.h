#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bytes/byte_source.h"
#include "bytes/byte_view.h"

// The serialised stream a JW_CAD for Windows drawing is (an MFC CArchive):
// little-endian numbers, length-prefixed strings, counted object lists and
// class tags, read front to back from a ByteSource in blocks.

// A cursor over the stream. Reads past the end (or past what the source could
// give) return 0 or an empty view and set `Overrun()`, which stays set; the
// walk checks it after each object.
class ArchiveReader {
  public:
    explicit ArchiveReader(ByteSource& source);

    uint64_t Left() const { return m_size - m_position; }
    bool Overrun() const { return m_overrun; }

    uint8_t ReadByte();
    uint16_t ReadWord();
    uint32_t ReadDword();

    // Steps over `count` bytes without reading them.
    void Skip(uint64_t count);

    // The next `count` bytes (at most kMaxSpan), valid until the next call.
    ByteView ReadSpan(size_t count);

    // The largest span one read gives: the cap on every string the walk keeps.
    static constexpr size_t kMaxSpan = size_t{1} << 20;

  private:
    // True once [m_position, m_position + count) is in the window; sets the
    // overrun otherwise.
    bool Ensure(size_t count);

    ByteSource& m_source;
    uint64_t m_size;
    std::vector<uint8_t> m_scratch;
    ByteView m_window;  // the bytes at [m_windowStart, m_windowStart + size)
    uint64_t m_windowStart = 0;
    uint64_t m_position = 0;
    bool m_overrun = false;
};

// An MFC CString as stored.
struct ArchiveString {
    ByteView bytes;        // the characters' bytes: Shift_JIS, or UTF-16LE when `unicode`
    bool unicode = false;  // marked by the 0xFFFE length word
};

// Reads a CString whose bytes are kept. Its length is one byte; 0xFF then a
// 16-bit length; 0xFF 0xFFFF then a 32-bit length. A 0xFF 0xFFFE prefix marks
// UTF-16LE characters, whose count follows in the same forms. False (the
// reader overrun, or the length over kMaxSpan bytes) when the string cannot be
// read.
bool ReadCString(ArchiveReader& reader, ArchiveString& out);

// Steps over a CString of any length that the data holds, reading only its
// length. False when the length runs past the end.
bool SkipCString(ArchiveReader& reader);

// Reads the entry count of a serialised list: 16 bits, or 0xFFFF then 32 bits.
// False when the count cannot be read or cannot fit in what is left (every
// entry takes at least two bytes).
bool ReadListCount(ArchiveReader& reader, uint32_t& count);

// The classes of a drawing's object lists.
enum class JwwClass : uint8_t {
    Sen,     // "CDataSen": line
    Enko,    // "CDataEnko": arc or circle
    Ten,     // "CDataTen": point
    Moji,    // "CDataMoji": text
    Solid,   // "CDataSolid": filled area
    Block,   // "CDataBlock": block insert
    Sunpou,  // "CDataSunpou": dimension
    List,    // "CDataList": block definition with a list of its own
};

// What an object tag introduces.
enum class ObjectTagKind : uint8_t {
    NewObject,  // the fields of a new object of `cls` follow
    Existing,   // a reference to an object read before (or the null object); nothing follows
    Invalid,    // an unknown class, a reference to nothing, a damaged tag: stop
};

struct ObjectTag {
    ObjectTagKind kind = ObjectTagKind::Invalid;
    JwwClass cls = JwwClass::Sen;
};

// The archive's map of what it has read: index 0 is the null reference, and
// every new class and every new object takes the next index, in one sequence
// shared by all lists of the drawing.
class ObjectTable {
  public:
    // Reads one object tag and, for a new object, enters it (and its class,
    // when the tag names one) in the map:
    //   0xFFFF, schema (16), name length (16), name: a new class, then its object;
    //   0x8000 | index: an object of the class at index;
    //   index without 0x8000: the object at index (0: null);
    //   0x7FFF then 32 bits: the same two forms with 0x80000000 as the class bit.
    ObjectTag ReadTag(ArchiveReader& reader);

    // Classes a damaged stream may register before the walk gives up.
    static constexpr size_t kMaxClasses = 64;

  private:
    bool IsClassIndex(uint32_t index, JwwClass& cls) const;
    bool Enter();

    struct ClassEntry {
        uint32_t index;
        JwwClass cls;
    };
    std::vector<ClassEntry> m_classes;  // in index order
    uint32_t m_count = 1;               // indices in use, the null reference included
};

#include "extract/jww_archive.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace {

// What one read from a source asks for when the window runs out.
constexpr size_t kBlockSize = size_t{64} << 10;

// The class names the object lists hold, as the archive spells them.
constexpr std::pair<std::string_view, JwwClass> kClassNames[] = {
    {"CDataSen", JwwClass::Sen},       {"CDataEnko", JwwClass::Enko},
    {"CDataTen", JwwClass::Ten},       {"CDataMoji", JwwClass::Moji},
    {"CDataSolid", JwwClass::Solid},   {"CDataBlock", JwwClass::Block},
    {"CDataSunpou", JwwClass::Sunpou}, {"CDataList", JwwClass::List},
};

bool ClassFromName(ByteView name, JwwClass& cls) {
    std::string_view text(reinterpret_cast<const char*>(name.data), name.size);
    for (const auto& [known, value] : kClassNames) {
        if (text == known) {
            cls = value;
            return true;
        }
    }
    return false;
}

// The length of a CString in characters, as MFC writes it, and whether its
// characters are UTF-16.
uint64_t ReadStringLength(ArchiveReader& reader, bool& unicode) {
    unicode = false;
    uint8_t byteLength = reader.ReadByte();
    if (byteLength < 0xFF) return byteLength;  // xx: up to 254
    uint16_t wordLength = reader.ReadWord();
    if (wordLength == 0xFFFE) {
        // FF FE FF: UTF-16 characters; their count follows in the same forms.
        unicode = true;
        byteLength = reader.ReadByte();
        if (byteLength < 0xFF) return byteLength;
        wordLength = reader.ReadWord();
    }
    if (wordLength < 0xFFFF) return wordLength;  // FF xxxx
    uint32_t dwordLength = reader.ReadDword();   // FF FFFF xxxxxxxx
    if (dwordLength < 0xFFFFFFFF) return dwordLength;
    uint64_t low = reader.ReadDword();  // FF FFFF FFFFFFFF, then 64 bits
    return low | uint64_t{reader.ReadDword()} << 32;
}

// The bytes a CString of `length` characters takes; UINT64_MAX when that is
// more than any file holds.
uint64_t StringBytes(uint64_t length, bool unicode) {
    if (!unicode) return length;
    return length > UINT64_MAX / 2 ? UINT64_MAX : 2 * length;
}

}  // namespace

ArchiveReader::ArchiveReader(ByteSource& source) : m_source(source), m_size(source.Size()) {
    // Bytes already in memory are one window: no read ever copies them.
    ByteView whole = source.InMemory();
    if (whole.data != nullptr && whole.size == m_size) m_window = whole;
}

bool ArchiveReader::Ensure(size_t count) {
    if (m_overrun) return false;
    if (count > Left()) {
        m_overrun = true;
        m_position = m_size;
        return false;
    }
    uint64_t offset = m_position - m_windowStart;
    if (m_position >= m_windowStart && offset <= m_window.size && count <= m_window.size - offset) {
        return true;
    }
    m_window = m_source.Read(m_position, std::max(count, kBlockSize), m_scratch);
    m_windowStart = m_position;
    if (m_window.size < count) {
        // The source gave less than it holds: a read that failed part way.
        m_overrun = true;
        m_position = m_size;
        return false;
    }
    return true;
}

uint8_t ArchiveReader::ReadByte() {
    if (!Ensure(1)) return 0;
    return m_window[static_cast<size_t>(m_position++ - m_windowStart)];
}

uint16_t ArchiveReader::ReadWord() {
    if (!Ensure(2)) return 0;
    uint32_t value = ReadLe16At(m_window, static_cast<size_t>(m_position - m_windowStart));
    m_position += 2;
    return static_cast<uint16_t>(value);
}

uint32_t ArchiveReader::ReadDword() {
    if (!Ensure(4)) return 0;
    uint32_t value = ReadLe32At(m_window, static_cast<size_t>(m_position - m_windowStart));
    m_position += 4;
    return value;
}

void ArchiveReader::Skip(uint64_t count) {
    if (m_overrun) return;
    if (count > Left()) {
        m_overrun = true;
        m_position = m_size;
        return;
    }
    m_position += count;
}

ByteView ArchiveReader::ReadSpan(size_t count) {
    if (count > kMaxSpan || !Ensure(count)) {
        m_overrun = true;
        return {};
    }
    ByteView span{m_window.data + (m_position - m_windowStart), count};
    m_position += count;
    return span;
}

bool ReadCString(ArchiveReader& reader, ArchiveString& out) {
    bool unicode = false;
    uint64_t length = ReadStringLength(reader, unicode);
    uint64_t bytes = StringBytes(length, unicode);
    if (reader.Overrun() || bytes > ArchiveReader::kMaxSpan) return false;
    out.bytes = reader.ReadSpan(static_cast<size_t>(bytes));
    out.unicode = unicode;
    return !reader.Overrun();
}

bool SkipCString(ArchiveReader& reader) {
    bool unicode = false;
    uint64_t length = ReadStringLength(reader, unicode);
    uint64_t bytes = StringBytes(length, unicode);
    reader.Skip(bytes);
    return !reader.Overrun();
}

bool ReadListCount(ArchiveReader& reader, uint32_t& count) {
    uint16_t word = reader.ReadWord();  // xxxx: up to 0xFFFE entries
    uint64_t value = word;
    if (word == 0xFFFF) {
        value = reader.ReadDword();  // FFFF xxxxxxxx
        if (value == 0xFFFFFFFF) {
            // FFFF FFFFFFFF, then 64 bits: more entries than any file holds.
            return false;
        }
    }
    if (reader.Overrun() || value > reader.Left() / 2) return false;
    count = static_cast<uint32_t>(value);
    return true;
}

ObjectTag ObjectTable::ReadTag(ArchiveReader& reader) {
    constexpr uint32_t kClassBit = 0x80000000;
    uint16_t word = reader.ReadWord();
    uint32_t tag = word == 0x7FFF ? reader.ReadDword()  // 7FFF xxxxxxxx: a big index
                                  : (uint32_t{word} & 0x8000) << 16 | (word & 0x7FFFu);
    if (reader.Overrun()) return {};

    JwwClass cls = JwwClass::Sen;
    if ((tag & kClassBit) == 0) {
        // An object read before; 0 is the null object. A class is no object.
        if (tag >= m_count || IsClassIndex(tag, cls)) return {};
        return {ObjectTagKind::Existing, cls};
    }
    if (word == 0xFFFF) {
        // FFFF: a new class, named, then its first object. The schema number is
        // not used: the fields follow the version in the drawing's header.
        reader.ReadWord();
        uint16_t length = reader.ReadWord();
        if (length >= 64) return {};  // longer than any class name MFC reads
        ByteView name = reader.ReadSpan(length);
        if (reader.Overrun() || !ClassFromName(name, cls)) return {};
        if (m_classes.size() >= kMaxClasses) return {};
        m_classes.push_back({m_count, cls});
        if (!Enter()) return {};
    } else {
        // 8000 | index: a new object of the class entered at index.
        uint32_t index = tag & ~kClassBit;
        if (index == 0 || index >= m_count || !IsClassIndex(index, cls)) return {};
    }
    // The object takes its index before its fields are read, so that objects
    // inside it (a block definition's list) come after it.
    if (!Enter()) return {};
    return {ObjectTagKind::NewObject, cls};
}

bool ObjectTable::IsClassIndex(uint32_t index, JwwClass& cls) const {
    auto it = std::lower_bound(m_classes.begin(), m_classes.end(), index,
                               [](const ClassEntry& entry, uint32_t i) { return entry.index < i; });
    if (it == m_classes.end() || it->index != index) return false;
    cls = it->cls;
    return true;
}

bool ObjectTable::Enter() {
    // MFC's map holds at most 0x3FFFFFFE entries.
    if (m_count >= 0x3FFFFFFE) return false;
    ++m_count;
    return true;
}

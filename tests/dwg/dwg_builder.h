#pragma once

// Builders for DWG test inputs: bit strings, bit streams written field by
// field, R12 entity records and whole R12 files, and sources that serve reads
// piece by piece. Objects and R13-or-later drawings: object_builder.h.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bytes/byte_source.h"
#include "bytes/byte_view.h"
#include "bytes/extracted_text.h"

namespace dwg_testing {

// Bytes from a string of '0' and '1' (anything else ignored), first bit the
// 0x80 bit of the first byte; the last byte is padded with zero bits.
inline std::string Bits(std::string_view text) {
    std::string bytes;
    int count = 0;
    for (char ch : text) {
        if (ch != '0' && ch != '1') continue;
        if (count % 8 == 0) bytes += '\0';
        if (ch == '1') bytes.back() = static_cast<char>(bytes.back() | (0x80 >> (count % 8)));
        ++count;
    }
    return bytes;
}

inline ByteView View(const std::string& bytes) { return AsBytes(bytes); }

// Writes DWG bit-stream fields, each in the form a writer picks for its value
// unless a method says otherwise.
class BitWriter {
  public:
    void Raw(uint64_t value, int n) {
        for (int k = n - 1; k >= 0; --k) Bit((value >> k) & 1);
    }
    void Bit(bool one) {
        if (m_bits % 8 == 0) m_bytes += '\0';
        if (one) m_bytes.back() = static_cast<char>(m_bytes.back() | (0x80 >> (m_bits % 8)));
        ++m_bits;
    }
    void Byte(uint8_t value) { Raw(value, 8); }
    void Bytes(std::string_view bytes) {
        if (m_bits % 8 == 0) {
            m_bytes += bytes;
            m_bits += 8 * bytes.size();
            return;
        }
        for (char ch : bytes) Byte(static_cast<uint8_t>(ch));
    }
    // BS: 10 for 0, 11 for 256, 01 and a byte below 256, else 00 and 16 bits.
    void BitShort(uint32_t value) {
        if (value == 0) {
            Raw(2, 2);
        } else if (value == 256) {
            Raw(3, 2);
        } else if (value < 256) {
            Raw(1, 2);
            Byte(static_cast<uint8_t>(value));
        } else {
            BitShort16(value);
        }
    }
    void BitShort16(uint32_t value) {  // always code 00: 16 bits, low byte first
        Raw(0, 2);
        Byte(value & 0xFF);
        Byte((value >> 8) & 0xFF);
    }
    void BitLong(uint32_t value) {
        if (value == 0) {
            Raw(2, 2);
        } else if (value < 256) {
            Raw(1, 2);
            Byte(static_cast<uint8_t>(value));
        } else {
            Raw(0, 2);
            RawLong(value);
        }
    }
    void RawShort(uint32_t value) {
        Byte(value & 0xFF);
        Byte((value >> 8) & 0xFF);
    }
    void RawLong(uint32_t value) {
        for (int k = 0; k < 4; ++k) Byte((value >> (8 * k)) & 0xFF);
    }
    // Overwrites the RL at bit `at` (written before as a placeholder).
    void PatchRawLong(size_t at, uint32_t value) {
        for (int k = 0; k < 32; ++k) {
            size_t bit = at + static_cast<size_t>(k);
            bool one = (value >> (8 * (k / 8) + (7 - k % 8))) & 1;
            char mask = static_cast<char>(0x80 >> (bit % 8));
            m_bytes[bit / 8] =
                static_cast<char>(one ? (m_bytes[bit / 8] | mask) : (m_bytes[bit / 8] & ~mask));
        }
    }
    // BLL: 3 bits of byte count, then the bytes, least significant first.
    void BitLongLong(uint64_t value) {
        int count = 0;
        while (count < 7 && (value >> (8 * count)) != 0) ++count;
        Raw(static_cast<uint64_t>(count), 3);
        for (int k = 0; k < count; ++k) Byte((value >> (8 * k)) & 0xFF);
    }
    // BOT: 00 and a byte below 256; 01 and a byte for 0x1F0 to 0x2EF; else 10 and RS.
    void ObjectType(uint32_t value) {
        if (value < 256) {
            Raw(0, 2);
            Byte(static_cast<uint8_t>(value));
        } else if (value >= 0x1F0 && value < 0x2F0) {
            Raw(1, 2);
            Byte(static_cast<uint8_t>(value - 0x1F0));
        } else {
            Raw(2, 2);
            RawShort(value);
        }
    }
    // Appends the first `bitCount` bits of `other`.
    void Append(const BitWriter& other) {
        for (size_t k = 0; k < other.m_bits; ++k) {
            Bit((static_cast<uint8_t>(other.m_bytes[k / 8]) >> (7 - k % 8)) & 1);
        }
    }
    void RawDouble(double value) {
        uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        for (int k = 0; k < 8; ++k) Byte((bits >> (8 * k)) & 0xFF);
    }
    void BitDouble(double value) {
        if (value == 0.0) {
            Raw(2, 2);
        } else if (value == 1.0) {
            Raw(1, 2);
        } else {
            Raw(0, 2);
            RawDouble(value);
        }
    }
    void Handle(uint8_t code, std::string_view valueBytes) {
        Raw(code, 4);
        Raw(valueBytes.size(), 4);
        Bytes(valueBytes);
    }
    void Text(std::string_view text) {
        BitShort(static_cast<uint32_t>(text.size()));
        Bytes(text);
    }
    size_t bits() const { return m_bits; }
    const std::string& bytes() const { return m_bytes; }

  private:
    std::string m_bytes;
    size_t m_bits = 0;
};

// R12: an entity record (type, flags, length, layer, options, then `body`,
// then a 2-byte CRC), with `length` counting all of it.
inline std::string R12Record(uint8_t type, uint8_t flags, std::string_view body) {
    std::string record;
    record += static_cast<char>(type);
    record += static_cast<char>(flags);
    size_t length = 8 + body.size() + 2;
    record += static_cast<char>(length & 0xFF);
    record += static_cast<char>(length >> 8);
    record += std::string("\x01\x00\x00\x00", 4);  // layer index, per-type options
    record += body;
    record += "\xEE\xEF";
    return record;
}

// The TEXT data after the optional fields: insertion point, height, value.
inline std::string R12TextData(std::string_view text) {
    std::string data(24, '\x40');
    data += static_cast<char>(text.size() & 0xFF);
    data += static_cast<char>(text.size() >> 8);
    data += text;
    data += std::string(8, '\0');  // rotation and later fields
    return data;
}

// A TEXT record with flags 0x20: a handle of `handleBytes` bytes.
inline std::string R12HandleText(std::string_view text, std::string_view handle = "\x1F\x02") {
    std::string body;
    body += static_cast<char>(handle.size());
    body += handle;
    return R12Record(7, 0x20, body + R12TextData(text));
}

// A whole R12 file: header, entity section from 0x40, four bytes, the end
// marker, then a tail.
inline std::string R12File(std::string_view entities, std::string version = "AC1009") {
    std::string file = version;
    file.resize(0x40, '\0');
    uint32_t start = 0x40;
    for (int k = 0; k < 4; ++k) file[0x14 + k] = static_cast<char>((start >> (8 * k)) & 0xFF);
    file += entities;
    file += std::string(4, '\0');
    file += "\x3B\x91\x97\xAB\x07\x91";
    file += std::string(20, '\x11');
    return file;
}

// The same with a block section after the tail: its start at 0x1C, its size
// at 0x20 with the flag bit 0x40000000 set as writers set it.
inline std::string R12FileWithBlocks(std::string_view entities, std::string_view blocks) {
    std::string file = R12File(entities);
    uint32_t start = static_cast<uint32_t>(file.size());
    uint32_t size = static_cast<uint32_t>(blocks.size()) | 0x40000000;
    for (int k = 0; k < 4; ++k) {
        file[0x1C + k] = static_cast<char>((start >> (8 * k)) & 0xFF);
        file[0x20 + k] = static_cast<char>((size >> (8 * k)) & 0xFF);
    }
    file += blocks;
    file += std::string(30, '\x22');
    return file;
}

// R12 ATTRIB (16) and ATTDEF (15) records, flags 0x20 (a handle): the
// insertion point and height, then the values, each RS length and bytes.
inline std::string R12Values(std::initializer_list<std::string_view> values) {
    std::string data(24, '\x40');
    for (std::string_view value : values) {
        data += static_cast<char>(value.size() & 0xFF);
        data += static_cast<char>(value.size() >> 8);
        data += value;
    }
    return data + std::string(4, '\0');
}
inline std::string R12Attrib(std::string_view value, std::string_view tag) {
    return R12Record(16, 0x20, "\x01\x05" + R12Values({value, tag}));
}
inline std::string R12Attdef(std::string_view value, std::string_view prompt,
                             std::string_view tag) {
    return R12Record(15, 0x20, "\x01\x06" + R12Values({value, prompt, tag}));
}

// A source that is not in memory: every read copies into the scratch buffer
// (an exact-size copy, so a read past it trips the sanitizer), as a file
// source does. Records the largest read and the bytes read in all.
class PieceSource final : public ByteSource {
  public:
    explicit PieceSource(std::string_view bytes) : m_bytes(bytes) {}
    uint64_t Size() const override { return m_bytes.size(); }
    ByteView Read(uint64_t offset, size_t count, std::vector<uint8_t>& scratch) override {
        if (offset >= m_bytes.size()) {
            scratch.clear();
            return {scratch.data(), 0};
        }
        count = std::min<size_t>(count, m_bytes.size() - static_cast<size_t>(offset));
        scratch.assign(m_bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                       m_bytes.begin() + static_cast<std::ptrdiff_t>(offset + count));
        largestRead = std::max(largestRead, count);
        bytesRead += count;
        return {scratch.data(), scratch.size()};
    }
    size_t largestRead = 0;
    uint64_t bytesRead = 0;

  private:
    std::string m_bytes;
};

// The lines a reader of byte sources gives for `bytes`, read once in memory
// (an exact-size copy) and once piece by piece; the two must agree.
template <typename Reader>
ExtractedText ReadBothWays(Reader read, std::string_view bytes) {
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    MemorySource memory(ByteView{copy.data(), copy.size()});
    ExtractedText inMemory;
    read(memory, inMemory);
    PieceSource pieces(bytes);
    ExtractedText inPieces;
    read(pieces, inPieces);
    EXPECT_EQ(inMemory.Joined(), inPieces.Joined());
    return inMemory;
}

// The kinds of the lines, one letter each, for compact expectations:
// T TEXT, M MTEXT, A ATTRIB, V ATTDEF value, G ATTDEF tag, P ATTDEF prompt,
// D DIMENSION, L MULTILEADER, ? any other.
inline std::string Kinds(const ExtractedText& text) {
    std::string kinds;
    for (size_t k = 0; k < text.size(); ++k) {
        switch (text[k].kind) {
            case TextKind::Text:
                kinds += 'T';
                break;
            case TextKind::MText:
                kinds += 'M';
                break;
            case TextKind::Attrib:
                kinds += 'A';
                break;
            case TextKind::AttdefValue:
                kinds += 'V';
                break;
            case TextKind::AttdefTag:
                kinds += 'G';
                break;
            case TextKind::AttdefPrompt:
                kinds += 'P';
                break;
            case TextKind::Dimension:
                kinds += 'D';
                break;
            case TextKind::MultiLeader:
                kinds += 'L';
                break;
            default:
                kinds += '?';
                break;
        }
    }
    return kinds;
}

}  // namespace dwg_testing

#include "extract/dxf_binary.h"

#include <algorithm>
#include <cstring>

namespace {

// How a binary DXF stores the value of a group, by the code's range.
enum class ValueType : uint8_t {
    String,  // bytes up to a zero byte
    Fixed1,  // boolean
    Fixed2,  // 16-bit integer
    Fixed4,  // 32-bit integer
    Fixed8,  // double, 64-bit integer
    Chunk,   // binary data: a length byte, then that many bytes
};

ValueType TypeOfGroup(int code) {
    auto in = [code](int low, int high) { return code >= low && code <= high; };
    if (in(10, 59) || in(110, 149) || in(160, 169) || in(210, 239) || in(460, 469) ||
        in(1010, 1059)) {
        return ValueType::Fixed8;
    }
    if (in(60, 79) || in(170, 179) || in(270, 289) || in(370, 389) || in(400, 409) ||
        in(1060, 1070)) {
        return ValueType::Fixed2;
    }
    if (in(90, 99) || in(420, 429) || in(440, 459) || code == 1071) return ValueType::Fixed4;
    if (in(290, 299)) return ValueType::Fixed1;
    if (in(310, 319) || code == 1004) return ValueType::Chunk;
    return ValueType::String;
}

// The bytes of the data, block after block.
class ByteReader {
  public:
    explicit ByteReader(DxfBlocks& blocks) : m_blocks(blocks) { Load(); }

    // Copies the next `count` bytes to `out`; false when the data ends first.
    bool Fixed(size_t count, uint8_t* out) {
        for (size_t got = 0; got < count;) {
            if (m_pos == m_block.size && !Load()) return false;
            size_t take = std::min(count - got, m_block.size - m_pos);
            std::memcpy(out + got, m_block.data + m_pos, take);
            m_pos += take;
            got += take;
        }
        return true;
    }

    // Passes over `count` bytes; false when the data ends first.
    bool Skip(size_t count) {
        while (count > 0) {
            if (m_pos == m_block.size && !Load()) return false;
            size_t take = std::min(count, m_block.size - m_pos);
            m_pos += take;
            count -= take;
        }
        return true;
    }

    // The bytes up to the next zero byte, which is passed over, keeping at
    // most `keep` of them; a string that the end of the data cuts counts.
    // False when no byte is left.
    bool String(size_t keep, DxfPiece& out) {
        if (m_pos == m_block.size && !Load()) return false;
        const uint8_t* start = m_block.data + m_pos;
        if (const void* zero = std::memchr(start, 0, m_block.size - m_pos)) {
            size_t length = static_cast<const uint8_t*>(zero) - start;
            m_pos += length + 1;
            out = {std::string_view(reinterpret_cast<const char*>(start), std::min(length, keep)),
                   length};
            return true;
        }
        m_carry.Start(keep);
        m_carry.Append(start, m_block.size - m_pos);
        m_pos = m_block.size;
        while (Load()) {
            const void* zero = std::memchr(m_block.data, 0, m_block.size);
            if (zero != nullptr) {
                m_pos = static_cast<const uint8_t*>(zero) - m_block.data;
                m_carry.Append(m_block.data, m_pos);
                ++m_pos;
                break;
            }
            m_carry.Append(m_block.data, m_block.size);
            m_pos = m_block.size;
        }
        out = m_carry.Piece();
        return true;
    }

  private:
    bool Load() {
        m_block = m_blocks.Next();
        m_pos = 0;
        return m_block.size != 0;
    }

    DxfBlocks& m_blocks;
    ByteView m_block;
    size_t m_pos = 0;
    DxfCarry m_carry;
};

}  // namespace

void ReadDxfBinaryPairs(DxfBlocks& blocks, bool twoByteCodes, DxfEntityText& text) {
    ByteReader bytes(blocks);
    uint8_t raw[2];
    for (;;) {
        int code;
        if (twoByteCodes) {
            // R13 on: 2 bytes, little-endian.
            if (!bytes.Fixed(2, raw)) break;
            code = raw[0] | raw[1] << 8;
        } else {
            // R12: 1 byte; 255 announces a 2-byte code (extended data).
            if (!bytes.Fixed(1, raw)) break;
            code = raw[0];
            if (code == 255) {
                if (!bytes.Fixed(2, raw)) break;
                code = raw[0] | raw[1] << 8;
            }
        }
        bool more = true;
        switch (TypeOfGroup(code)) {
            case ValueType::String: {
                bool wanted = text.Wants(code);
                DxfPiece value;
                more = bytes.String(wanted ? kDxfValueCap : 0, value) &&
                       (!wanted || text.Take(code, value.bytes));
                break;
            }
            case ValueType::Fixed1:
                more = bytes.Skip(1);
                break;
            case ValueType::Fixed2:
                more = bytes.Skip(2);
                break;
            case ValueType::Fixed4:
                more = bytes.Skip(4);
                break;
            case ValueType::Fixed8:
                more = bytes.Skip(8);
                break;
            case ValueType::Chunk:
                more = bytes.Fixed(1, raw) && bytes.Skip(raw[0]);
                break;
        }
        if (!more) break;
    }
    text.Finish();
}

#pragma once

// Builders for DWG test inputs: bit strings, object bit streams written field
// by field, R12 entity records, and whole R12 and R13-R2000 files.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bytes/byte_view.h"
#include "dwg/dwg_version.h"

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
    void RawLong(uint32_t value) {
        for (int k = 0; k < 4; ++k) Byte((value >> (8 * k)) & 0xFF);
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

// How a test entity is written; the defaults are those of a plain entity.
struct EntityOptions {
    uint32_t type = 1;                  // 1 TEXT, 44 MTEXT, anything else
    std::vector<std::string> eed;       // extended data blocks
    std::string image;                  // graphic image bytes, when any
    uint32_t plotStyleFlags = 0;        // R2000 BB
    uint32_t invisibility = 0;          // BS
    bool invisibilityAsCode00 = false;  // write the invisibility with code 00
    uint32_t attachment = 1;            // MTEXT BS
    bool attachmentAsCode00 = false;    // write the attachment with code 00
    uint32_t reactors = 0;              // BL
    // TEXT fields; NaN-free values; a value equal to its default is left out
    // in R2000 through the data flags.
    double elevation = 0.0;
    bool hasAlignment = false;
    double alignmentX = 0.0, alignmentY = 0.0;
    double extrusionZ = 1.0;  // (0, 0, extrusionZ)
    double thickness = 0.0;
    double oblique = 0.0, rotation = 0.0, widthFactor = 1.0;
    std::string trailer = std::string(4, '\x55');  // bytes after the text value
};

// The fields every entity starts with, as the version writes them.
inline void WriteCommonEntityData(BitWriter& w, DwgVersion version, const EntityOptions& o) {
    w.BitShort(o.type);
    if (version == DwgVersion::R2000) w.RawLong(0x1234);  // size in bits, before the handle
    w.Handle(0, "\x2A");
    for (const std::string& block : o.eed) {
        w.BitShort(static_cast<uint32_t>(block.size()));
        w.Handle(5, "\x12");
        w.Bytes(block);
    }
    w.BitShort(0);
    w.Bit(!o.image.empty());
    if (!o.image.empty()) {
        w.RawLong(static_cast<uint32_t>(o.image.size()));
        w.Bytes(o.image);
    }
    if (version == DwgVersion::R13) w.RawLong(0x1234);  // size in bits, after the image
    w.Raw(0, 2);                                        // entity mode
    w.BitLong(o.reactors);
    if (version == DwgVersion::R13) w.Bit(true);  // line type by layer
    w.Bit(true);                                  // no links
    w.BitShort(7);                                // colour
    w.BitDouble(1.0);                             // line type scale
    if (version == DwgVersion::R2000) {
        w.Raw(0, 2);                 // line type flags
        w.Raw(o.plotStyleFlags, 2);  // plot style flags
    }
    if (o.invisibilityAsCode00) {
        w.BitShort16(o.invisibility);
    } else {
        w.BitShort(o.invisibility);
    }
    if (version == DwgVersion::R2000) w.Byte(0x1D);  // lineweight
}

// The bit stream of a TEXT or MTEXT (or other typed) entity holding `text`.
inline std::string EntityObject(DwgVersion version, std::string_view text,
                                const EntityOptions& o = {}) {
    BitWriter w;
    WriteCommonEntityData(w, version, o);
    if (o.type == 44) {
        for (double v : {10.0, 20.0, 0.0}) w.BitDouble(v);  // insertion point
        for (double v : {0.0, 0.0, o.extrusionZ}) w.BitDouble(v);
        for (double v : {1.0, 0.0, 0.0}) w.BitDouble(v);  // X-axis direction
        w.BitDouble(100.0);                               // rectangle width
        w.BitDouble(2.5);                                 // text height
        if (o.attachmentAsCode00) {
            w.BitShort16(o.attachment);
        } else {
            w.BitShort(o.attachment);
        }
        w.BitShort(1);      // drawing direction
        w.BitDouble(12.5);  // extents height
        w.BitDouble(80.0);  // extents width
    } else if (version == DwgVersion::R13) {
        w.BitDouble(o.elevation);
        w.RawDouble(10.0);
        w.RawDouble(20.0);
        w.RawDouble(o.alignmentX);
        w.RawDouble(o.alignmentY);
        for (double v : {0.0, 0.0, o.extrusionZ}) w.BitDouble(v);
        w.BitDouble(o.thickness);
        w.BitDouble(o.oblique);
        w.BitDouble(o.rotation);
        w.BitDouble(2.5);  // height
        w.BitDouble(o.widthFactor);
    } else {
        uint8_t flags = 0;
        if (o.elevation == 0.0) flags |= 0x01;
        if (!o.hasAlignment) flags |= 0x02;
        if (o.oblique == 0.0) flags |= 0x04;
        if (o.rotation == 0.0) flags |= 0x08;
        if (o.widthFactor == 1.0) flags |= 0x10;
        w.Byte(flags);
        if (!(flags & 0x01)) w.RawDouble(o.elevation);
        w.RawDouble(10.0);
        w.RawDouble(20.0);
        if (!(flags & 0x02)) {
            // Alignment point as DD over the insertion point: 10 (48 bits) for X,
            // 01 (32 bits) for Y.
            uint64_t x, y;
            std::memcpy(&x, &o.alignmentX, 8);
            std::memcpy(&y, &o.alignmentY, 8);
            w.Raw(2, 2);
            w.Byte((x >> 32) & 0xFF);
            w.Byte((x >> 40) & 0xFF);
            for (int k = 0; k < 4; ++k) w.Byte((x >> (8 * k)) & 0xFF);
            w.Raw(1, 2);
            for (int k = 0; k < 4; ++k) w.Byte((y >> (8 * k)) & 0xFF);
        }
        bool defaultExtrusion = o.extrusionZ == 1.0;
        w.Bit(defaultExtrusion);
        if (!defaultExtrusion) {
            for (double v : {0.0, 0.0, o.extrusionZ}) w.BitDouble(v);
        }
        w.Bit(o.thickness == 0.0);
        if (o.thickness != 0.0) w.BitDouble(o.thickness);
        if (!(flags & 0x04)) w.RawDouble(o.oblique);
        if (!(flags & 0x08)) w.RawDouble(o.rotation);
        w.RawDouble(2.5);  // height
        if (!(flags & 0x10)) w.RawDouble(o.widthFactor);
    }
    if (o.type == 1 || o.type == 44) {
        w.Text(text);
        w.Bytes(o.trailer);
    }
    return w.bytes();
}

// A whole R13-R2000 file: header with section locators, the objects one after
// another (each a modular-short size, its bytes and a 2-byte CRC), then the
// object map. Objects are listed in the map in `mapOrder` (default: as added).
class DwgFileBuilder {
  public:
    explicit DwgFileBuilder(std::string version = "AC1014") : m_version(std::move(version)) {}

    // Adds an object; returns its index.
    size_t AddObject(std::string bytes) {
        m_objects.push_back(std::move(bytes));
        return m_objects.size() - 1;
    }
    void SetMapOrder(std::vector<size_t> order) { m_mapOrder = std::move(order); }
    void SetPairsPerSection(size_t pairs) { m_pairsPerSection = pairs; }

    // Laid-out file; `locations` receives each object's file offset.
    std::string Build(std::vector<size_t>* locations = nullptr) const {
        const size_t locatorCount = 3;
        std::string file = m_version;
        file.resize(21, '\0');
        AppendLe32(file, locatorCount);
        size_t locatorsAt = file.size();
        file.resize(locatorsAt + 9 * locatorCount, '\0');
        std::vector<size_t> at;
        for (const std::string& object : m_objects) {
            at.push_back(file.size());
            AppendModularShort(file, object.size());
            file += object;
            file += "\xC0\xC1";  // CRC, not checked
        }
        size_t mapAt = file.size();
        std::vector<size_t> order = m_mapOrder;
        if (order.empty()) {
            for (size_t k = 0; k < m_objects.size(); ++k) order.push_back(k);
        }
        for (size_t first = 0; first < order.size(); first += m_pairsPerSection) {
            std::string pairs;
            int64_t previous = 0;
            for (size_t k = first; k < order.size() && k < first + m_pairsPerSection; ++k) {
                AppendModularChar(pairs, 1, false);
                int64_t location = static_cast<int64_t>(at[order[k]]);
                AppendModularChar(pairs, location - previous, true);
                previous = location;
            }
            AppendSection(file, pairs);
        }
        if (order.empty()) AppendSection(file, "");
        AppendSection(file, "");  // closing section: size 2 and CRC
        // Locator records 0, 2 (the object map) and 1.
        const uint8_t numbers[] = {0, 2, 1};
        for (size_t k = 0; k < locatorCount; ++k) {
            size_t record = locatorsAt + 9 * k;
            file[record] = static_cast<char>(numbers[k]);
            uint32_t seeker = numbers[k] == 2 ? static_cast<uint32_t>(mapAt) : 0;
            for (int b = 0; b < 4; ++b) file[record + 1 + b] = static_cast<char>(seeker >> (8 * b));
        }
        file += std::string(16, '\0');  // what follows the map in a real file
        if (locations) *locations = at;
        return file;
    }

    static void AppendLe32(std::string& out, uint32_t value) {
        for (int k = 0; k < 4; ++k) out += static_cast<char>((value >> (8 * k)) & 0xFF);
    }
    static void AppendModularShort(std::string& out, size_t value) {
        if (value < 0x8000) {
            out += static_cast<char>(value & 0xFF);
            out += static_cast<char>(value >> 8);
        } else {
            out += static_cast<char>(value & 0xFF);
            out += static_cast<char>(((value >> 8) & 0x7F) | 0x80);
            out += static_cast<char>((value >> 15) & 0xFF);
            out += static_cast<char>((value >> 23) & 0x7F);
        }
    }
    static void AppendModularChar(std::string& out, int64_t value, bool isSigned) {
        bool negative = isSigned && value < 0;
        uint64_t magnitude =
            negative ? static_cast<uint64_t>(-value) : static_cast<uint64_t>(value);
        while (true) {
            // A signed number's last byte keeps its 0x40 bit for the sign.
            uint64_t room = isSigned ? 0x40 : 0x80;
            if (magnitude < room) {
                uint8_t last = static_cast<uint8_t>(magnitude);
                if (negative) last |= 0x40;
                out += static_cast<char>(last);
                return;
            }
            out += static_cast<char>((magnitude & 0x7F) | 0x80);
            magnitude >>= 7;
        }
    }
    // A map section: big-endian size counting its two bytes, the pairs, CRC.
    static void AppendSection(std::string& out, std::string_view pairs) {
        size_t size = pairs.size() + 2;
        out += static_cast<char>(size >> 8);
        out += static_cast<char>(size & 0xFF);
        out += pairs;
        out += "\xCC\xCD";
    }

  private:
    std::string m_version;
    std::vector<std::string> m_objects;
    std::vector<size_t> m_mapOrder;
    size_t m_pairsPerSection = 100;
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

}  // namespace dwg_testing

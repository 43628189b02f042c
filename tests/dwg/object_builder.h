#pragma once

// Builders for R13-or-later DWG test inputs: one object written field by
// field in the layout of its version (data stream, string stream, handle
// stream), the entities the reader knows, the classes section, whole R13 to
// R2000 files and the sections of later versions.

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dwg/container_text.h"
#include "dwg/dwg.h"
#include "dwg/dwg_version.h"
#include "dwg/file_header.h"
#include "dwg/paged_section.h"
#include "tests/dwg/dwg_builder.h"

namespace dwg_testing {

// UTF-16LE bytes of UTF-8 text (test text is well formed).
inline std::string Utf16(std::string_view utf8) {
    std::string out;
    for (size_t k = 0; k < utf8.size();) {
        uint8_t lead = static_cast<uint8_t>(utf8[k]);
        int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        uint32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int j = 1; j <= extra; ++j)
            cp = (cp << 6) | (static_cast<uint8_t>(utf8[k + j]) & 0x3F);
        k += static_cast<size_t>(extra) + 1;
        auto unit = [&out](uint32_t u) {
            out += static_cast<char>(u & 0xFF);
            out += static_cast<char>(u >> 8);
        };
        if (cp >= 0x10000) {
            unit(0xD800 + ((cp - 0x10000) >> 10));
            unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return out;
}

// An object's bytes and the size of its handle stream (2010 and later write
// that size before the object).
struct TestObject {
    std::string bytes;
    uint64_t handleStreamBits = 0;
};

// Writes one object: Start writes the type (and R2000 to 2007's size in bits,
// filled in by Finish); data() takes the fields in order; Text writes a T
// field, in the data stream before 2007 (TV, bytes as given) and in the
// string stream from 2007 (TU, the UTF-8 text given as UTF-16).
class ObjectWriter {
  public:
    explicit ObjectWriter(DwgVersion version) : m_version(version) {}

    DwgVersion version() const { return m_version; }
    BitWriter& data() { return m_data; }

    void Start(uint32_t type) {
        if (m_version >= DwgVersion::R2010) {
            m_data.ObjectType(type);
        } else {
            m_data.BitShort(type);
        }
        if (m_version >= DwgVersion::R2000 && m_version <= DwgVersion::R2007) {
            m_sizeAt = m_data.bits();
            m_data.RawLong(0x1234);  // size in bits, filled in by Finish for 2007
        }
    }

    void Text(std::string_view text) {
        if (m_version < DwgVersion::R2007) {
            m_data.Text(text);
            return;
        }
        std::string units = Utf16(text);
        m_strings.BitShort(static_cast<uint32_t>(units.size() / 2));
        m_strings.Bytes(units);
        m_hasStrings = true;
    }

    // From 2007: appends the string stream, its size (one or two RS) and
    // its flag to `out`.
    void CloseData(BitWriter& out) const {
        if (m_hasStrings) {
            out.Append(m_strings);
            uint32_t size = static_cast<uint32_t>(m_strings.bits());
            if (size >= 0x8000) {
                out.RawShort(size >> 15);
                out.RawShort((size & 0x7FFF) | 0x8000);
            } else {
                out.RawShort(size);
            }
        }
        out.Bit(m_hasStrings);
    }

    // The laid-out object: from 2007 the string stream, its size and its
    // flag close the data; `handleBytes` of handle stream follow.
    TestObject Finish(size_t handleBytes = 2) const {
        BitWriter object = m_data;
        if (m_version >= DwgVersion::R2007) CloseData(object);
        size_t dataBits = object.bits();
        if (m_version == DwgVersion::R2007) {
            object.PatchRawLong(m_sizeAt, static_cast<uint32_t>(dataBits));
        }
        while (object.bits() % 8 != 0) object.Bit(false);
        for (size_t k = 0; k < handleBytes; ++k) object.Byte(0x40);
        TestObject result{object.bytes(), 0};
        if (m_version >= DwgVersion::R2010) {
            result.handleStreamBits = 8 * result.bytes.size() - dataBits;
        }
        return result;
    }

  private:
    DwgVersion m_version;
    BitWriter m_data;
    BitWriter m_strings;
    bool m_hasStrings = false;
    size_t m_sizeAt = 0;
};

inline constexpr uint32_t kTestMultiLeaderType = 507;

// How a test entity is written; the defaults are those of a plain entity.
struct EntityOptions {
    uint32_t type = 1;                  // 1 TEXT, 2 ATTRIB, 3 ATTDEF, 44 MTEXT, 20-26 DIMENSION,
                                        // 500 and more: MULTILEADER (a class), anything else
    std::vector<std::string> eed;       // extended data blocks
    std::string image;                  // graphic image bytes, when any
    uint32_t colour = 7;                // BS; 2004 and later ENC with flags in the high byte
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
    bool hasTextAlignments = false;  // R2000: generation and alignments present
    // ATTRIB and ATTDEF.
    std::string tag = "TAG";
    std::string prompt = "prompt";
    uint32_t attributeType = 1;  // 2018: 2 and 4 embed an MTEXT
    std::string embeddedText;    // that MTEXT's text
    // MULTILEADER: leader roots, each with lines of this many points.
    std::vector<std::vector<uint32_t>> leaders = {{2}};
    bool leaderBreaks = false;                     // a break in every root and line
    bool namedLineColour = false;                  // 2010: each line's colour with a name (a T)
    bool hasMultiLeaderText = true;                // text content rather than a block
    std::string trailer = std::string(4, '\x55');  // bytes after the last text field
};

// The fields every entity starts with, as the version writes them.
inline void WriteCommonEntityData(ObjectWriter& object, const EntityOptions& o) {
    BitWriter& w = object.data();
    DwgVersion version = object.version();
    w.Handle(0, "\x2A");
    for (const std::string& block : o.eed) {
        w.BitShort(static_cast<uint32_t>(block.size()));
        w.Handle(5, "\x12");
        w.Bytes(block);
    }
    w.BitShort(0);
    w.Bit(!o.image.empty());
    if (!o.image.empty()) {
        if (version >= DwgVersion::R2010) {
            w.BitLongLong(o.image.size());
        } else {
            w.RawLong(static_cast<uint32_t>(o.image.size()));
        }
        w.Bytes(o.image);
    }
    if (version == DwgVersion::R13) w.RawLong(0x1234);  // size in bits, after the image
    w.Raw(0, 2);                                        // entity mode
    w.BitLong(o.reactors);
    if (version >= DwgVersion::R2004) w.Bit(true);   // no extension dictionary
    if (version == DwgVersion::R13) w.Bit(true);     // line type by layer
    if (version <= DwgVersion::R2000) w.Bit(true);   // no links
    if (version >= DwgVersion::R2013) w.Bit(false);  // no data-store data
    w.BitShort(o.colour);
    if (version >= DwgVersion::R2004) {
        if ((o.colour & 0x8000) && !(o.colour & 0x4000)) w.BitLong(0xC2FF8000);  // RGB
        if (o.colour & 0x2000) w.BitLong(0x02000080);                            // transparency
    }
    w.BitDouble(1.0);  // line type scale
    if (version >= DwgVersion::R2000) {
        w.Raw(0, 2);                 // line type flags
        w.Raw(o.plotStyleFlags, 2);  // plot style flags
    }
    if (version >= DwgVersion::R2007) {
        w.Raw(0, 2);  // material flags
        w.Byte(0);    // shadow flags
    }
    if (version >= DwgVersion::R2010) w.Raw(0, 3);  // visual styles
    if (o.invisibilityAsCode00) {
        w.BitShort16(o.invisibility);
    } else {
        w.BitShort(o.invisibility);
    }
    if (version >= DwgVersion::R2000) w.Byte(0x1D);  // lineweight
}

// TEXT, ATTRIB and ATTDEF: the fields up to the value, the value, and (with
// `throughAlignment`) the alignments after it.
inline void WriteTextFields(ObjectWriter& object, std::string_view text, const EntityOptions& o,
                            bool throughAlignment) {
    BitWriter& w = object.data();
    if (object.version() == DwgVersion::R13) {
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
        object.Text(text);
        if (throughAlignment) {
            for (uint32_t v : {0u, 1u, 3u}) w.BitShort(v);
        }
        return;
    }
    uint8_t flags = o.hasTextAlignments ? 0 : 0xE0;
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
    object.Text(text);
    if (throughAlignment && o.hasTextAlignments) {
        w.BitShort(0);    // generation
        w.BitShort(300);  // horizontal alignment, written with code 00
        w.BitShort16(2);  // vertical alignment
    }
}

// The attribute fields after the text fields: version, type (and embedded
// MTEXT), tag, field length, flags, lock; ATTDEF adds a version and the prompt.
inline void WriteAttributeFields(ObjectWriter& object, const EntityOptions& o, bool definition) {
    BitWriter& w = object.data();
    DwgVersion version = object.version();
    if (version >= DwgVersion::R2010) w.Byte(0);  // version
    if (version >= DwgVersion::R2018) {
        w.Byte(static_cast<uint8_t>(o.attributeType));
        // The embedded MTEXT's data fields are not read; its text is a string.
        if (o.attributeType == 2 || o.attributeType == 4) object.Text(o.embeddedText);
    }
    object.Text(o.tag);
    w.BitShort(0);                                   // field length
    w.Byte(0x08);                                    // flags
    if (version >= DwgVersion::R2007) w.Bit(false);  // lock position
    if (definition) {
        if (version >= DwgVersion::R2010) w.Byte(0);  // version
        object.Text(o.prompt);
    }
}

inline void WriteLeaderLine(BitWriter& w, ObjectWriter& object, uint32_t points,
                            const EntityOptions& o) {
    w.BitLong(points);
    for (uint32_t k = 0; k < points; ++k) {
        for (double v : {1.5, 2.5, 0.0}) w.BitDouble(v);
    }
    w.BitLong(o.leaderBreaks ? 1 : 0);  // break info count
    if (o.leaderBreaks) {
        w.BitLong(0);  // segment index
        w.BitLong(1);  // one start/end pair
        for (double v : {1.0, 2.0, 0.0, 3.0, 4.0, 0.0}) w.BitDouble(v);
    }
    w.BitLong(0);  // leader line index
    if (object.version() >= DwgVersion::R2010) {
        w.BitShort(1);  // straight leader
        w.BitShort(256);
        w.BitLong(0xC2000000);
        w.Byte(o.namedLineColour ? 1 : 0);
        if (o.namedLineColour) object.Text("colour name");
        w.BitLong(25);      // line weight
        w.BitDouble(0.18);  // arrow size
        w.BitLong(0);       // override flags
    }
}

inline void WriteMultiLeaderFields(ObjectWriter& object, std::string_view text,
                                   const EntityOptions& o) {
    BitWriter& w = object.data();
    if (object.version() >= DwgVersion::R2010) w.BitShort(2);  // class version
    w.BitLong(static_cast<uint32_t>(o.leaders.size()));
    for (const std::vector<uint32_t>& lines : o.leaders) {
        w.Bit(true);
        w.Bit(true);
        for (double v : {5.0, 6.0, 0.0, 1.0, 0.0, 0.0}) w.BitDouble(v);  // point, direction
        w.BitLong(o.leaderBreaks ? 1 : 0);
        if (o.leaderBreaks) {
            for (double v : {1.0, 2.0, 0.0, 3.0, 4.0, 0.0}) w.BitDouble(v);
        }
        w.BitLong(0);       // leader index
        w.BitDouble(0.36);  // landing distance
        w.BitLong(static_cast<uint32_t>(lines.size()));
        for (uint32_t points : lines) WriteLeaderLine(w, object, points, o);
        if (object.version() >= DwgVersion::R2010) w.BitShort(0);  // attachment direction
    }
    w.BitDouble(1.0);                                   // overall scale
    for (double v : {5.0, 6.0, 0.0}) w.BitDouble(v);    // content base point
    w.BitDouble(0.18);                                  // text height
    w.BitDouble(0.18);                                  // arrow head size
    w.BitDouble(0.09);                                  // landing gap
    for (uint32_t v : {1u, 1u, 1u, 0u}) w.BitShort(v);  // attachments, angle, alignment
    w.Bit(o.hasMultiLeaderText);
    if (o.hasMultiLeaderText) object.Text(text);
}

// The object of an entity of type o.type holding `text`.
inline TestObject EntityObject(DwgVersion version, std::string_view text,
                               const EntityOptions& o = {}) {
    ObjectWriter object(version);
    object.Start(o.type);
    BitWriter& w = object.data();
    WriteCommonEntityData(object, o);
    bool known = true;
    if (o.type == 44) {
        for (double v : {10.0, 20.0, 0.0}) w.BitDouble(v);  // insertion point
        for (double v : {0.0, 0.0, o.extrusionZ}) w.BitDouble(v);
        for (double v : {1.0, 0.0, 0.0}) w.BitDouble(v);      // X-axis direction
        w.BitDouble(100.0);                                   // rectangle width
        if (version >= DwgVersion::R2007) w.BitDouble(30.0);  // rectangle height
        w.BitDouble(2.5);                                     // text height
        if (o.attachmentAsCode00) {
            w.BitShort16(o.attachment);
        } else {
            w.BitShort(o.attachment);
        }
        w.BitShort(1);      // drawing direction
        w.BitDouble(12.5);  // extents height
        w.BitDouble(80.0);  // extents width
        object.Text(text);
    } else if (o.type == 1) {
        WriteTextFields(object, text, o, false);
    } else if (o.type == 2 || o.type == 3) {
        WriteTextFields(object, text, o, true);
        WriteAttributeFields(object, o, o.type == 3);
    } else if (o.type >= 20 && o.type <= 26) {
        if (version >= DwgVersion::R2010) w.Byte(0);      // version
        for (double v : {0.0, 0.0, 1.0}) w.BitDouble(v);  // extrusion
        w.RawDouble(40.0);                                // text midpoint
        w.RawDouble(50.0);
        w.BitDouble(0.0);  // elevation
        w.Byte(0x02);      // flags
        object.Text(text);
        w.BitDouble(0.0);        // text rotation
    } else if (o.type >= 500) {  // class numbers: a MULTILEADER
        WriteMultiLeaderFields(object, text, o);
    } else {
        known = false;
    }
    if (known) w.Bytes(o.trailer);
    return object.Finish();
}

// A classes section listing `classes` (number, DXF name) as the version
// writes it: the sentinel, the size, (2010/2018: an RL), (2007: the size in
// bits), the highest number (2004 on), the records, a CRC and the end sentinel.
inline std::string ClassesSection(DwgVersion version,
                                  const std::vector<std::pair<uint32_t, std::string>>& classes,
                                  bool highSize = false) {
    ObjectWriter object(version);
    BitWriter& w = object.data();
    if (version >= DwgVersion::R2004) {
        uint32_t highest = 499;
        for (const auto& entry : classes) highest = std::max(highest, entry.first);
        w.BitShort16(highest);
        w.Byte(0);
        w.Byte(0);
        w.Bit(true);
    }
    for (const auto& [number, name] : classes) {
        w.BitShort(number);
        w.BitShort(0x481);
        object.Text("ObjectDBX Classes");
        object.Text("AcDb" + name);
        object.Text(name);
        w.Bit(false);
        w.BitShort(0x1F2);
        if (version >= DwgVersion::R2004) {
            for (uint32_t v : {3u, 0x1Fu, 0u, 0u, 0u}) w.BitLong(v);
        }
    }
    std::string section("\x8D\xA1\xC4\xB8\xC4\xA9\xF8\xC5\xC0\xDC\xF4\x5F\xE7\xCF\xB6\x8A", 16);
    std::string body = w.bytes();
    if (version >= DwgVersion::R2007) {
        // The size in bits, counted from its own first bit up to the string
        // stream's flag, then the data and the string stream.
        BitWriter stream;
        stream.RawLong(0);
        stream.Append(w);
        object.CloseData(stream);
        stream.PatchRawLong(0, static_cast<uint32_t>(stream.bits()));
        body = stream.bytes();
    }
    uint32_t size = static_cast<uint32_t>(body.size());
    for (int k = 0; k < 4; ++k) section += static_cast<char>((size >> (8 * k)) & 0xFF);
    if (highSize) section += std::string(4, '\0');
    section += body;
    section += "\xC0\xC1";
    section += std::string("\x72\x5E\x3B\x47\x3B\x56\x07\x3A\x3F\x23\x0B\xA0\x18\x30\x49\x75", 16);
    return section;
}

// The objects of a drawing, each laid out as the version stores it (its
// modular-short size, 2010 and later the handle stream's size as a modular
// char, its bytes and a 2-byte CRC), and the object map over them. R13 to
// R2000: Build gives a whole file (header, section locators, objects, the
// classes, the map); 2004 and later: ObjectsSection and HandlesSection give
// the two sections, the map's offsets counted in the first.
class DwgFileBuilder {
  public:
    explicit DwgFileBuilder(std::string version = "AC1014")
        : m_version(std::move(version)),
          m_objectVersion(ObjectVersionOf(m_version).value_or(DwgVersion::R13)) {}

    // Adds an object; returns its index.
    size_t AddObject(TestObject object) {
        m_objects.push_back(std::move(object));
        return m_objects.size() - 1;
    }
    size_t AddObject(std::string bytes) { return AddObject(TestObject{std::move(bytes), 0}); }
    void SetMapOrder(std::vector<size_t> order) { m_mapOrder = std::move(order); }
    void SetPairsPerSection(size_t pairs) { m_pairsPerSection = pairs; }
    void SetCodePage(uint16_t number) { m_codePage = number; }
    void SetClasses(std::string section) { m_classes = std::move(section); }

    // The objects laid out one after another from `base`; `locations`
    // receives each object's offset.
    std::string Objects(size_t base, std::vector<size_t>& locations) const {
        std::string out;
        for (const TestObject& object : m_objects) {
            locations.push_back(base + out.size());
            AppendModularShort(out, object.bytes.size());
            if (m_objectVersion >= DwgVersion::R2010) {
                AppendModularChar(out, static_cast<int64_t>(object.handleStreamBits), false);
            }
            out += object.bytes;
            out += "\xC0\xC1";  // CRC, not checked
        }
        return out;
    }

    // The map over objects at `locations`.
    std::string Map(const std::vector<size_t>& locations) const {
        std::string out;
        std::vector<size_t> order = m_mapOrder;
        if (order.empty()) {
            for (size_t k = 0; k < m_objects.size(); ++k) order.push_back(k);
        }
        for (size_t first = 0; first < order.size(); first += m_pairsPerSection) {
            std::string pairs;
            int64_t previous = 0;
            for (size_t k = first; k < order.size() && k < first + m_pairsPerSection; ++k) {
                AppendModularChar(pairs, 1, false);
                int64_t location = static_cast<int64_t>(locations[order[k]]);
                AppendModularChar(pairs, location - previous, true);
                previous = location;
            }
            AppendSection(out, pairs);
        }
        if (order.empty()) AppendSection(out, "");
        AppendSection(out, "");  // closing section: size 2 and CRC
        return out;
    }

    // Laid-out file (R13 to R2000); `locations` receives each object's offset.
    std::string Build(std::vector<size_t>* locations = nullptr) const {
        const size_t locatorCount = 3;
        std::string file = m_version;
        file.resize(21, '\0');
        file[0x13] = static_cast<char>(m_codePage & 0xFF);
        file[0x14] = static_cast<char>(m_codePage >> 8);
        AppendLe32(file, locatorCount);
        size_t locatorsAt = file.size();
        file.resize(locatorsAt + 9 * locatorCount, '\0');
        std::vector<size_t> at;
        file += Objects(file.size(), at);
        size_t classesAt = m_classes.empty() ? 0 : file.size();
        file += m_classes;
        size_t mapAt = file.size();
        file += Map(at);
        // Locator records 0, 2 (the object map) and 1 (the classes).
        const uint8_t numbers[] = {0, 2, 1};
        for (size_t k = 0; k < locatorCount; ++k) {
            size_t record = locatorsAt + 9 * k;
            file[record] = static_cast<char>(numbers[k]);
            size_t seeker = numbers[k] == 2 ? mapAt : numbers[k] == 1 ? classesAt : 0;
            for (int b = 0; b < 4; ++b) file[record + 1 + b] = static_cast<char>(seeker >> (8 * b));
        }
        file += std::string(16, '\0');  // what follows the map in a real file
        if (locations) *locations = at;
        return file;
    }

    // 2004 and later: "AcDb:AcDbObjects" (a few bytes before the first object,
    // as real sections have) and "AcDb:Handles".
    std::string ObjectsSection(std::vector<size_t>* locations = nullptr) const {
        std::vector<size_t> at;
        std::string section = std::string(4, '\0') + Objects(4, at);
        if (locations) *locations = at;
        return section;
    }
    std::string HandlesSection() const {
        std::vector<size_t> at;
        Objects(4, at);
        return Map(at);
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
    DwgVersion m_objectVersion;
    std::vector<TestObject> m_objects;
    std::vector<size_t> m_mapOrder;
    size_t m_pairsPerSection = 100;
    uint16_t m_codePage = 0;
    std::string m_classes;
};

// The version string of a generation.
inline std::string VersionString(DwgVersion version) {
    switch (version) {
        case DwgVersion::R13:
            return "AC1014";
        case DwgVersion::R2000:
            return "AC1015";
        case DwgVersion::R2004:
            return "AC1018";
        case DwgVersion::R2007:
            return "AC1021";
        case DwgVersion::R2010:
            return "AC1024";
        case DwgVersion::R2013:
            return "AC1027";
        default:
            return "AC1032";
    }
}

// Section data held in memory (an exact-size copy).
class OwnedMemorySource final : public ByteSource {
  public:
    explicit OwnedMemorySource(std::string_view bytes) : m_bytes(bytes.begin(), bytes.end()) {}
    uint64_t Size() const override { return m_bytes.size(); }
    ByteView Read(uint64_t offset, size_t count, std::vector<uint8_t>& scratch) override {
        return MemorySource(InMemory()).Read(offset, count, scratch);
    }
    ByteView InMemory() const override { return {m_bytes.data(), m_bytes.size()}; }

  private:
    std::vector<uint8_t> m_bytes;
};

// A container of named sections, given in memory or piece by piece.
class SectionContainer final : public DwgContainer {
  public:
    std::map<std::string, std::string, std::less<>> sections;
    bool inPieces = false;

    std::unique_ptr<ByteSource> OpenSection(std::string_view name) override {
        auto it = sections.find(name);
        if (it == sections.end()) return nullptr;
        if (inPieces) return std::make_unique<PieceSource>(it->second);
        return std::make_unique<OwnedMemorySource>(it->second);
    }
};

// What a test drawing holds besides its objects.
struct DrawingOptions {
    std::string classes;    // the classes section, when any
    uint16_t codePage = 0;  // the header's code-page number
    uint8_t appMaintenance = 8;
};

// The lines of a drawing of `version` holding `objects` (listed in the map
// as added), read in memory and piece by piece (the two must agree): R13 to
// R2000 as a whole file through ExtractDwgText, later versions as the
// sections of a container through ReadContainerText.
inline ExtractedText ReadDrawing(DwgVersion version, const std::vector<TestObject>& objects,
                                 const DrawingOptions& options = {}) {
    DwgFileBuilder builder(VersionString(version));
    for (const TestObject& object : objects) builder.AddObject(object);
    builder.SetCodePage(options.codePage);
    builder.SetClasses(options.classes);
    if (version <= DwgVersion::R2000) return ReadBothWays(ExtractDwgText, builder.Build());
    SectionContainer container;
    container.sections["AcDb:Handles"] = builder.HandlesSection();
    container.sections["AcDb:AcDbObjects"] = builder.ObjectsSection();
    if (!options.classes.empty()) container.sections["AcDb:Classes"] = options.classes;
    DwgFileHeader header;
    header.codePageNumber = options.codePage;
    header.appMaintenance = options.appMaintenance;
    ExtractedText inMemory;
    ReadContainerText(container, version, header, inMemory);
    container.inPieces = true;
    ExtractedText inPieces;
    ReadContainerText(container, version, header, inPieces);
    EXPECT_EQ(inMemory.Joined(), inPieces.Joined());
    EXPECT_EQ(Kinds(inMemory), Kinds(inPieces));
    return inMemory;
}

}  // namespace dwg_testing

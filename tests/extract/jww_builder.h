#pragma once

// Writes JW_CAD for Windows drawings for the tests, field by field as JW_CAD
// stores them. Numbers the reader steps over are filled with 0xA5 bytes, so a
// reader that steps over one byte too few or too many meets a tag of nonsense
// and stops, and the text after it goes missing.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace jww_testing {

// A CString in the shortest length form: one byte; 0xFF and 16 bits; 0xFF
// 0xFFFF and 32 bits.
inline std::string Str(std::string_view text) {
    std::string out;
    size_t n = text.size();
    if (n < 0xFF) {
        out += static_cast<char>(n);
    } else if (n < 0xFFFF) {
        out += '\xFF';
        out += static_cast<char>(n & 0xFF);
        out += static_cast<char>(n >> 8);
    } else {
        out += "\xFF\xFF\xFF";
        for (int k = 0; k < 4; ++k) out += static_cast<char>(n >> (8 * k));
    }
    return out + std::string(text);
}

// A CString of `units` UTF-16 code units (little-endian, written in the
// string), marked as MFC marks them: FF FE FF, then the count's forms.
inline std::string WideStr(std::u16string_view units) {
    std::string bytes;
    for (char16_t unit : units) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    std::string count = Str(std::string(units.size(), ' '));
    return "\xFF\xFE\xFF" + count.substr(0, count.size() - units.size()) + bytes;
}

class JwwBuilder {
  public:
    explicit JwwBuilder(uint32_t version = 600) : m_version(version) {}

    uint32_t version() const { return m_version; }
    const std::string& bytes() const { return m_bytes; }
    size_t size() const { return m_bytes.size(); }

    JwwBuilder& Raw(std::string_view raw) {
        m_bytes += raw;
        return *this;
    }
    JwwBuilder& Byte(uint8_t v) { return Raw(std::string(1, static_cast<char>(v))); }
    JwwBuilder& Word(uint16_t v) { return Byte(v & 0xFF).Byte(v >> 8); }
    JwwBuilder& Dword(uint32_t v) { return Word(v & 0xFFFF).Word(v >> 16); }
    JwwBuilder& Filler(size_t n) { return Raw(std::string(n, '\xA5')); }

    // "JwwData.", the version, the memo (a stored CString), then the settings,
    // every layer and layer group named `layerName` (a stored CString), and
    // the SXF colour and line type names `sxfName`.
    JwwBuilder& Header(const std::string& memo = Str(""), const std::string& layerName = Str(""),
                       const std::string& sxfName = Str("")) {
        Raw("JwwData.").Dword(m_version).Raw(memo);
        Filler(4 + 4);                            // paper, group written to
        Filler(16 * (4 + 4 + 8 + 4 + 16 * 8));    // 16 groups of 16 layers
        Filler(14 * 4 + 5 * 4 + 4 + 4);           // dummies, dimension settings, widest line
        Filler(8 + 8 + 8 + 4 + 4 + 8 + 16 + 16);  // printer and grid
        for (int n = 0; n < 16 * 16 + 16; ++n) Raw(layerName);
        Filler(8 + 8 + 4 + 8 + 8 + 8);     // shadow studies and sky map
        Filler(4 + 24 + 24);               // 2.5D unit, view, stored range
        Filler(8 * (24 + 4));              // mark jumps
        Filler(24 + 4 + 16 + 8 + 4);       // dummies and text background
        Filler(80 + 8);                    // parallel lines
        Filler(10 * 8 + 10 * 16);          // screen and printer pens
        Filler(8 * 16 + 5 * 20 + 4 * 16);  // line types
        Filler(11 * 4);                    // flags
        Filler(20 + 40 + 32 + 8);          // time, 2.5D eye, last values, solid colour
        if (m_version >= 420) {
            Filler(257 * 8);
            for (int n = 0; n < 257; ++n) Raw(sxfName).Filler(4 + 4 + 8);
            Filler(33 * 16);
            for (int n = 0; n < 33; ++n) Raw(sxfName).Filler(4 + 80);
        }
        Filler(10 * 28);               // text kinds
        Filler(24 + 8 + 16 + 4 + 48);  // text being written, arranging, shifts
        return *this;
    }

    // A list's entry count: 16 bits, or 0xFFFF and 32 bits.
    JwwBuilder& Count(uint32_t n) { return n < 0xFFFF ? Word(n) : Word(0xFFFF).Dword(n); }

    // The tag of a new object of `className`: the class named the first time,
    // then referred to by its index (in the big form from 0x7FFF on, or
    // always when `big`).
    JwwBuilder& Tag(const std::string& className, bool big = false) {
        auto known = m_classes.find(className);
        if (known == m_classes.end()) {
            Word(0xFFFF).Word(static_cast<uint16_t>(m_version));
            Word(static_cast<uint16_t>(className.size())).Raw(className);
            m_classes[className] = m_next++;
        } else if (known->second < 0x7FFF && !big) {
            Word(static_cast<uint16_t>(0x8000 | known->second));
        } else {
            Word(0x7FFF).Dword(0x80000000 | known->second);
        }
        m_lastObject = m_next++;
        return *this;
    }

    // The index the next class or object takes, and the last object's.
    uint32_t NextIndex() const { return m_next; }
    uint32_t LastObject() const { return m_lastObject; }
    uint32_t ClassIndex(const std::string& className) const { return m_classes.at(className); }

    // The fields every object starts with.
    JwwBuilder& Common(uint8_t penStyle = 1, uint16_t penColor = 1) {
        Filler(4).Byte(penStyle).Word(penColor);
        if (m_version >= 351) Filler(2);
        return Filler(6);
    }

    JwwBuilder& SenFields() { return Common().Filler(32); }
    JwwBuilder& TenFields(uint8_t penStyle) {
        Common(penStyle).Filler(16 + 4);
        return penStyle == 100 ? Filler(4 + 16) : *this;
    }
    JwwBuilder& MojiFields(const std::string& text, const std::string& font) {
        return Common().Filler(32 + 4 + 32).Raw(font).Raw(text);
    }

    JwwBuilder& Sen() { return Tag("CDataSen").SenFields(); }
    JwwBuilder& Enko() { return Tag("CDataEnko").Common().Filler(56 + 4); }
    JwwBuilder& Ten(uint8_t penStyle = 1) { return Tag("CDataTen").TenFields(penStyle); }
    JwwBuilder& Solid(uint16_t penColor = 1) {
        Tag("CDataSolid").Common(1, penColor).Filler(64);
        return penColor == 10 ? Filler(4) : *this;
    }
    JwwBuilder& Block() { return Tag("CDataBlock").Common().Filler(40 + 4); }
    // A text object; `text` and `font` are stored CStrings.
    JwwBuilder& Moji(const std::string& text, const std::string& font = Str("\x82\x6c\x82\x72")) {
        return Tag("CDataMoji").MojiFields(text, font);
    }
    // A dimension: its line, its text, and from 420 on the SXF mode, two
    // lines and four points (the last one with a symbol: pen style 100).
    JwwBuilder& Sunpou(const std::string& text) {
        Tag("CDataSunpou").Common().SenFields().MojiFields(text, Str("font"));
        if (m_version >= 420) {
            Filler(2).SenFields().SenFields().TenFields(1).TenFields(1).TenFields(1).TenFields(100);
        }
        return *this;
    }
    // A block definition up to its list: its fields, its name (a stored
    // CString), then the count of `entries` objects that must follow.
    JwwBuilder& List(const std::string& name, uint32_t entries) {
        return Tag("CDataList").Common().Filler(4 + 4 + 4).Raw(name).Count(entries);
    }

  private:
    uint32_t m_version;
    std::string m_bytes;
    std::map<std::string, uint32_t> m_classes;
    uint32_t m_next = 1;
    uint32_t m_lastObject = 0;
};

}  // namespace jww_testing

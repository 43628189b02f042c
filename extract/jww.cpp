#include "extract/jww.h"

#include <string>
#include <string_view>

#include "bytes/code_pages.h"
#include "bytes/cp932.h"
#include "extract/jww_archive.h"
#include "extract/jww_layout.h"

namespace {

constexpr std::string_view kSignature = "JwwData.";
// A text object whose string starts so places an image: "^@BM" then the
// image's file and its size.
constexpr std::string_view kImageMarker = "^@BM";
// What JW_CAD appends to the name of a block that comes from its symbol
// library, with the symbol's flags after it.
constexpr std::string_view kSymbolMarker = "@@SfigorgFlag@@";
// Block definitions inside block definitions: deeper ones stop the walk.
constexpr int kMaxListDepth = 8;

std::string_view AsText(ByteView bytes) {
    return {reinterpret_cast<const char*>(bytes.data), bytes.size};
}

// The name a block definition is listed under: its stored name up to the
// symbol marker, found at a character boundary.
std::string_view BlockName(std::string_view name) {
    for (size_t at = 0; at < name.size(); at += Cp932CharLength(name, at)) {
        if (name.compare(at, kSymbolMarker.size(), kSymbolMarker) == 0) return name.substr(0, at);
    }
    return name;
}

// Walks object lists and adds the text they hold.
class JwwWalk {
  public:
    JwwWalk(ArchiveReader& reader, uint32_t version, ExtractedText& out)
        : m_reader(reader), m_version(version), m_out(out) {}

    // Reads a counted list of objects. False to stop: damage, or the text is full.
    bool ReadList(int depth) {
        uint32_t count = 0;
        if (!ReadListCount(m_reader, count)) return false;
        for (uint32_t n = 0; n < count; ++n) {
            if (!ReadObject(depth)) return false;
        }
        return true;
    }

    // Adds the pieces of a string between its line breaks, each that is not
    // empty as a line. False once the text is full.
    bool AddLines(TextKind kind, std::string_view text) {
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find_first_of("\r\n", start);
            if (end == std::string_view::npos) end = text.size();
            if (end > start && !m_out.Add(kind, text.substr(start, end - start))) return false;
            start = end + 1;
        }
        return true;
    }

    // The CP932 form of a stored string, valid until the next call.
    std::string_view Cp932Of(const ArchiveString& text) {
        if (!text.unicode) return AsText(text.bytes);
        m_converted = Utf16LeToCp932(text.bytes);
        return m_converted;
    }

  private:
    bool ReadObject(int depth) {
        ObjectTag tag = m_table.ReadTag(m_reader);
        if (tag.kind == ObjectTagKind::Invalid) return false;
        if (tag.kind == ObjectTagKind::Existing) return true;  // its text was given with it
        switch (tag.cls) {
            case JwwClass::Moji:
                return ReadText(TextKind::JwText);
            case JwwClass::Sunpou:
                // The dimension's own fields, its line, its text, then the extras.
                SkipCommonFields(m_reader, m_version);
                SkipGeometry(m_reader, JwwClass::Sen, m_version);
                if (!ReadText(TextKind::JwDimension)) return false;
                SkipDimensionTail(m_reader, m_version);
                return !m_reader.Overrun();
            case JwwClass::List:
                return ReadBlockDefinition(depth);
            default:
                SkipGeometry(m_reader, tag.cls, m_version);
                return !m_reader.Overrun();
        }
    }

    // A text object: its placement, font name (not text), then its string.
    bool ReadText(TextKind kind) {
        SkipMojiPlacement(m_reader, m_version);
        ArchiveString text;
        if (!SkipCString(m_reader) || !ReadCString(m_reader, text)) return false;
        std::string_view cp932 = Cp932Of(text);
        if (cp932.substr(0, kImageMarker.size()) == kImageMarker) return true;
        return AddLines(kind, cp932);
    }

    // A block definition: its fields, its name, then its own list of objects.
    bool ReadBlockDefinition(int depth) {
        if (depth >= kMaxListDepth) return false;
        SkipBlockDefinitionHead(m_reader, m_version);
        ArchiveString name;
        if (!ReadCString(m_reader, name)) return false;
        if (!AddLines(TextKind::JwBlock, BlockName(Cp932Of(name)))) return false;
        return ReadList(depth + 1);
    }

    ArchiveReader& m_reader;
    uint32_t m_version;
    ExtractedText& m_out;
    ObjectTable m_table;
    std::string m_converted;
};

}  // namespace

void ExtractJwwText(ByteSource& file, ExtractedText& out) {
    ArchiveReader reader(file);
    ByteView signature = reader.ReadSpan(kSignature.size());
    if (reader.Overrun() || AsText(signature) != kSignature) return;
    uint32_t version = reader.ReadDword();
    if (reader.Overrun() || version < kFirstJwwVersion || version > kLastJwwVersion) return;

    JwwWalk walk(reader, version, out);
    ArchiveString memo;
    if (!ReadCString(reader, memo) || !walk.AddLines(TextKind::JwMemo, walk.Cp932Of(memo))) return;
    SkipJwwSettings(reader, version);
    if (reader.Overrun()) return;

    // The drawing's objects, then its block definitions. The images that
    // version 700 embeds come after them and hold no text.
    if (!walk.ReadList(0)) return;
    walk.ReadList(0);
}

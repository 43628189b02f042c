#include "dwg/preview.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr size_t kPreviewAddressAt = 0x0D;  // RL: file offset of the preview block
constexpr std::array<uint8_t, 16> kStartSentinel = {0x1F, 0x25, 0x6D, 0x07, 0xD4, 0x36, 0x28, 0x28,
                                                    0x9D, 0x57, 0xCA, 0x3F, 0x9D, 0x44, 0x10, 0x2B};
constexpr size_t kEntryBytes = 9;  // RC code, RL offset, RL size

// Codes of the preview block's entries.
constexpr uint8_t kHeaderData = 1;
constexpr uint8_t kBitmap = 2;
constexpr uint8_t kMetafile = 3;
constexpr uint8_t kPng = 6;

constexpr std::array<uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

bool IsPreviewVersion(std::string_view version) {
    for (std::string_view known :
         {"AC1012", "AC1014", "AC1015", "AC1018", "AC1021", "AC1024", "AC1027", "AC1032"}) {
        if (version == known) return true;
    }
    return false;
}

struct PreviewEntry {
    uint8_t code = 0;
    uint32_t offset = 0;
    uint32_t size = 0;
};

// The picture an entry points at, when its size is within the limit and the
// file holds it whole.
DrawingPreview ReadPicture(ByteSource& file, const PreviewEntry& entry, PreviewFormat format) {
    DrawingPreview preview;
    if (entry.size == 0 || entry.size > kPreviewByteLimit) return preview;
    if (uint64_t{entry.offset} + entry.size > file.Size()) return preview;
    preview.bytes = ReadBytes(file, entry.offset, entry.size);
    if (preview.bytes.size() != entry.size) return {};
    preview.format = format;
    if (!MeasurePreview(preview)) return {};
    return preview;
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
    if (c <= '9') return c - '0';
    return (c | 0x20) - 'a' + 10;
}

// Reads a source front to back through a buffer of its own: lines and runs of
// bytes, each bounded.
class SourceCursor {
  public:
    SourceCursor(ByteSource& file, uint64_t offset) : m_file(file), m_offset(offset) {}

    // The next line without its end (LF, a CR before it dropped); a line
    // longer than `keep` bytes, and the end of the data before any byte,
    // give false.
    bool Line(std::string& line, size_t keep) {
        line.clear();
        bool any = false;
        while (true) {
            if (m_at == m_view.size && !Fill()) return any;
            any = true;
            const uint8_t* start = m_view.data + m_at;
            const auto* end =
                static_cast<const uint8_t*>(std::memchr(start, '\n', m_view.size - m_at));
            size_t count = end != nullptr ? static_cast<size_t>(end - start) : m_view.size - m_at;
            if (line.size() + count > keep) return false;
            line.append(reinterpret_cast<const char*>(start), count);
            m_at += count;
            if (end != nullptr) {
                ++m_at;
                if (!line.empty() && line.back() == '\r') line.pop_back();
                return true;
            }
        }
    }

    // The next `count` bytes appended to `out`; false when the data ends first.
    bool Bytes(size_t count, std::vector<uint8_t>& out) {
        while (count > 0) {
            if (m_at == m_view.size && !Fill()) return false;
            size_t take = std::min(count, m_view.size - m_at);
            out.insert(out.end(), m_view.data + m_at, m_view.data + m_at + take);
            m_at += take;
            count -= take;
        }
        return true;
    }

    // Bytes up to and including the next zero byte, at most `keep` of them.
    bool String(std::string& out, size_t keep) {
        out.clear();
        while (true) {
            if (m_at == m_view.size && !Fill()) return false;
            const uint8_t byte = m_view.data[m_at++];
            if (byte == 0) return true;
            if (out.size() == keep) return false;
            out.push_back(static_cast<char>(byte));
        }
    }

  private:
    static constexpr size_t kBlockSize = size_t{64} << 10;

    bool Fill() {
        m_view = m_file.Read(m_offset, kBlockSize, m_scratch);
        m_at = 0;
        m_offset += m_view.size;
        return m_view.size > 0;
    }

    ByteSource& m_file;
    uint64_t m_offset;
    std::vector<uint8_t> m_scratch;
    ByteView m_view{};
    size_t m_at = 0;
};

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// A whole decimal number (no sign), or nothing; values past the preview
// limit are held at one more than it.
std::optional<uint64_t> Decimal(std::string_view text) {
    text = Trimmed(text);
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        if (text.front() == '-') return std::nullopt;
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(c - '0'),
                                   uint64_t{kPreviewByteLimit} + 1);
    }
    return value;
}

constexpr std::string_view kSectionName = "THUMBNAILIMAGE";

// Where the DXF's THUMBNAILIMAGE section name starts, the name standing as a
// group 2 value (its line, in ASCII; after the code bytes 02 00 and before
// its zero byte, in binary); nothing when there is none.
struct SectionStart {
    uint64_t afterName = 0;  // the first byte after the name
    bool binary = false;
};

std::optional<SectionStart> FindThumbnailSection(ByteSource& file) {
    constexpr size_t kBlockSize = size_t{1} << 20;
    constexpr size_t kContext = 16;  // bytes looked at before the name
    std::vector<uint8_t> around;
    uint64_t offset = 0;
    while (offset < file.Size()) {
        // Whole blocks, however few bytes a read gives.
        std::vector<uint8_t> bytes = ReadBytes(file, offset, kBlockSize);
        ByteView block{bytes.data(), bytes.size()};
        if (block.size == 0) break;
        std::string_view text(reinterpret_cast<const char*>(block.data), block.size);
        for (size_t at = text.find(kSectionName); at != std::string_view::npos;
             at = text.find(kSectionName, at + 1)) {
            const uint64_t name = offset + at;
            const uint64_t from = name >= kContext ? name - kContext : 0;
            around =
                ReadBytes(file, from, static_cast<size_t>(name - from) + kSectionName.size() + 2);
            std::string_view context(reinterpret_cast<const char*>(around.data()), around.size());
            const size_t before = static_cast<size_t>(name - from);
            std::string_view after =
                context.substr(std::min(context.size(), before + kSectionName.size()));
            std::string_view head = context.substr(0, before);
            // Binary: 02 00 (group 2) before the name, its zero byte after.
            if (head.ends_with(std::string_view("\x02\x00", 2)) && after.starts_with('\0')) {
                return SectionStart{name + kSectionName.size() + 1, true};
            }
            // ASCII: the name alone on its line, after a line holding 2.
            if (!head.ends_with('\n')) continue;
            if (!(after.starts_with('\n') || after.starts_with("\r\n") || after.empty())) continue;
            head.remove_suffix(1);
            size_t lineStart = head.rfind('\n');
            if (lineStart == std::string_view::npos && from != 0) continue;
            std::string_view codeLine =
                head.substr(lineStart == std::string_view::npos ? 0 : lineStart + 1);
            if (Trimmed(codeLine) != "2") continue;
            return SectionStart{name + kSectionName.size(), false};
        }
        // The next block overlaps this one by the name's length less one, so a
        // name across two blocks is found.
        if (block.size < kSectionName.size()) break;
        offset += block.size - (kSectionName.size() - 1);
    }
    return std::nullopt;
}

// The section's bitmap bytes, ASCII: code and value lines from the end of the
// name's line to group 0.
std::optional<std::vector<uint8_t>> ReadAsciiThumbnail(SourceCursor& cursor) {
    constexpr size_t kLineKeep = size_t{64} << 10;
    std::string line;
    std::vector<uint8_t> bytes;
    if (!cursor.Line(line, kLineKeep) || !Trimmed(line).empty()) return std::nullopt;
    while (true) {
        if (!cursor.Line(line, kLineKeep)) return std::nullopt;
        std::optional<uint64_t> code = Decimal(line);
        if (!code || !cursor.Line(line, kLineKeep)) return std::nullopt;
        if (*code == 0) return bytes;
        if (*code == 90) {
            std::optional<uint64_t> count = Decimal(line);
            if (!count || *count > kPreviewByteLimit) return std::nullopt;
        } else if (*code == 310) {
            std::string_view digits = Trimmed(line);
            if (digits.size() % 2 != 0) return std::nullopt;
            if (bytes.size() + digits.size() / 2 > kPreviewByteLimit) return std::nullopt;
            for (size_t i = 0; i < digits.size(); i += 2) {
                if (!IsHexDigit(digits[i]) || !IsHexDigit(digits[i + 1])) return std::nullopt;
                bytes.push_back(
                    static_cast<uint8_t>(HexValue(digits[i]) << 4 | HexValue(digits[i + 1])));
            }
        } else {
            return std::nullopt;
        }
    }
}

// The same in a binary DXF: two-byte codes; 90 a four-byte count, 310 a
// length byte and that many bytes, 0 a string.
std::optional<std::vector<uint8_t>> ReadBinaryThumbnail(SourceCursor& cursor) {
    std::vector<uint8_t> bytes, field;
    std::string name;
    while (true) {
        field.clear();
        if (!cursor.Bytes(2, field)) return std::nullopt;
        const uint32_t code = ReadLe16At({field.data(), field.size()}, 0);
        if (code == 0) {
            if (!cursor.String(name, 64)) return std::nullopt;
            return bytes;
        }
        if (code == 90) {
            field.clear();
            if (!cursor.Bytes(4, field)) return std::nullopt;
            if (ReadLe32At({field.data(), field.size()}, 0) > kPreviewByteLimit)
                return std::nullopt;
        } else if (code == 310) {
            field.clear();
            if (!cursor.Bytes(1, field)) return std::nullopt;
            if (bytes.size() + field[0] > kPreviewByteLimit) return std::nullopt;
            if (!cursor.Bytes(field[0], bytes)) return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
}

}  // namespace

DrawingPreview ReadDwgPreview(ByteSource& file) {
    std::vector<uint8_t> headBytes = ReadBytes(file, 0, kPreviewAddressAt + 4);
    ByteView head{headBytes.data(), headBytes.size()};
    if (head.size < kPreviewAddressAt + 4) return {};
    std::string_view version(reinterpret_cast<const char*>(head.data), 6);
    if (!IsPreviewVersion(version)) return {};
    const uint32_t address = ReadLe32At(head, kPreviewAddressAt);

    // The sentinel, the size, the number of entries.
    std::vector<uint8_t> block = ReadBytes(file, address, kStartSentinel.size() + 5);
    ByteView bytes{block.data(), block.size()};
    if (bytes.size < kStartSentinel.size() + 5 ||
        !std::equal(kStartSentinel.begin(), kStartSentinel.end(), bytes.data)) {
        return {};
    }
    const size_t count = bytes[kStartSentinel.size() + 4];
    std::vector<uint8_t> table =
        ReadBytes(file, uint64_t{address} + kStartSentinel.size() + 5, count * kEntryBytes);
    if (table.size() != count * kEntryBytes) return {};
    ByteView entries{table.data(), table.size()};

    PreviewEntry png, bitmap, metafile;
    for (size_t i = 0; i < count; ++i) {
        const size_t at = i * kEntryBytes;
        PreviewEntry entry{entries[at], ReadLe32At(entries, at + 1), ReadLe32At(entries, at + 5)};
        switch (entry.code) {
            case kPng:
                png = entry;
                break;
            case kBitmap:
                bitmap = entry;
                break;
            case kMetafile:
                metafile = entry;
                break;
            case kHeaderData:
            default:
                break;
        }
    }
    for (auto [entry, format] :
         {std::pair{png, PreviewFormat::Png}, std::pair{bitmap, PreviewFormat::Bmp},
          std::pair{metafile, PreviewFormat::Wmf}}) {
        if (entry.code == 0) continue;
        DrawingPreview preview = ReadPicture(file, entry, format);
        if (preview.format != PreviewFormat::None) return preview;
    }
    return {};
}

DrawingPreview ReadDxfPreview(ByteSource& file) {
    std::optional<SectionStart> start = FindThumbnailSection(file);
    if (!start) return {};
    SourceCursor cursor(file, start->afterName);
    std::optional<std::vector<uint8_t>> bytes =
        start->binary ? ReadBinaryThumbnail(cursor) : ReadAsciiThumbnail(cursor);
    if (!bytes || bytes->empty()) return {};
    DrawingPreview preview{PreviewFormat::Bmp, std::move(*bytes)};
    if (!MeasurePreview(preview)) return {};
    return preview;
}

std::optional<BitmapLayout> ReadBitmapLayout(ByteView dib) {
    // BITMAPINFOHEADER: size, width, height (negative: top-down), planes,
    // bit count, compression, image size, resolutions, colours used,
    // colours important.
    const uint32_t headerSize = ReadLe32At(dib, 0);
    if (headerSize < 40 || headerSize > dib.size) return std::nullopt;
    const auto width = static_cast<int32_t>(ReadLe32At(dib, 4));
    const auto height = static_cast<int32_t>(ReadLe32At(dib, 8));
    const uint32_t planes = ReadLe16At(dib, 12);
    const uint32_t bitCount = ReadLe16At(dib, 14);
    const uint32_t compression = ReadLe32At(dib, 16);
    const uint32_t coloursUsed = ReadLe32At(dib, 32);
    if (planes != 1 || compression != 0) return std::nullopt;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32) {
        return std::nullopt;
    }
    const int64_t rows = height < 0 ? -int64_t{height} : height;
    if (width < 1 || width > static_cast<int32_t>(kPreviewSideLimit) || rows < 1 ||
        rows > kPreviewSideLimit) {
        return std::nullopt;
    }
    BitmapLayout layout;
    layout.width = static_cast<uint32_t>(width);
    layout.height = static_cast<uint32_t>(rows);
    layout.topDown = height < 0;
    layout.bitCount = static_cast<uint16_t>(bitCount);
    layout.paletteAt = headerSize;
    if (bitCount <= 8) {
        const size_t most = size_t{1} << bitCount;
        layout.paletteCount = coloursUsed == 0 || coloursUsed > most ? most : coloursUsed;
    }
    layout.pixelsAt = layout.paletteAt + layout.paletteCount * 4;
    layout.rowBytes = (size_t{layout.width} * bitCount + 31) / 32 * 4;
    if (layout.pixelsAt > dib.size ||
        (dib.size - layout.pixelsAt) / layout.rowBytes < layout.height) {
        return std::nullopt;
    }
    return layout;
}

bool MeasurePreview(DrawingPreview& preview) {
    ByteView bytes{preview.bytes.data(), preview.bytes.size()};
    switch (preview.format) {
        case PreviewFormat::Bmp: {
            std::optional<BitmapLayout> layout = ReadBitmapLayout(bytes);
            if (!layout) return false;
            preview.width = layout->width;
            preview.height = layout->height;
            return true;
        }
        case PreviewFormat::Png: {
            // The signature, then IHDR: length 13, "IHDR", width, height
            // (big-endian, from 1 to 2^31 - 1).
            if (bytes.size < 24 ||
                !std::equal(kPngSignature.begin(), kPngSignature.end(), bytes.data) ||
                ReadBe32At(bytes, 8) != 13 ||
                std::string_view(reinterpret_cast<const char*>(bytes.data) + 12, 4) != "IHDR") {
                return false;
            }
            const uint32_t width = ReadBe32At(bytes, 16), height = ReadBe32At(bytes, 20);
            if (width < 1 || width > kPreviewSideLimit || height < 1 ||
                height > kPreviewSideLimit) {
                return false;
            }
            preview.width = width;
            preview.height = height;
            return true;
        }
        case PreviewFormat::Wmf:
            preview.width = preview.height = 0;
            return !preview.bytes.empty() && preview.bytes.size() <= kPreviewByteLimit;
        case PreviewFormat::None:
            break;
    }
    return false;
}

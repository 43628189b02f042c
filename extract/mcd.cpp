#include "extract/mcd.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "bytes/cp932.h"
#include "bytes/gathered_line.h"
#include "bytes/match_at.h"
#include "bytes/source_window.h"

namespace {

struct McdLayout {
    std::string_view littleEndianTag;  // the record length before it is low byte first
    std::string_view bigEndianTag;     // the record length before it is high byte first
    size_t textOffset;                 // from the record's first byte (its length)
};

using namespace std::string_view_literals;

constexpr McdLayout kVersion2382{"\xA4\x2C\x79\x05\x00\x00\x00\x00\x00\x0A"sv,
                                 "\x05\x79\x2C\xA4\x00\x00\x00\x00\x00\x0A"sv, 116};
constexpr McdLayout kVersion2082{"\xA4\x2C\x79\x05\x01\x00\x00\x00\x0A\x00"sv,
                                 "\x05\x79\x2C\xA4\x00\x00\x00\x01\x00\x0A"sv, 74};
constexpr size_t kTagLength = 10;
constexpr size_t kLengthSize = 4;

const McdLayout* LayoutOfVersion(SourceWindow& file) {
    uint8_t version[4];
    if (!file.CopyAt(0, sizeof version, version)) return nullptr;
    switch (ReadBe32At(ByteView{version, sizeof version}, 0)) {
        case 2382:  // 00 00 09 4E
            return &kVersion2382;
        case 2082:  // 00 00 08 22
        case 2076:  // 00 00 08 1C
            return &kVersion2082;
        default:
            return nullptr;
    }
}

// The length of the record whose tag is at `tag`, or 0 when no tag is there
// or the tag is no record (no room for the length, or a length that does not
// reach the text).
uint64_t RecordLengthAt(SourceWindow& file, uint64_t tag, const McdLayout& layout) {
    if (tag < kLengthSize) return 0;
    // The length and the tag; a tag cut off by the end of the data is none.
    uint8_t bytes[kLengthSize + kTagLength];
    if (!file.CopyAt(tag - kLengthSize, sizeof bytes, bytes)) return 0;
    ByteView record{bytes, sizeof bytes};
    bool little = MatchAt(record, kLengthSize, layout.littleEndianTag) != 0;
    if (!little && !MatchAt(record, kLengthSize, layout.bigEndianTag)) return 0;
    uint32_t length = little ? ReadLe32At(record, 0) : ReadBe32At(record, 0);
    return length < layout.textOffset ? 0 : length;
}

// The line of a record: its non-zero bytes, with full-width and ASCII spaces
// deleted at CP932 character boundaries as they come (what RemoveSpaces does
// to the whole line), gathered across blocks.
class RecordLine {
  public:
    explicit RecordLine(const ExtractedText& out) : m_line(out) {}

    void Clear() {
        m_line.Clear();
        m_any = false;
        m_lead = 0;
    }
    // Takes bytes of the record's text; false once no more would be kept.
    bool Take(ByteView bytes) {
        for (size_t i = 0; i < bytes.size; ++i) {
            char byte = static_cast<char>(bytes[i]);
            if (byte == 0) continue;
            m_any = true;
            if (m_lead != 0) {
                // The second byte of a double-byte character: 81 40 is a
                // full-width space.
                if (!(m_lead == '\x81' && byte == '\x40')) {
                    m_line.Append(m_lead);
                    m_line.Append(byte);
                }
                m_lead = 0;
            } else if (IsCp932LeadByte(static_cast<uint8_t>(byte))) {
                m_lead = byte;
            } else if (byte != ' ') {
                m_line.Append(byte);
            }
        }
        return !m_line.Enough();
    }
    // Adds the line when the record held a non-zero byte: a record of spaces
    // alone gives an empty line. A lead byte at the end is a character of its
    // own. False once `out` is full.
    bool AddTo(ExtractedText& out) {
        if (!m_any) return true;
        if (m_lead != 0) m_line.Append(m_lead);
        return out.Add(TextKind::McdText, m_line.Kept());
    }

  private:
    GatheredLine m_line;
    bool m_any = false;
    char m_lead = 0;  // a lead byte whose second byte has not come yet
};

}  // namespace

void ExtractMcdText(ByteSource& source, ExtractedText& out) {
    SourceWindow file(source);
    const McdLayout* layout = LayoutOfVersion(file);
    if (layout == nullptr) return;
    const uint64_t size = file.Size();
    RecordLine line(out);

    uint64_t p = 0;
    while (p < size) {
        ByteView rest = file.At(p);
        if (rest.size == 0) break;  // a read failed: the data ends here
        // Both tags start with A4 or 05; other bytes need no comparison.
        size_t i = 0;
        while (i < rest.size && rest[i] != 0xA4 && rest[i] != 0x05) ++i;
        if (i == rest.size) {
            p = std::max(p + i, file.ZerosUntil(p));  // a hole holds no tag
            continue;
        }
        p += i;
        uint64_t length = RecordLengthAt(file, p, *layout);
        if (length == 0) {
            ++p;
            continue;
        }
        uint64_t record = p - kLengthSize;
        // The text runs to the record's end; a record cut off by the end of the
        // data gives what the data holds.
        uint64_t recordEnd = std::min<uint64_t>(record + length, size);
        line.Clear();
        for (uint64_t at = record + layout->textOffset; at < recordEnd;) {
            ByteView piece = file.At(at);
            if (piece.size == 0) break;
            piece.size = static_cast<size_t>(std::min<uint64_t>(piece.size, recordEnd - at));
            at += piece.size;
            if (!line.Take(piece)) break;
        }
        if (!line.AddTo(out)) return;
        // The record's own bytes are never scanned for tags.
        p = recordEnd;
    }
}

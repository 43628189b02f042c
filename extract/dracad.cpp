#include "extract/dracad.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "bytes/gathered_line.h"
#include "bytes/match_at.h"

namespace {

// MPX and MPZ record chain.
constexpr size_t kChainStartField = 36;  // from the base: offset of the first record
constexpr size_t kRecordSize = 64;
constexpr size_t kTextHeadSize = 3 * kRecordSize;
constexpr size_t kStringField = 16;  // in a continuation record: 48 bytes of string
constexpr uint8_t kEndKind = 0xFF;
constexpr uint8_t kContinuationKind = 0xFE;
constexpr std::string_view kMpzSignature = "DRACAD for Windows";

// MPP entry table and character planes.
constexpr size_t kTableStart = 1024;
constexpr uint16_t kTableEnd = 0xFFFF;
constexpr uint16_t kContinuationWord = 0xFE00;  // bytes 00 FE
constexpr int kPlaneCount = 6;

bool IsTextItemKind(uint8_t kind) { return kind == 5 || kind == 20; }

// The byte at `at`; false when the data does not hold it.
bool ByteAt(SourceWindow& file, uint64_t at, uint8_t& byte) {
    ByteView view = file.At(at, 1);
    if (view.size == 0) return false;
    byte = view[0];
    return true;
}

// The little-endian 16-bit word at `at`; false when the data does not hold
// both of its bytes.
bool WordAt(SourceWindow& file, uint64_t at, uint16_t& word) {
    ByteView view = file.At(at, 2);
    if (view.size < 2) return false;
    word = static_cast<uint16_t>(ReadLe16At(view, 0));
    return true;
}

// Appends the string of the continuation record at `record`: its 48-byte field
// up to the first zero byte, all of it when it holds none, cut at the end of
// the data.
void AppendContinuationString(SourceWindow& file, uint64_t record, GatheredLine& line) {
    ByteView field = file.At(record + kStringField, kRecordSize - kStringField);
    size_t size = std::min(field.size, kRecordSize - kStringField);
    if (size == 0) return;
    const void* zero = std::memchr(field.data, 0, size);
    if (zero != nullptr) size = static_cast<const uint8_t*>(zero) - field.data;
    line.Append(std::string_view(reinterpret_cast<const char*>(field.data), size));
}

// The Shift-JIS form of a character cell, appended to `line`. Cell = first JIS
// byte high, second JIS byte low.
void AppendCell(uint16_t cell, GatheredLine& line) {
    uint8_t j1 = cell >> 8;
    uint8_t j2 = cell & 0xFF;
    if (j1 == 0) {
        // 00 xx: the one byte xx; 00 00: no character.
        if (j2 != 0) line.Append(static_cast<char>(j2));
        return;
    }
    // Only rows and cells 0x21-0x7E are JIS X 0208 codes; anything else gives
    // no character rather than bytes that would upset the CP932 text after it.
    if (j1 < 0x21 || j1 > 0x7E || j2 < 0x21 || j2 > 0x7E) return;
    // Two JIS rows share one Shift-JIS lead byte: 0x81-0x9F, then on from 0xE0.
    int lead = (j1 - 0x21) / 2 + 0x81;
    if (lead > 0x9F) lead += 0x40;
    // The odd row takes trail bytes 0x40-0x7E and 0x80-0x9E (0x7F is skipped),
    // the even row 0x9F-0xFC.
    int trail = j1 % 2 == 0 ? j2 + 0x7E : j2 + 0x1F + (j2 >= 0x60 ? 1 : 0);
    line.Append(static_cast<char>(lead));
    line.Append(static_cast<char>(trail));
}

// Walks the MPP entry table from offset 1024, calling visit(E, k) for every
// text entry (type 5 or 6) at table offset E with k continuation words; a
// visit that returns false ends the walk. Returns the offset of the end word
// 0xFFFF, or 0 when the data ends first (or the walk was ended).
template <typename Visit>
uint64_t WalkEntryTable(SourceWindow& file, Visit visit) {
    uint64_t p = kTableStart;
    uint16_t word;
    while (WordAt(file, p, word)) {
        if (word == kTableEnd) return p;
        // A zero word is an entry of type 0, and in a hole of zeros every
        // word is one, without continuation: all but the hole's last whole
        // word (whose next word may be one) are passed at once.
        if (uint64_t zeros = word == 0 ? file.ZerosUntil(p) : p; zeros >= p + 4) {
            p += ((zeros - p) / 2 - 1) * 2;
            continue;
        }
        // Byte 0 unused, byte 1 the type, then words 00 FE while they last.
        uint8_t type = static_cast<uint8_t>(word >> 8);
        uint64_t next = p + 2;
        uint64_t continuations = 0;
        while (WordAt(file, next, word) && word == kContinuationWord) {
            ++continuations;
            next += 2;
        }
        if ((type == 5 || type == 6) && !visit(p, continuations)) return 0;
        p = next;
    }
    return 0;
}

}  // namespace

void ExtractMpxText(ByteSource& source, ExtractedText& out) {
    SourceWindow file(source);
    WalkMpxRecords(file, 0, out);
}

void ExtractMpzText(ByteSource& source, ExtractedText& out) {
    SourceWindow file(source);
    const uint8_t first = static_cast<uint8_t>(kMpzSignature[0]);
    uint64_t at = 0;
    while (at < file.Size()) {
        ByteView rest = file.At(at);
        if (rest.size == 0) return;  // a read failed: the data ends here
        const void* found = std::memchr(rest.data, first, rest.size);
        if (found == nullptr) {
            at = std::max(at + rest.size, file.ZerosUntil(at));
            continue;
        }
        at += static_cast<const uint8_t*>(found) - rest.data;
        ByteView candidate = file.At(at, kMpzSignature.size());
        if (MatchAt(candidate, 0, kMpzSignature)) return WalkMpxRecords(file, at, out);
        ++at;
    }
}

void ExtractMppText(ByteSource& source, ExtractedText& out) {
    // The first walk finds the end word and with it the row length T: the
    // table's length including the end word. Plane m starts m·T after it.
    SourceWindow table(source);
    uint64_t end = WalkEntryTable(table, [](uint64_t, uint64_t) { return true; });
    if (end == 0) return;
    const uint64_t rowLength = end + 2 - kTableStart;

    // The second walk reads each plane through a window of its own: the cells
    // of one plane lie in table order, so every window moves forward.
    SourceWindow tableAgain(source);
    SourceWindow planes[kPlaneCount] = {SourceWindow(source), SourceWindow(source),
                                        SourceWindow(source), SourceWindow(source),
                                        SourceWindow(source), SourceWindow(source)};
    GatheredLine line(out);
    WalkEntryTable(tableAgain, [&](uint64_t entry, uint64_t continuations) {
        line.Clear();
        // Column c lies at E + 4 + 2c for c = 0 to k - 2, read in plane 1 to 6.
        for (uint64_t column = 0; column + 1 < continuations && !line.Enough(); ++column) {
            for (int plane = 1; plane <= kPlaneCount; ++plane) {
                uint64_t cell = entry + 4 + 2 * column + rowLength * plane;
                uint16_t word;
                if (WordAt(planes[plane - 1], cell, word)) AppendCell(word, line);
            }
        }
        return out.Add(TextKind::DraCadText, line.Kept());
    });
}

void WalkMpxRecords(SourceWindow& file, uint64_t base, ExtractedText& out) {
    uint8_t field[4];
    if (base > file.Size() || !file.CopyAt(base + kChainStartField, sizeof field, field)) return;
    uint64_t i = base + ReadLe32At(ByteView{field, sizeof field}, 0);
    // Every step moves on by at least one record, and the walk stops at the end
    // of the data, so it ends whatever the chain holds.
    GatheredLine line(out);
    uint8_t kind;
    while (ByteAt(file, i, kind)) {
        if (kind == kEndKind) break;
        if (!IsTextItemKind(kind)) {
            // Records of kind 0 in a hole of zeros are passed at once: every
            // one that starts in it.
            uint64_t zeros = kind == 0 ? file.ZerosUntil(i) : i;
            i +=
                zeros > i ? (zeros - i + kRecordSize - 1) / kRecordSize * kRecordSize : kRecordSize;
            continue;
        }
        i += kTextHeadSize;
        line.Clear();
        while (ByteAt(file, i, kind) && kind == kContinuationKind) {
            if (!line.Enough()) AppendContinuationString(file, i, line);
            i += kRecordSize;
        }
        if (line.Length() != 0 && !out.Add(TextKind::DraCadText, line.Kept())) return;
    }
}

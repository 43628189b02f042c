#include "extract/dracad.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

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

// A little-endian 16-bit value fits at `at` (which may lie past any size_t).
bool HasWord(ByteView file, uint64_t at) { return at < file.size && file.size - at >= 2; }

// Appends the string of the continuation record at `record`: its 48-byte field
// up to the first zero byte, all of it when it holds none, cut at the end of
// the data.
void AppendContinuationString(ByteView file, size_t record, std::string& line) {
    size_t start = record + kStringField;
    size_t end = std::min(record + kRecordSize, file.size);
    if (start >= end) return;
    const void* zero = std::memchr(file.data + start, 0, end - start);
    if (zero != nullptr) end = static_cast<const uint8_t*>(zero) - file.data;
    line.append(reinterpret_cast<const char*>(file.data + start), end - start);
}

// The Shift-JIS form of a character cell, appended to `line`. Cell = first JIS
// byte high, second JIS byte low.
void AppendCell(uint16_t cell, std::string& line) {
    uint8_t j1 = cell >> 8;
    uint8_t j2 = cell & 0xFF;
    if (j1 == 0) {
        // 00 xx: the one byte xx; 00 00: no character.
        if (j2 != 0) line += static_cast<char>(j2);
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
    line += static_cast<char>(lead);
    line += static_cast<char>(trail);
}

// Walks the MPP entry table from offset 1024, calling visit(E, k) for every
// text entry (type 5 or 6) at table offset E with k continuation words.
// Returns the offset of the end word 0xFFFF, or 0 when the data ends first.
template <typename Visit>
size_t WalkEntryTable(ByteView file, Visit visit) {
    size_t p = kTableStart;
    while (HasWord(file, p)) {
        if (ReadLe16At(file, p) == kTableEnd) return p;
        // Byte 0 unused, byte 1 the type, then words 00 FE while they last.
        uint8_t type = file[p + 1];
        size_t next = p + 2;
        size_t continuations = 0;
        while (HasWord(file, next) && ReadLe16At(file, next) == kContinuationWord) {
            ++continuations;
            next += 2;
        }
        if (type == 5 || type == 6) visit(p, continuations);
        p = next;
    }
    return 0;
}

}  // namespace

void WalkMpxRecords(ByteView file, size_t base, ExtractedText& out) {
    if (base > file.size || file.size - base < kChainStartField + 4) return;
    uint64_t i = uint64_t{base} + ReadLe32At(file, base + kChainStartField);
    // Every step moves on by at least one record, and the walk stops at the end
    // of the data, so it ends whatever the chain holds.
    while (i < file.size) {
        uint8_t kind = file[i];
        if (kind == kEndKind) break;
        if (!IsTextItemKind(kind)) {
            i += kRecordSize;
            continue;
        }
        i += kTextHeadSize;
        std::string line;
        while (i < file.size && file[i] == kContinuationKind) {
            AppendContinuationString(file, static_cast<size_t>(i), line);
            i += kRecordSize;
        }
        if (!line.empty() && !out.Add(TextKind::DraCadText, line)) return;
    }
}

void ExtractMpxText(ByteView file, ExtractedText& out) { WalkMpxRecords(file, 0, out); }

void ExtractMpzText(ByteView file, ExtractedText& out) {
    const uint8_t first = static_cast<uint8_t>(kMpzSignature[0]);
    for (size_t at = 0; at < file.size;) {
        const void* found = std::memchr(file.data + at, first, file.size - at);
        if (found == nullptr) break;
        at = static_cast<const uint8_t*>(found) - file.data;
        if (MatchAt(file, at, kMpzSignature)) return WalkMpxRecords(file, at, out);
        ++at;
    }
}

void ExtractMppText(ByteView file, ExtractedText& out) {
    // The first walk finds the end word and with it the row length T: the
    // table's length including the end word. Plane m starts m·T after it.
    size_t end = WalkEntryTable(file, [](size_t, size_t) {});
    if (end == 0) return;
    const size_t rowLength = end + 2 - kTableStart;

    std::string line;
    WalkEntryTable(file, [&](size_t entry, size_t continuations) {
        line.clear();
        // Column c lies at E + 4 + 2c for c = 0 to k - 2, read in plane 1 to 6.
        for (size_t column = 0; column + 1 < continuations; ++column) {
            for (int plane = 1; plane <= kPlaneCount; ++plane) {
                uint64_t cell = uint64_t{entry} + 4 + 2 * column + uint64_t{rowLength} * plane;
                if (HasWord(file, cell))
                    AppendCell(ReadLe16At(file, static_cast<size_t>(cell)), line);
            }
        }
        out.Add(TextKind::DraCadText, line);
    });
}

#include "dwg/r12.h"

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "bytes/match_at.h"
#include "bytes/spaces.h"
#include "dwg/cached_reader.h"

namespace {

constexpr std::string_view kEndMarker = "\x3B\x91\x97\xAB\x07\x91";
constexpr size_t kEntitySectionStartAt = 0x14;
constexpr size_t kBlockSectionStartAt = 0x1C;
constexpr size_t kBlockSectionSizeAt = 0x20;
constexpr uint32_t kSectionSizeMask = 0xFFFFFF;  // the high byte holds flags
constexpr size_t kMarkerScanBytes = size_t{64} << 10;

constexpr uint8_t kTextType = 7;
constexpr uint8_t kAttdefType = 15;
constexpr uint8_t kAttribType = 16;
constexpr size_t kRecordHeaderBytes = 8;  // type, flags, length RS, layer RS, options RS

// Flags byte: each bit announces an optional field before the entity data.
constexpr uint8_t kFlagColour = 0x01;     // 1 byte
constexpr uint8_t kFlagLineType = 0x02;   // RS line-type index
constexpr uint8_t kFlagElevation = 0x04;  // RD
constexpr uint8_t kFlagThickness = 0x08;  // RD
constexpr uint8_t kFlagHandle = 0x20;     // length byte h, then h bytes
constexpr uint8_t kFlagExtra = 0x40;      // an extra-flags byte
constexpr uint8_t kKnownFlags =
    kFlagColour | kFlagLineType | kFlagElevation | kFlagThickness | kFlagHandle | kFlagExtra;
// Extra-flags byte.
constexpr uint8_t kExtraEed = 0x02;       // RS size, then that many bytes
constexpr uint8_t kExtraViewport = 0x04;  // RS viewport index
constexpr uint8_t kKnownExtraFlags = kExtraEed | kExtraViewport;

// The position just after the first end marker, or 0 when there is none.
// The file is scanned in pieces that overlap by the marker's length.
uint64_t FindEndMarker(ByteSource& file) {
    std::vector<uint8_t> scratch;
    for (uint64_t start = 0; start < file.Size();) {
        ByteView piece = file.Read(start, kMarkerScanBytes, scratch);
        if (piece.size == 0) return 0;
        for (size_t pos = 0; pos < piece.size; ++pos) {
            // Jump to the next byte that can start the marker, then compare.
            const void* lead = std::memchr(piece.data + pos, kEndMarker[0], piece.size - pos);
            if (lead == nullptr) break;
            pos = static_cast<size_t>(static_cast<const uint8_t*>(lead) - piece.data);
            if (size_t after = MatchAt(piece, pos, kEndMarker)) return start + after;
        }
        if (start + piece.size >= file.Size()) return 0;
        start += piece.size - (kEndMarker.size() - 1);
    }
    return 0;
}

enum class RecordRead { Done, Damaged };

// Adds `value` (its non-zero bytes, then without spaces) as a line of `kind`
// when it has a non-zero byte. False once `out` is full.
bool AddValue(ByteView value, TextKind kind, ExtractedText& out) {
    std::string line;
    for (size_t k = 0; k < value.size; ++k) {
        if (value[k] != 0) line += static_cast<char>(value[k]);
    }
    if (line.empty()) return true;
    RemoveSpaces(line);
    return out.Add(kind, line);
}

// Reads the text record `record` (the bytes of its length): the optional
// fields its flags announce, insertion point and height, then its values
// (TEXT and ATTRIB: the value; ATTDEF: default value, prompt, tag), each an
// RS length n and n bytes; a negative length ends the record's values.
// A flag with no known field gives no lines; fields running past the record
// are damage. Sets `full` once `out` is full.
RecordRead ReadR12TextRecord(ByteView record, ExtractedText& out, bool& full) {
    if (record.size < kRecordHeaderBytes) return RecordRead::Damaged;
    uint8_t type = record[0];
    uint8_t flags = record[1];
    size_t pos = kRecordHeaderBytes;
    auto take = [&](size_t count) {
        if (pos > record.size || record.size - pos < count) return false;
        pos += count;
        return true;
    };
    if (flags & ~kKnownFlags) return RecordRead::Done;
    uint8_t extra = 0;
    if (flags & kFlagExtra) {
        if (!take(1)) return RecordRead::Damaged;
        extra = record[pos - 1];
        if (extra & ~kKnownExtraFlags) return RecordRead::Done;
    }
    if (extra & kExtraEed) {
        if (!take(2) || !take(ReadLe16At(record, pos - 2))) return RecordRead::Damaged;
    }
    if ((flags & kFlagColour) && !take(1)) return RecordRead::Damaged;
    if ((flags & kFlagLineType) && !take(2)) return RecordRead::Damaged;
    if ((flags & kFlagElevation) && !take(8)) return RecordRead::Damaged;
    if ((flags & kFlagThickness) && !take(8)) return RecordRead::Damaged;
    if (flags & kFlagHandle) {
        if (!take(1) || !take(record[pos - 1])) return RecordRead::Damaged;
    }
    if ((extra & kExtraViewport) && !take(2)) return RecordRead::Damaged;
    if (!take(24)) return RecordRead::Damaged;  // insertion point (2 RD) and height (RD)

    static constexpr TextKind kTextValues[] = {TextKind::Text};
    static constexpr TextKind kAttribValues[] = {TextKind::Attrib};
    static constexpr TextKind kAttdefValues[] = {TextKind::AttdefValue, TextKind::AttdefPrompt,
                                                 TextKind::AttdefTag};
    std::span<const TextKind> kinds = type == kAttdefType ? std::span<const TextKind>(kAttdefValues)
                                      : type == kAttribType
                                          ? std::span<const TextKind>(kAttribValues)
                                          : std::span<const TextKind>(kTextValues);
    for (TextKind kind : kinds) {
        if (!take(2)) return RecordRead::Damaged;
        int16_t n = static_cast<int16_t>(ReadLe16At(record, pos - 2));
        if (n < 0) return RecordRead::Done;  // no value, nor any after it
        size_t start = pos;
        if (!take(static_cast<size_t>(n))) return RecordRead::Damaged;
        if (!AddValue(ByteView{record.data + start, static_cast<size_t>(n)}, kind, out)) {
            full = true;
            return RecordRead::Done;
        }
    }
    return RecordRead::Done;
}

// Walks the records in [start, limit) of `file`. False when the walk ended
// because `out` is full.
bool WalkR12Records(CachedReader& file, uint64_t start, uint64_t limit, ExtractedText& out) {
    for (uint64_t pos = start; pos < limit;) {
        ByteView header = file.Read(pos, kRecordHeaderBytes);
        if (header.size < kRecordHeaderBytes) break;
        int16_t length = static_cast<int16_t>(ReadLe16At(header, 2));
        if (length <= 0) break;  // would never advance: damage
        uint8_t type = header[0];
        if (type == kTextType || type == kAttribType || type == kAttdefType) {
            ByteView record = file.Read(pos, static_cast<size_t>(length));
            if (record.size < static_cast<size_t>(length)) break;
            bool full = false;
            if (ReadR12TextRecord(record, out, full) == RecordRead::Damaged) break;
            if (full) return false;
        }
        pos += static_cast<uint64_t>(length);
    }
    return true;
}

}  // namespace

bool ReadR12Entities(ByteSource& file, ExtractedText& out) {
    std::vector<uint8_t> scratch;
    ByteView header = file.Read(0, kBlockSectionSizeAt + 4, scratch);
    uint64_t start = ReadLe32At(header, kEntitySectionStartAt);
    uint64_t end = FindEndMarker(file);
    if (start == 0 || end == 0 || start > end) return false;
    uint64_t limit = end >= 10 ? end - 10 : 0;
    CachedReader reader(file);
    WalkR12Records(reader, start, limit, out);
    return true;
}

void ReadR12Blocks(ByteSource& file, ExtractedText& out) {
    std::vector<uint8_t> scratch;
    ByteView header = file.Read(0, kBlockSectionSizeAt + 4, scratch);
    uint64_t start = ReadLe32At(header, kBlockSectionStartAt);
    uint64_t size = ReadLe32At(header, kBlockSectionSizeAt) & kSectionSizeMask;
    if (start == 0) return;
    CachedReader reader(file);
    WalkR12Records(reader, start, std::min(start + size, file.Size()), out);
}

void ReadR12Text(ByteSource& file, ExtractedText& out) {
    ReadR12Entities(file, out);
    if (!out.Full()) ReadR12Blocks(file, out);
}

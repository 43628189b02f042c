#include "dwg/r12.h"

#include <cstdint>
#include <cstring>

#include "bytes/match_at.h"
#include "bytes/spaces.h"
#include "dwg/byte_fields.h"

namespace {

constexpr std::string_view kEndMarker = "\x3B\x91\x97\xAB\x07\x91";
constexpr size_t kEntitySectionStartAt = 0x14;
constexpr uint8_t kTextType = 7;
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
size_t FindEndMarker(ByteView file) {
    for (size_t pos = 0; pos < file.size; ++pos) {
        // Jump to the next byte that can start the marker, then compare.
        const void* lead = std::memchr(file.data + pos, kEndMarker[0], file.size - pos);
        if (lead == nullptr) return 0;
        pos = static_cast<size_t>(static_cast<const uint8_t*>(lead) - file.data);
        if (size_t after = MatchAt(file, pos, kEndMarker)) return after;
    }
    return 0;
}

enum class TextRead { Line, NoLine, Damaged };

// Reads the TEXT record `record` (the bytes of its length): the optional
// fields its flags announce, insertion point and height, then the value,
// whose non-zero bytes make the line. A flag with no known field gives no
// line; fields running past the record are damage.
TextRead ReadR12Text(ByteView record, std::string& line) {
    if (record.size < kRecordHeaderBytes) return TextRead::Damaged;
    uint8_t flags = record[1];
    size_t pos = kRecordHeaderBytes;
    auto take = [&](size_t count) {
        if (pos > record.size || record.size - pos < count) return false;
        pos += count;
        return true;
    };
    if (flags & ~kKnownFlags) return TextRead::NoLine;
    uint8_t extra = 0;
    if (flags & kFlagExtra) {
        if (!take(1)) return TextRead::Damaged;
        extra = record[pos - 1];
        if (extra & ~kKnownExtraFlags) return TextRead::NoLine;
    }
    if (extra & kExtraEed) {
        if (!take(2) || !take(ReadLe16At(record, pos - 2))) return TextRead::Damaged;
    }
    if ((flags & kFlagColour) && !take(1)) return TextRead::Damaged;
    if ((flags & kFlagLineType) && !take(2)) return TextRead::Damaged;
    if ((flags & kFlagElevation) && !take(8)) return TextRead::Damaged;
    if ((flags & kFlagThickness) && !take(8)) return TextRead::Damaged;
    if (flags & kFlagHandle) {
        if (!take(1) || !take(record[pos - 1])) return TextRead::Damaged;
    }
    if ((extra & kExtraViewport) && !take(2)) return TextRead::Damaged;
    // Insertion point (2 RD) and height (RD), then the value: RS length n, n bytes.
    if (!take(24) || !take(2)) return TextRead::Damaged;
    int16_t n = static_cast<int16_t>(ReadLe16At(record, pos - 2));
    if (n <= 0) return TextRead::NoLine;
    size_t start = pos;
    if (!take(static_cast<size_t>(n))) return TextRead::Damaged;
    for (size_t k = start; k < pos; ++k) {
        if (record[k] != 0) line += static_cast<char>(record[k]);
    }
    return line.empty() ? TextRead::NoLine : TextRead::Line;
}

}  // namespace

bool ReadR12Entities(ByteView file, std::string& output) {
    size_t start = ReadLe32At(file, kEntitySectionStartAt);
    size_t end = FindEndMarker(file);
    if (start == 0 || end == 0 || start > end) return false;
    size_t limit = end >= 10 ? end - 10 : 0;

    std::string all;
    for (size_t pos = start; pos < limit;) {
        if (file.size - pos < kRecordHeaderBytes) break;
        int16_t length = static_cast<int16_t>(ReadLe16At(file, pos + 2));
        if (length <= 0) break;  // would never advance: damage
        if (file[pos] == kTextType) {
            if (file.size - pos < static_cast<size_t>(length)) break;
            std::string line;
            TextRead read =
                ReadR12Text(ByteView{file.data + pos, static_cast<size_t>(length)}, line);
            if (read == TextRead::Damaged) break;
            if (read == TextRead::Line) {
                all += line;
                all += "\r\n";
            }
        }
        pos += static_cast<size_t>(length);
    }
    RemoveSpaces(all);
    output += all;
    return true;
}

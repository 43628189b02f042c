#include "cache/text_cache_codec.h"

#include <lz4.h>
#include <zlib.h>

#include <cstdint>

namespace {

constexpr char kPlain = 0;
constexpr char kDeflated = 1;  // zlib: what earlier versions wrote, still read
constexpr char kLz4 = 2;
// Below this many bytes of lines, compressing saves too little to pay for
// the time it takes to decompress them again.
constexpr size_t kCompressFrom = 128;
// The most a stored list may inflate to: more than any text a reader gives
// (its byte limit and a few bytes a line), so damage cannot ask for more.
constexpr uint64_t kMaxListBytes = uint64_t{64} << 20;

void PutVarint(std::string& out, uint64_t value) {
    while (value >= 0x80) {
        out += static_cast<char>(0x80 | (value & 0x7F));
        value >>= 7;
    }
    out += static_cast<char>(value);
}

bool GetVarint(std::string_view data, size_t& pos, uint64_t& value) {
    value = 0;
    for (int shift = 0; shift < 64 && pos < data.size(); shift += 7) {
        auto byte = static_cast<uint8_t>(data[pos++]);
        value |= uint64_t{byte & 0x7Fu} << shift;
        if ((byte & 0x80) == 0) return true;
    }
    return false;
}

std::string ListOf(const ExtractedText& text) {
    std::string list;
    list.reserve(text.ByteCount() + 3 * text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        TextLine line = text[i];
        list += static_cast<char>(line.kind);
        PutVarint(list, line.text.size());
        list.append(line.text);
    }
    return list;
}

bool ReadList(std::string_view list, ExtractedText& out) {
    size_t pos = 0;
    while (pos < list.size()) {
        auto kind = static_cast<uint8_t>(list[pos++]);
        uint64_t length = 0;
        if (kind >= kTextKindCount || !GetVarint(list, pos, length) || length > list.size() - pos) {
            return false;
        }
        out.Add(static_cast<TextKind>(kind), list.substr(pos, static_cast<size_t>(length)));
        pos += static_cast<size_t>(length);
    }
    return true;
}

}  // namespace

std::string EncodeCachedLines(const ExtractedText& text) {
    std::string list = ListOf(text);
    if (list.size() >= kCompressFrom && list.size() <= static_cast<size_t>(LZ4_MAX_INPUT_SIZE)) {
        const int size = static_cast<int>(list.size());
        std::string stored(1, kLz4);
        PutVarint(stored, list.size());
        const size_t head = stored.size();
        stored.resize(head + static_cast<size_t>(LZ4_compressBound(size)));
        const int packed = LZ4_compress_default(list.data(), stored.data() + head, size,
                                                static_cast<int>(stored.size() - head));
        if (packed > 0 && head + static_cast<size_t>(packed) < list.size()) {
            stored.resize(head + static_cast<size_t>(packed));
            return stored;
        }
    }
    list.insert(list.begin(), kPlain);
    return list;
}

bool DecodeCachedLines(std::string_view stored, ExtractedText& out) {
    if (stored.empty()) return false;
    bool sound = false;
    if (stored[0] == kPlain) {
        sound = ReadList(stored.substr(1), out);
    } else if (stored[0] == kDeflated || stored[0] == kLz4) {
        size_t pos = 1;
        uint64_t size = 0;
        if (GetVarint(stored, pos, size) && size <= kMaxListBytes) {
            std::string list(static_cast<size_t>(size), '\0');
            const char* packed = stored.data() + pos;
            const size_t packedSize = stored.size() - pos;
            bool whole = false;
            if (stored[0] == kLz4) {
                // The safe decoder never writes past the list nor reads past
                // the stored bytes, whatever they hold.
                whole = packedSize <= static_cast<size_t>(INT32_MAX) &&
                        LZ4_decompress_safe(packed, list.data(), static_cast<int>(packedSize),
                                            static_cast<int>(size)) == static_cast<int>(size);
            } else {
                uLongf inflated = static_cast<uLongf>(size);
                whole = uncompress(reinterpret_cast<Bytef*>(list.data()), &inflated,
                                   reinterpret_cast<const Bytef*>(packed),
                                   static_cast<uLong>(packedSize)) == Z_OK &&
                        inflated == size;
            }
            sound = whole && ReadList(list, out);
        }
    }
    if (!sound) out.Clear();
    return sound;
}

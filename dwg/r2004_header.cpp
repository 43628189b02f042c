#include "dwg/r2004_header.h"

#include <array>
#include <cstring>

namespace {

constexpr char kHeaderId[12] = {'A', 'c', 'F', 's', 's', 'F', 'c', 'A', 'J', 'M', 'B', '\0'};
constexpr size_t kCrcAt = 0x68;
constexpr size_t kSectionMapIdAt = 0x5C;
constexpr size_t kPageMapAddressAt = 0x54;
// The page map's address counts from the end of the header block.
constexpr uint64_t kPageMapBase = 0x100;

// CRC-32 (reflected polynomial 0xEDB88320, initial and final XOR 0xFFFFFFFF).
uint32_t Crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// The unmasked copy at `offset`, or nothing when the file does not hold it.
std::optional<std::array<uint8_t, kR2004HeaderSize>> ReadCopy(ByteSource& file, uint64_t offset) {
    std::vector<uint8_t> scratch;
    ByteView bytes = file.Read(offset, kR2004HeaderSize, scratch);
    if (bytes.size != kR2004HeaderSize) return std::nullopt;
    std::array<uint8_t, kR2004HeaderSize> plain;
    std::memcpy(plain.data(), bytes.data, plain.size());
    MaskR2004Header(plain.data(), plain.size());
    return plain;
}

}  // namespace

void MaskR2004Header(uint8_t* bytes, size_t count) {
    uint32_t seed = 1;
    for (size_t i = 0; i < count; ++i) {
        seed = seed * 0x343FDu + 0x269EC3u;
        bytes[i] ^= static_cast<uint8_t>(seed >> 16);
    }
}

std::optional<R2004FileHeader> ParseR2004FileHeader(ByteView plain, bool* crcMatches) {
    if (plain.size < kR2004HeaderSize) return std::nullopt;
    if (std::memcmp(plain.data, kHeaderId, sizeof kHeaderId) != 0) return std::nullopt;
    if (crcMatches != nullptr) {
        std::array<uint8_t, kR2004HeaderSize> zeroed;
        std::memcpy(zeroed.data(), plain.data, zeroed.size());
        std::memset(zeroed.data() + kCrcAt, 0, 4);
        *crcMatches = Crc32(zeroed.data(), zeroed.size()) == ReadLe32At(plain, kCrcAt);
    }
    R2004FileHeader header;
    uint64_t address = ReadLe64At(plain, kPageMapAddressAt);
    header.pageMapOffset = address <= UINT64_MAX - kPageMapBase ? address + kPageMapBase : 0;
    header.sectionMapId = ReadLe32At(plain, kSectionMapIdAt);
    return header;
}

std::optional<R2004FileHeader> ReadR2004FileHeader(ByteSource& file) {
    std::optional<R2004FileHeader> first;
    bool firstCrc = false;
    if (auto plain = ReadCopy(file, kR2004HeaderOffset)) {
        first = ParseR2004FileHeader({plain->data(), plain->size()}, &firstCrc);
        if (first && firstCrc) return first;
    }
    if (file.Size() >= kR2004HeaderOffset + 2 * kR2004HeaderSize) {
        if (auto plain = ReadCopy(file, file.Size() - kR2004HeaderSize)) {
            bool crc = false;
            auto last = ParseR2004FileHeader({plain->data(), plain->size()}, &crc);
            if (last && crc) return last;
        }
    }
    return first;
}

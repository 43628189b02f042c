#include "dwg/r2004_pages.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "dwg/lz77_2004.h"

namespace {

constexpr uint32_t kDataPageMask = 0x4164536B;
constexpr uint32_t kCompressedSystemPage = 2;
constexpr size_t kSystemChecksumAt = 16;

// The most bytes a page of `size` bytes takes compressed: LZ77 that gives up
// on data stores it as literal runs, a few bytes longer than the data.
uint64_t MaxCompressedSize(uint64_t size) { return size + size / 8 + 64; }

}  // namespace

uint32_t R2004PageChecksum(uint32_t seed, ByteView data) {
    uint32_t low = seed & 0xFFFF;
    uint32_t high = seed >> 16;
    size_t pos = 0;
    while (pos < data.size) {
        // 0x15B0 bytes keep both sums inside 32 bits before they are reduced.
        size_t end = pos + std::min<size_t>(0x15B0, data.size - pos);
        for (; pos < end; ++pos) {
            low += data[pos];
            high += low;
        }
        low %= 0xFFF1;
        high %= 0xFFF1;
    }
    return high << 16 | (low & 0xFFFF);
}

bool ReadR2004SystemPage(ByteSource& file, uint64_t offset, uint32_t type,
                         std::vector<uint8_t>& out) {
    std::vector<uint8_t> scratch;
    ByteView view = file.Read(offset, kR2004SystemPageHeaderSize, scratch);
    if (view.size != kR2004SystemPageHeaderSize) return false;
    std::array<uint8_t, kR2004SystemPageHeaderSize> header;
    std::memcpy(header.data(), view.data, header.size());
    ByteView fields{header.data(), header.size()};
    uint32_t decompressedSize = ReadLe32At(fields, 4);
    uint32_t compressedSize = ReadLe32At(fields, 8);
    uint32_t checksum = ReadLe32At(fields, kSystemChecksumAt);
    if (ReadLe32At(fields, 0) != type || ReadLe32At(fields, 12) != kCompressedSystemPage ||
        decompressedSize > kR2004MaxSystemPageSize ||
        compressedSize > MaxCompressedSize(decompressedSize)) {
        return false;
    }
    ByteView data = file.Read(offset + kR2004SystemPageHeaderSize, compressedSize, scratch);
    if (data.size != compressedSize) return false;
    std::memset(header.data() + kSystemChecksumAt, 0, 4);
    if (R2004PageChecksum(R2004PageChecksum(0, fields), data) != checksum) return false;
    return DecompressLz77_2004(data, decompressedSize, out) && out.size() == decompressedSize;
}

R2004DataPageHeader DecryptR2004DataPageHeader(ByteView bytes, uint64_t pageOffset) {
    if (bytes.size < kR2004DataPageHeaderSize) return {};
    uint32_t mask = kDataPageMask ^ static_cast<uint32_t>(pageOffset);
    std::array<uint32_t, 8> w;
    for (size_t k = 0; k < w.size(); ++k) w[k] = ReadLe32At(bytes, 4 * k) ^ mask;
    return {w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7]};
}

bool ReadR2004DataPage(ByteSource& file, uint64_t fileOffset, uint64_t extent,
                       const R2004DataPageExpectation& expect, std::vector<uint8_t>& scratch,
                       std::vector<uint8_t>& out) {
    if (extent < kR2004DataPageHeaderSize) return false;
    ByteView view = file.Read(fileOffset, kR2004DataPageHeaderSize, scratch);
    if (view.size != kR2004DataPageHeaderSize) return false;
    R2004DataPageHeader header = DecryptR2004DataPageHeader(view, fileOffset);
    if (header.type != kR2004DataPageType || header.sectionId != expect.sectionId ||
        header.startOffset != static_cast<uint32_t>(expect.startOffset) ||
        header.compressedSize > extent - kR2004DataPageHeaderSize ||
        header.compressedSize > MaxCompressedSize(expect.pageSize)) {
        return false;
    }
    ByteView data =
        file.Read(fileOffset + kR2004DataPageHeaderSize, header.compressedSize, scratch);
    if (data.size != header.compressedSize) return false;

    // The header's checksum covers its unmasked words, its own field (at 0x18) zero.
    uint32_t dataChecksum = R2004PageChecksum(0, data);
    std::array<uint8_t, kR2004DataPageHeaderSize> plain{};
    const uint32_t words[8] = {header.type,
                               header.sectionId,
                               header.compressedSize,
                               header.pageSize,
                               header.startOffset,
                               header.unknown,
                               0,
                               header.dataChecksum};
    for (size_t k = 0; k < 8; ++k) {
        for (size_t b = 0; b < 4; ++b) plain[4 * k + b] = static_cast<uint8_t>(words[k] >> 8 * b);
    }
    if (dataChecksum != header.dataChecksum ||
        R2004PageChecksum(dataChecksum, {plain.data(), plain.size()}) != header.headerChecksum) {
        return false;
    }
    if (expect.compressed) return DecompressLz77_2004(data, expect.pageSize, out);
    out.assign(data.data, data.data + std::min<size_t>(data.size, expect.pageSize));
    return true;
}

#include "dwg/r2004_pages.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "dwg/lz77_2004.h"

namespace {

constexpr uint32_t kDataPageMask = 0x4164536B;
constexpr uint32_t kCompressedSystemPage = 2;
constexpr size_t kSystemChecksumAt = 16;
constexpr size_t kDataHeaderChecksumAt = 24;

// Fuzzing builds take pages whatever their checksums say, so that the fuzzer
// reaches the maps and data behind them; every other build checks them.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr bool kCheckChecksums = false;
#else
constexpr bool kCheckChecksums = true;
#endif

// The most bytes a page of `size` bytes takes compressed: LZ77 that gives up
// on data stores it as literal runs, a few bytes longer than the data.
uint64_t MaxCompressedSize(uint64_t size) { return size + size / 8 + 64; }

// A data page's header, unmasked.
struct R2004DataPageHeader {
    uint32_t type = 0;            // kR2004DataPageType
    uint32_t sectionId = 0;       // the section the page belongs to
    uint32_t compressedSize = 0;  // bytes of data after the header
    uint32_t pageSize = 0;        // bytes the page takes in the file
    uint32_t startOffset = 0;     // where its data goes in the section
    uint32_t unknown = 0;
    uint32_t headerChecksum = 0;  // page checksum of the header (this field zero), seeded
                                  // with the data checksum
    uint32_t dataChecksum = 0;    // page checksum of the compressed data, seed 0
};

using DataPageHeaderBytes = std::array<uint8_t, kR2004DataPageHeaderSize>;

// The header's bytes unmasked: each 32-bit word XORed with the page's mask.
DataPageHeaderBytes UnmaskDataPageHeader(ByteView bytes, uint64_t pageOffset) {
    DataPageHeaderBytes plain{};
    if (bytes.size < plain.size()) return plain;
    uint32_t mask = kDataPageMask ^ static_cast<uint32_t>(pageOffset);
    for (size_t k = 0; k < plain.size(); ++k) {
        plain[k] = static_cast<uint8_t>(bytes[k] ^ (mask >> 8 * (k % 4)));
    }
    return plain;
}

R2004DataPageHeader ParseDataPageHeader(const DataPageHeaderBytes& plain) {
    ByteView v{plain.data(), plain.size()};
    return {ReadLe32At(v, 0),  ReadLe32At(v, 4),  ReadLe32At(v, 8),  ReadLe32At(v, 12),
            ReadLe32At(v, 16), ReadLe32At(v, 20), ReadLe32At(v, 24), ReadLe32At(v, 28)};
}

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
    if (kCheckChecksums && R2004PageChecksum(R2004PageChecksum(0, fields), data) != checksum) {
        return false;
    }
    return DecompressLz77_2004(data, decompressedSize, out) && out.size() == decompressedSize;
}

bool ReadR2004DataPage(ByteSource& file, uint64_t fileOffset, uint64_t extent,
                       const R2004DataPageExpectation& expect, std::vector<uint8_t>& scratch,
                       std::vector<uint8_t>& out) {
    if (extent < kR2004DataPageHeaderSize) return false;
    ByteView view = file.Read(fileOffset, kR2004DataPageHeaderSize, scratch);
    if (view.size != kR2004DataPageHeaderSize) return false;
    DataPageHeaderBytes plain = UnmaskDataPageHeader(view, fileOffset);
    R2004DataPageHeader header = ParseDataPageHeader(plain);
    if (header.type != kR2004DataPageType || header.sectionId != expect.sectionId ||
        header.startOffset != static_cast<uint32_t>(expect.startOffset) ||
        header.compressedSize > extent - kR2004DataPageHeaderSize ||
        header.compressedSize > MaxCompressedSize(expect.pageSize)) {
        return false;
    }
    ByteView data =
        file.Read(fileOffset + kR2004DataPageHeaderSize, header.compressedSize, scratch);
    if (data.size != header.compressedSize) return false;

    // The header's checksum covers its unmasked bytes, its own field zero.
    uint32_t dataChecksum = R2004PageChecksum(0, data);
    std::memset(plain.data() + kDataHeaderChecksumAt, 0, 4);
    if (kCheckChecksums &&
        (dataChecksum != header.dataChecksum ||
         R2004PageChecksum(dataChecksum, {plain.data(), plain.size()}) != header.headerChecksum)) {
        return false;
    }
    if (expect.compressed) return DecompressLz77_2004(data, expect.pageSize, out);
    out.assign(data.data, data.data + std::min<size_t>(data.size, expect.pageSize));
    return true;
}

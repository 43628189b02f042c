#include "dwg/r2007_pages.h"

#include "dwg/lz77_2007.h"
#include "dwg/reed_solomon_2007.h"

namespace {

constexpr uint64_t kSystemDataBytes = 239;  // data bytes of a system page's codeword
constexpr uint64_t kDataPageDataBytes = 251;

uint64_t RoundUpTo8(uint64_t n) { return (n + 7) & ~uint64_t{7}; }

uint64_t CodewordsFor(uint64_t bytes, uint64_t dataBytes) {
    return (bytes + dataBytes - 1) / dataBytes;
}

// The page's `size` bytes of data from `payload`, whose first `compressedSize`
// bytes are compressed when that is below `size`.
bool TakeData(ByteView payload, uint64_t compressedSize, uint64_t size, std::vector<uint8_t>& out) {
    if (compressedSize < size) {
        if (compressedSize > payload.size) return false;
        return DecompressLz77R2007({payload.data, static_cast<size_t>(compressedSize)},
                                   static_cast<size_t>(size), out);
    }
    if (size > payload.size) return false;
    out.assign(payload.data, payload.data + size);
    return true;
}

}  // namespace

uint64_t R2007SystemPageBytes(uint64_t compressedSize, uint64_t correction) {
    if (compressedSize == 0 || compressedSize > kMaxR2007PageBytes || correction == 0) return 0;
    uint64_t rounded = RoundUpTo8(compressedSize);
    if (correction > kMaxR2007PageBytes / rounded) return 0;
    uint64_t stored =
        CodewordsFor(rounded * correction, kSystemDataBytes) * kReedSolomonCodewordBytes;
    return stored <= kMaxR2007PageBytes ? stored : 0;
}

bool DecodeR2007SystemPage(ByteView stored, uint64_t compressedSize, uint64_t size,
                           uint64_t correction, std::vector<uint8_t>& out) {
    out.clear();
    uint64_t storedBytes = R2007SystemPageBytes(compressedSize, correction);
    if (storedBytes == 0 || size > kMaxR2007PageBytes || stored.size < storedBytes) return false;
    std::vector<uint8_t> payload;
    if (!DeinterleaveReedSolomon(stored, storedBytes / kReedSolomonCodewordBytes, kSystemDataBytes,
                                 payload)) {
        return false;
    }
    return TakeData({payload.data(), payload.size()}, compressedSize, size, out);
}

uint64_t R2007DataPageBytes(uint64_t compressedSize, uint64_t size, bool reedSolomon) {
    if (size == 0 || compressedSize > kMaxR2007PageBytes || size > kMaxR2007PageBytes) return 0;
    if (!reedSolomon) return compressedSize < size ? compressedSize : size;
    // The codewords hold the compressed size's bytes, also when the data is
    // stored as it is (a compressed size not below the data size).
    return CodewordsFor(RoundUpTo8(compressedSize), kDataPageDataBytes) * kReedSolomonCodewordBytes;
}

bool DecodeR2007DataPage(ByteView stored, uint64_t compressedSize, uint64_t size, bool reedSolomon,
                         std::vector<uint8_t>& out) {
    out.clear();
    if (size == 0) return true;
    uint64_t storedBytes = R2007DataPageBytes(compressedSize, size, reedSolomon);
    if (storedBytes == 0 || stored.size < storedBytes) return false;
    if (!reedSolomon) return TakeData(stored, compressedSize, size, out);
    std::vector<uint8_t> payload;
    if (!DeinterleaveReedSolomon(stored, storedBytes / kReedSolomonCodewordBytes,
                                 kDataPageDataBytes, payload)) {
        return false;
    }
    return TakeData({payload.data(), payload.size()}, compressedSize, size, out);
}

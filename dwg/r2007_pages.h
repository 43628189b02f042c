#pragma once

#include <cstdint>
#include <vector>

#include "bytes/byte_view.h"

// The pages of an AC1021 drawing as stored: Reed-Solomon coded (interleaved
// codewords, see reed_solomon_2007.h) and LZ77 compressed (lz77_2007.h). A
// page is compressed when its compressed size is below its data size;
// otherwise its first `size` bytes are the data.

// No page stores or gives more than this, whatever its sizes say.
constexpr uint64_t kMaxR2007PageBytes = uint64_t{4} << 20;

// System pages (the page map and the section map) hold `compressedSize`
// bytes, rounded up to a multiple of 8 and repeated `correction` times, in
// codewords of 239 data bytes. The bytes such a page takes in the file (whole
// codewords), or 0 when its sizes are out of bounds (no bytes, a correction
// of 0, more than kMaxR2007PageBytes).
uint64_t R2007SystemPageBytes(uint64_t compressedSize, uint64_t correction);

// The `size` bytes of data of a system page from its stored bytes `stored`
// into `out`. Returns false when the page is damaged: sizes out of bounds,
// `stored` shorter than R2007SystemPageBytes, data that does not decompress.
bool DecodeR2007SystemPage(ByteView stored, uint64_t compressedSize, uint64_t size,
                           uint64_t correction, std::vector<uint8_t>& out);

// Data pages hold `compressedSize` bytes, rounded up to a multiple of 8, in
// codewords of 251 data bytes when the section is Reed-Solomon coded, or as
// they are otherwise. The bytes such a page takes from its start in the file,
// or 0 when it has no data (size 0) or its sizes are more than
// kMaxR2007PageBytes.
uint64_t R2007DataPageBytes(uint64_t compressedSize, uint64_t size, bool reedSolomon);

// The `size` bytes of data of a data page from its stored bytes `stored` into
// `out`. Returns false when the page is damaged: sizes out of bounds, `stored`
// shorter than R2007DataPageBytes, data that does not decompress. A page of
// size 0 gives no bytes.
bool DecodeR2007DataPage(ByteView stored, uint64_t compressedSize, uint64_t size, bool reedSolomon,
                         std::vector<uint8_t>& out);

#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bytes/byte_source.h"
#include "bytes/byte_view.h"

// The pages of a 2004-or-later drawing's container. System pages (the page
// map and the section map) have a plain 20-byte header; data pages (the
// sections' data) a masked 32-byte one. Both carry checksums.

constexpr uint32_t kR2004PageMapType = 0x41630E3B;
constexpr uint32_t kR2004SectionMapType = 0x4163003B;
constexpr uint32_t kR2004DataPageType = 0x4163043B;

constexpr size_t kR2004SystemPageHeaderSize = 20;
constexpr size_t kR2004DataPageHeaderSize = 32;

// Caps on what a page may claim to decompress to: system pages describe the
// whole file (4 MiB of maps covers drawings of gigabytes); compressed data
// pages are 0x7400 bytes in practice; stored (uncompressed) pages, such as a
// preview image's, a few hundred KiB.
constexpr size_t kR2004MaxSystemPageSize = 4 << 20;
constexpr size_t kR2004MaxCompressedPageSize = 0x10000;
constexpr size_t kR2004MaxStoredPageSize = 0x80000;

// The page checksum, an Adler-32 variant: two 16-bit sums (the low and high
// halves of `seed`), summed a block of 0x15B0 bytes at a time and reduced
// modulo 0xFFF1 after each block; the result is high << 16 | low.
uint32_t R2004PageChecksum(uint32_t seed, ByteView data);

// Reads the system page of `type` at file offset `offset` into `out`. Its
// header: type, decompressed size, compressed size, compression (2), and the
// checksum of the header (checksum field zero, seed 0) continued over the
// compressed data. False when the page is damaged: another type or
// compression, a decompressed size over kR2004MaxSystemPageSize, compressed
// data longer than its decompressed size allows (an eighth more, + 64) or past
// the end of the file, a checksum that does not match, or data that does not
// decompress to exactly its stated size.
bool ReadR2004SystemPage(ByteSource& file, uint64_t offset, uint32_t type,
                         std::vector<uint8_t>& out);

// What the section map says about a data page, which its header must repeat.
struct R2004DataPageExpectation {
    uint32_t sectionId = 0;
    uint64_t startOffset = 0;
    bool compressed = true;  // LZ77 data; stored as is otherwise
    size_t pageSize = 0;     // the section's page size: what the data decompresses to
};

// Reads the data page at `fileOffset`, which takes `extent` bytes in the file
// (from the page map), into `out`. The page starts with a header of eight
// 32-bit words, each XORed in the file with 0x4164536B ^ (the page's file
// offset): type (kR2004DataPageType), section id, compressed size, page size,
// start offset in the section, an unknown word, the header's checksum and the
// data's checksum. `out` gets the decompressed data (at most
// `expect.pageSize` bytes; a stream that ends early gives fewer). `scratch`
// holds the compressed bytes. False when the page is damaged: a header of
// another type, section or start offset, data beyond the page's extent or the
// file or longer than the page size allows (an eighth more, + 64), a checksum that does not match,
// or a stream that does not decompress.
bool ReadR2004DataPage(ByteSource& file, uint64_t fileOffset, uint64_t extent,
                       const R2004DataPageExpectation& expect, std::vector<uint8_t>& scratch,
                       std::vector<uint8_t>& out);

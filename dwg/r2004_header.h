#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "bytes/byte_source.h"
#include "bytes/byte_view.h"

// The file header of a 2004-or-later drawing (AC1018, AC1024, AC1027,
// AC1032). The first 0x80 bytes are plain (version string, code page at
// 0x13, ...); the 0x6C bytes at 0x80 are masked and say where the page map
// and the section map are. Writers repeat the masked bytes at the end of the
// file.

constexpr uint64_t kR2004HeaderOffset = 0x80;
constexpr size_t kR2004HeaderSize = 0x6C;

// What the container needs from the header.
struct R2004FileHeader {
    uint64_t pageMapOffset = 0;  // file offset of the page map's system page
    uint32_t sectionMapId = 0;   // page number of the section map's system page
};

// XORs `count` bytes with the header mask: a generator with seed 1 that, for
// each byte, sets seed = seed * 0x343FD + 0x269EC3 and gives bits 16-23 of
// the seed. Masking twice gives the bytes back.
void MaskR2004Header(uint8_t* bytes, size_t count);

// The fields of an unmasked header (kR2004HeaderSize bytes); nothing when it
// is shorter or does not start with the id "AcFssFcAJMB\0". `crcMatches` (when
// given) says whether its CRC-32 (at 0x68, computed over the 0x6C bytes with
// that field zero) matches.
std::optional<R2004FileHeader> ParseR2004FileHeader(ByteView plain, bool* crcMatches = nullptr);

// The header of `file`: the copy at 0x80 when its CRC matches, else the copy
// in the last 0x6C bytes of the file when its CRC does, else the copy at 0x80
// when its id is right (a writer may leave the CRC wrong). Nothing when no
// copy has the id.
std::optional<R2004FileHeader> ReadR2004FileHeader(ByteSource& file);

#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bytes/byte_view.h"

// Reed-Solomon (255, k) coding of AC1021 drawings, as stored: `blockCount`
// codewords of 255 bytes are interleaved byte by byte, so byte j of codeword i
// sits at i + j * blockCount. The first k bytes of each codeword are data, the
// rest parity. The file header and the system pages use k = 239, data pages
// k = 251.
constexpr size_t kReedSolomonCodewordBytes = 255;

// The data bytes of `blockCount` interleaved codewords, codeword after
// codeword (blockCount * dataBytes bytes), into `out`. Parity is not checked
// and nothing is corrected.
//
// Returns false, leaving `out` empty, when `coded` is shorter than the
// codewords it should hold, when `blockCount` is 0, or when `dataBytes` is 0
// or more than a codeword.
bool DeinterleaveReedSolomon(ByteView coded, size_t blockCount, size_t dataBytes,
                             std::vector<uint8_t>& out);

#pragma once

// Builders for AC1021 test inputs: interleaved Reed-Solomon codewords (with
// made-up parity), 64-bit fields, system pages and data pages.

#include <cstdint>
#include <string>
#include <string_view>

namespace r2007_testing {

constexpr char kParity = '\xEE';

// `blockCount` codewords of 255 bytes whose first `dataBytes` are the next
// bytes of `data` (zeros past its end) and the rest kParity, interleaved:
// byte j of codeword i at i + j * blockCount. A `blockCount` of 0 takes as
// many codewords as `data` needs.
inline std::string Interleave(std::string_view data, size_t dataBytes, size_t blockCount = 0) {
    if (blockCount == 0) blockCount = (data.size() + dataBytes - 1) / dataBytes;
    std::string coded(blockCount * 255, kParity);
    for (size_t block = 0; block < blockCount; ++block) {
        for (size_t j = 0; j < dataBytes; ++j) {
            size_t from = block * dataBytes + j;
            coded[block + j * blockCount] = from < data.size() ? data[from] : '\0';
        }
    }
    return coded;
}

inline std::string Le64(uint64_t value) {
    std::string bytes;
    for (int k = 0; k < 8; ++k) bytes += static_cast<char>(value >> (8 * k));
    return bytes;
}

inline std::string PadTo8(std::string_view data) {
    std::string padded(data);
    padded.resize((padded.size() + 7) / 8 * 8, '\0');
    return padded;
}

// A system page holding `data` as it is (compressed size = data size),
// repeated `correction` times, in codewords of 239 data bytes.
inline std::string SystemPage(std::string_view data, uint64_t correction) {
    std::string repeated;
    for (uint64_t k = 0; k < correction; ++k) repeated += PadTo8(data);
    return Interleave(repeated, 239);
}

// A Reed-Solomon coded data page holding `payload` (compressed or not), in
// codewords of 251 data bytes.
inline std::string DataPage(std::string_view payload) { return Interleave(PadTo8(payload), 251); }

// `text` as UTF-16LE with a closing zero.
inline std::string Utf16(std::string_view text) {
    std::string bytes;
    for (char ch : text) bytes += std::string{ch, '\0'};
    return bytes + std::string(2, '\0');
}

}  // namespace r2007_testing

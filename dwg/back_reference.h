#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Copies `length` bytes to `to` from `distance` bytes before it, as the LZ77
// decompressors' back-references do: where the copy overlaps what it writes
// (distance < length), the `distance` bytes before `to` repeat. The repeated
// run is copied in pieces that double, each from the start of the pattern,
// so a long run of one byte costs a few memcpy calls, not a loop of
// dependent byte stores. The caller has checked that `distance` bytes are
// written before `to` and that `length` fit after it; `distance` > 0.
inline void CopyBackReference(uint8_t* to, size_t distance, size_t length) {
    const uint8_t* from = to - distance;
    if (distance >= length) {
        std::memcpy(to, from, length);
        return;
    }
    // to[k] = from[k mod distance]; after `done` bytes (a multiple of
    // `distance`) the distance + done bytes from `from` hold the pattern whole
    // times, and copying them never overlaps their destination.
    size_t done = 0;
    while (done < length) {
        size_t piece = std::min(length - done, distance + done);
        std::memcpy(to + done, from, piece);
        done += piece;
    }
}

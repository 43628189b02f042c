#include "dwg/reed_solomon_2007.h"

bool DeinterleaveReedSolomon(ByteView coded, size_t blockCount, size_t dataBytes,
                             std::vector<uint8_t>& out) {
    out.clear();
    if (blockCount == 0 || dataBytes == 0 || dataBytes > kReedSolomonCodewordBytes) return false;
    if (blockCount > coded.size / kReedSolomonCodewordBytes) return false;
    out.resize(blockCount * dataBytes);
    uint8_t* to = out.data();
    for (size_t block = 0; block < blockCount; ++block) {
        for (size_t j = 0; j < dataBytes; ++j) *to++ = coded[block + j * blockCount];
    }
    return true;
}

#include "dwg/reed_solomon_2007.h"

#include <gtest/gtest.h>

#include "tests/dwg/r2007_builder.h"

using r2007_testing::Interleave;

namespace {

std::string Deinterleaved(const std::string& coded, size_t blockCount, size_t dataBytes,
                          bool* ok = nullptr) {
    std::vector<uint8_t> exact(coded.begin(), coded.end());  // an over-read trips ASan
    std::vector<uint8_t> out{1, 2, 3};
    bool done = DeinterleaveReedSolomon({exact.data(), exact.size()}, blockCount, dataBytes, out);
    if (ok != nullptr) *ok = done;
    return std::string(out.begin(), out.end());
}

std::string Numbered(size_t count) {
    std::string data;
    for (size_t k = 0; k < count; ++k) data += static_cast<char>(k * 7 + 1);
    return data;
}

}  // namespace

TEST(DeinterleaveReedSolomon, TakesEachCodewordsDataBytesInTurn) {
    for (size_t dataBytes : {239u, 251u}) {
        for (size_t blocks : {1u, 3u, 5u}) {
            std::string data = Numbered(blocks * dataBytes);
            std::string coded = Interleave(data, dataBytes, blocks);
            bool ok = false;
            EXPECT_EQ(Deinterleaved(coded, blocks, dataBytes, &ok), data)
                << blocks << " x " << dataBytes;
            EXPECT_TRUE(ok);
            // Room past the codewords (the file header has some) changes nothing.
            EXPECT_EQ(Deinterleaved(coded + std::string(40, 'x'), blocks, dataBytes), data);
        }
    }
}

TEST(DeinterleaveReedSolomon, RefusesCodewordsThatDoNotFit) {
    std::string coded = Interleave(Numbered(3 * 239), 239, 3);
    bool ok = true;
    EXPECT_EQ(Deinterleaved(coded.substr(0, coded.size() - 1), 3, 239, &ok), "");
    EXPECT_FALSE(ok);
    EXPECT_EQ(Deinterleaved(coded, 4, 239, &ok), "");
    EXPECT_FALSE(ok);
    EXPECT_EQ(Deinterleaved(coded, 0, 239, &ok), "");
    EXPECT_FALSE(ok);
    EXPECT_EQ(Deinterleaved(coded, 3, 256, &ok), "");  // more than a codeword
    EXPECT_FALSE(ok);
    EXPECT_EQ(Deinterleaved(coded, 3, 0, &ok), "");
    EXPECT_FALSE(ok);
}

#include "dwg/r2007_pages.h"

#include <gtest/gtest.h>

#include "tests/dwg/r2007_builder.h"
#include "tests/test_support.h"

using r2007_testing::DataPage;
using r2007_testing::SystemPage;
using testing_support::Hex;

namespace {

// "ABCDEFGH" as 8 literal bytes, then 24 bytes copied from 8 back: 32 bytes.
const std::string kCompressed = Hex("00 41 42 43 44 45 46 47 48 20 08 00 18");
const std::string kDecompressed = "ABCDEFGHABCDEFGHABCDEFGHABCDEFGH";

struct Result {
    bool ok = false;
    std::string data;
};

Result System(const std::string& stored, uint64_t compressedSize, uint64_t size,
              uint64_t correction) {
    std::vector<uint8_t> exact(stored.begin(), stored.end());
    std::vector<uint8_t> out;
    Result r;
    r.ok =
        DecodeR2007SystemPage({exact.data(), exact.size()}, compressedSize, size, correction, out);
    r.data.assign(out.begin(), out.end());
    return r;
}

Result Data(const std::string& stored, uint64_t compressedSize, uint64_t size, bool reedSolomon) {
    std::vector<uint8_t> exact(stored.begin(), stored.end());
    std::vector<uint8_t> out;
    Result r;
    r.ok =
        DecodeR2007DataPage({exact.data(), exact.size()}, compressedSize, size, reedSolomon, out);
    r.data.assign(out.begin(), out.end());
    return r;
}

std::string Numbered(size_t count) {
    std::string data;
    for (size_t k = 0; k < count; ++k) data += static_cast<char>('a' + k % 26);
    return data;
}

}  // namespace

TEST(R2007SystemPage, StoredBytesAreWholeCodewordsOfTheRepeatedData) {
    // 110 bytes round to 112, 8 times: 896 bytes in 4 codewords of 239.
    EXPECT_EQ(R2007SystemPageBytes(110, 8), 4u * 255);
    EXPECT_EQ(R2007SystemPageBytes(0x38E, 4), 16u * 255);
    EXPECT_EQ(R2007SystemPageBytes(0, 1), 0u);
    EXPECT_EQ(R2007SystemPageBytes(8, 0), 0u);
    EXPECT_EQ(R2007SystemPageBytes(8, uint64_t{1} << 62), 0u);  // gigabytes of room
    EXPECT_EQ(R2007SystemPageBytes(kMaxR2007PageBytes + 1, 1), 0u);
}

TEST(R2007SystemPage, GivesTheFirstCopyOfItsData) {
    std::string data = Numbered(300);
    for (uint64_t correction : {1u, 3u}) {
        std::string stored = SystemPage(data, correction);
        Result r = System(stored, 300, 300, correction);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.data, data);
        EXPECT_FALSE(System(stored.substr(0, stored.size() - 1), 300, 300, correction).ok);
    }
    Result compressed = System(SystemPage(kCompressed, 2), kCompressed.size(), 32, 2);
    EXPECT_TRUE(compressed.ok);
    EXPECT_EQ(compressed.data, kDecompressed);
    // A stored page holds no more than its compressed size.
    EXPECT_FALSE(System(SystemPage(data, 1), 300, 2000, 1).ok);
}

TEST(R2007DataPage, ReedSolomonCodedOrNotCompressedOrNot) {
    std::string data = Numbered(600);  // three codewords of 251
    Result coded = Data(DataPage(data), 600, 600, true);
    EXPECT_TRUE(coded.ok);
    EXPECT_EQ(coded.data, data);  // no parity among the data
    EXPECT_EQ(R2007DataPageBytes(600, 600, true), 3u * 255);

    Result codedCompressed = Data(DataPage(kCompressed), kCompressed.size(), 32, true);
    EXPECT_TRUE(codedCompressed.ok);
    EXPECT_EQ(codedCompressed.data, kDecompressed);

    Result plain = Data(data + "room after", 600, 600, false);
    EXPECT_TRUE(plain.ok);
    EXPECT_EQ(plain.data, data);
    EXPECT_EQ(R2007DataPageBytes(600, 600, false), 600u);

    Result plainCompressed = Data(kCompressed, kCompressed.size(), 32, false);
    EXPECT_TRUE(plainCompressed.ok);
    EXPECT_EQ(plainCompressed.data, kDecompressed);

    Result empty = Data("", 0, 0, true);
    EXPECT_TRUE(empty.ok);
    EXPECT_EQ(empty.data, "");
}

TEST(R2007DataPage, DamageGivesFalse) {
    std::string data = Numbered(600);
    std::string coded = DataPage(data);
    EXPECT_FALSE(Data(coded.substr(0, coded.size() - 1), 600, 600, true).ok);
    EXPECT_FALSE(Data(data.substr(0, 599), 600, 600, false).ok);
    EXPECT_FALSE(Data(kCompressed, kCompressed.size(), 31, false).ok);  // data past the size
    EXPECT_FALSE(Data(kCompressed, 0, 32, false).ok);                   // no compressed bytes
    // A page claiming gigabytes is refused before anything is allocated for it.
    EXPECT_EQ(R2007DataPageBytes(100, uint64_t{1} << 32, true), 0u);
    EXPECT_FALSE(Data(DataPage(kCompressed), kCompressed.size(), uint64_t{1} << 32, true).ok);
    EXPECT_FALSE(Data(coded, kMaxR2007PageBytes + 1, 600, true).ok);
}

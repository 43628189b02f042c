#include "search/extract_text.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "search/drawing_types.h"
#include "tests/test_support.h"

using testing_support::Hex;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

TEST(ExtractTextOfType, EachKeyReachesItsReaderAndOthersGiveNothing) {
    std::string dxf = testing_support::DxfWithTexts({"X"});
    EXPECT_EQ(ExtractTextOfType("dxf", AsBytes(dxf)), "X\r\n");
    for (const char* key :
         {"dwg", "jwc", "mcd", "mpp", "mpx", "mpz", "jwk", "jww", "sfc", "p21", "txt", "", "DXF"}) {
        EXPECT_EQ(ExtractTextOfType(key, AsBytes(dxf)), "") << key;
    }
    std::string sfc =
        "ISO-10303-21;\n/*SXF\n#1 = text_string_feature('9','8','1',\\'S\\')\nSXF*/\n";
    EXPECT_EQ(ExtractTextOfType("sfc", AsBytes(sfc)), "S\r\n");
    std::string p21 = "ISO-10303-21;\nDATA;\n#1=TEXT_LITERAL('n','P',#2,'a',.R.,#3);\n";
    EXPECT_EQ(ExtractTextOfType("p21", AsBytes(p21)), "P\r\n");
    EXPECT_EQ(ExtractTextOfType("sfc", AsBytes(p21)), "");
    EXPECT_EQ(ExtractTextOfType("p21", AsBytes(sfc)), "");
}

TEST(ExtractText, ReadsRegularFilesByTheirExtensionWhateverItsCase) {
    TempDir dir;
    WriteFileBytes(dir.path() / "PLAN.DXF",
                   testing_support::DxfWithTexts({"\x95\xbd\x96\xca\x90\x7d"}));
    EXPECT_EQ(ExtractText(dir.path() / "PLAN.DXF"), "\x95\xbd\x96\xca\x90\x7d\r\n");
    WriteFileBytes(dir.path() / "empty.dxf", "");
    EXPECT_EQ(ExtractText(dir.path() / "empty.dxf"), "");
    WriteFileBytes(dir.path() / "note.txt", testing_support::DxfWithTexts({"X"}));
    EXPECT_EQ(ExtractText(dir.path() / "note.txt"), "");
    // The reader was once chosen by the last three characters alone.
    WriteFileBytes(dir.path() / "notes_dxf", testing_support::DxfWithTexts({"X"}));
    EXPECT_EQ(ExtractText(dir.path() / "notes_dxf"), "");
}

TEST(ExtractText, WhatCannotBeReadGivesEmptyTextWithoutBlocking) {
    TempDir dir;
    EXPECT_EQ(ExtractText(dir.path() / "missing.dxf"), "");
    std::filesystem::create_directory(dir.path() / "folder.dxf");
    EXPECT_EQ(ExtractText(dir.path() / "folder.dxf"), "");
    // A FIFO with no writer would block an ordinary open forever.
    std::string fifo = dir.path() / "pipe.dxf";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ExtractText(fifo), "");
    EXPECT_EQ(ExtractText("/dev/null.dxf"), "");
}

namespace {

// Gigabytes of zeros, as a sparse file reads (and says so): made when read,
// the largest read and the bytes read remembered.
class ZerosSource final : public ByteSource {
  public:
    explicit ZerosSource(uint64_t size) : m_size(size) {}
    uint64_t Size() const override { return m_size; }
    ByteView Read(uint64_t offset, size_t count, std::vector<uint8_t>& scratch) override {
        if (offset >= m_size) return {};
        if (count > m_size - offset) count = static_cast<size_t>(m_size - offset);
        m_largest = std::max(m_largest, count);
        m_total += count;
        scratch.assign(count, 0);
        return {scratch.data(), count};
    }
    // All of it a hole, as a sparse file says.
    uint64_t DataFrom(uint64_t) override { return m_size; }
    size_t m_largest = 0;
    uint64_t m_total = 0;

  private:
    uint64_t m_size;
};

}  // namespace

// The fault: a disk image or survey export named like a drawing was read
// into one buffer of its whole size, and three of them on the search's
// threads took every byte of memory.
TEST(ExtractTextOfType, NoReaderTakesAHugeFileIntoMemoryWhole) {
    for (const DrawingType& type : DrawingTypes()) {
        ZerosSource zeros(uint64_t{12} << 30);  // 12 GiB
        ExtractedText text;
        ExtractTextOfType(type.extension, zeros, text);
        EXPECT_TRUE(text.empty()) << type.extension;
        EXPECT_LE(zeros.m_largest, size_t{16} << 20) << type.extension;
        EXPECT_LE(zeros.m_total, uint64_t{64} << 20) << type.extension;
    }
}

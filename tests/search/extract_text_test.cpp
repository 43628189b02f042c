#include "search/extract_text.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/test_support.h"

using testing_support::Hex;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

TEST(ExtractTextOfType, EachKeyReachesItsReaderAndOthersGiveNothing) {
    std::string dxf = testing_support::DxfWithTexts({"X"});
    EXPECT_EQ(ExtractTextOfType("dxf", AsBytes(dxf)), "X\r\n");
    for (const char* key :
         {"dwg", "jwc", "mcd", "mpp", "mpx", "mpz", "jwk", "jww", "txt", "", "DXF"}) {
        EXPECT_EQ(ExtractTextOfType(key, AsBytes(dxf)), "") << key;
    }
    EXPECT_EQ(ExtractionKey("/a/PLAN.DXF"), "dxf");
    EXPECT_EQ(ExtractionKey("xf"), "xf");
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

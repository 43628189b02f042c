#include "results/file_list.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

using testing_support::Hex;

TEST(BuildDropFilesBlock, HeaderThenZeroEndedPathsThenAFinalZero) {
    std::vector<uint8_t> block = BuildDropFilesBlock({"c:\\a\\x.dxf", "c:\\b\\y.dwg"});
    ASSERT_EQ(block.size(), 43u);  // 20 + 11 + 11 + 1
    EXPECT_EQ(std::string(block.begin(), block.begin() + 20),
              Hex("14000000 00000000 00000000 00000000 00000000"));
    EXPECT_EQ(std::string(block.begin() + 20, block.end()),
              std::string("c:\\a\\x.dxf\0c:\\b\\y.dwg\0\0", 23));
    EXPECT_EQ(BuildDropFilesBlock({}).size(), 21u);
}

TEST(FileUri, EncodesEveryByteThatIsNoPlainPathCharacter) {
    EXPECT_EQ(FileUri("/a/plan_1-2.dxf"), "file:///a/plan_1-2.dxf");
    EXPECT_EQ(FileUri("/図面/a b%#?.dxf"), "file:///%E5%9B%B3%E9%9D%A2/a%20b%25%23%3F.dxf");
    EXPECT_EQ(FileUri("/\xff\n"), "file:///%FF%0A");  // not UTF-8, a line feed
}

TEST(BuildUriList, OneLinePerFileInTheGivenOrder) {
    EXPECT_EQ(BuildUriList({"/b/y.dwg", "/a/x.dxf"}), "file:///b/y.dwg\r\nfile:///a/x.dxf\r\n");
    EXPECT_EQ(BuildGnomeCopiedFiles({"/b/y.dwg", "/a/x.dxf"}),
              "copy\nfile:///b/y.dwg\nfile:///a/x.dxf");
}

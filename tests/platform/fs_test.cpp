#include "platform/fs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/test_support.h"

using testing_support::TempDir;
using testing_support::WriteFileBytes;

TEST(ReadWholeFile, GivesEveryByteOfARegularFile) {
    TempDir dir;
    std::string bytes("A\0\xff\r\n", 5);
    WriteFileBytes(dir.path() / "a.dxf", bytes);
    auto read = ReadWholeFile(dir.path() / "a.dxf");
    ASSERT_TRUE(read);
    EXPECT_EQ(std::string(read->begin(), read->end()), bytes);
    WriteFileBytes(dir.path() / "empty.dxf", "");
    ASSERT_TRUE(ReadWholeFile(dir.path() / "empty.dxf"));
    EXPECT_TRUE(ReadWholeFile(dir.path() / "empty.dxf")->empty());
}

TEST(ReadWholeFile, RefusesWhatIsNotARegularFile) {
    TempDir dir;
    EXPECT_FALSE(ReadWholeFile(dir.path() / "missing.dxf"));
    EXPECT_FALSE(ReadWholeFile(dir.path()));
    EXPECT_EQ(LastReadError(), "Is a directory");
    std::string fifo = dir.path() / "pipe.dxf";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ReadWholeFile(fifo));  // must return at once, not wait for a writer
    EXPECT_EQ(LastReadError(), "not a regular file");
    EXPECT_FALSE(ReadWholeFile("/dev/zero"));
}

TEST(ReadWholeFile, RefusesAFileWithoutReadPermission) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    TempDir dir;
    WriteFileBytes(dir.path() / "locked.dxf", "x");
    chmod((dir.path() / "locked.dxf").c_str(), 0);
    EXPECT_FALSE(ReadWholeFile(dir.path() / "locked.dxf"));
}

#include "platform/fs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_source.h"
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

TEST(OpenFileSource, ReadsPiecesOfARegularFileAndRefusesEverythingElse) {
    TempDir dir;
    WriteFileBytes(dir.path() / "a.dxf", "0123456789");
    std::unique_ptr<ByteSource> source = OpenFileSource(dir.path() / "a.dxf");
    ASSERT_TRUE(source);
    EXPECT_EQ(source->Size(), 10u);
    std::vector<uint8_t> scratch;
    ByteView view = source->Read(7, 100, scratch);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(view.data), view.size), "789");
    EXPECT_EQ(source->Read(10, 1, scratch).size, 0u);

    EXPECT_FALSE(OpenFileSource(dir.path() / "missing.dxf"));
    EXPECT_FALSE(OpenFileSource(dir.path()));
    EXPECT_EQ(LastReadError(), "Is a directory");
    std::string fifo = dir.path() / "pipe.dxf";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(OpenFileSource(fifo));  // must return at once, not wait for a writer
    EXPECT_EQ(LastReadError(), "not a regular file");
    EXPECT_FALSE(OpenFileSource("/dev/zero"));
}

TEST(OpenFileSource, AFileThatShrinksGivesShorterReads) {
    TempDir dir;
    WriteFileBytes(dir.path() / "a.dxf", "0123456789");
    std::unique_ptr<ByteSource> source = OpenFileSource(dir.path() / "a.dxf");
    ASSERT_TRUE(source);
    WriteFileBytes(dir.path() / "a.dxf", "0123");  // rewritten in place, shorter
    std::vector<uint8_t> scratch;
    EXPECT_EQ(source->Size(), 10u);
    EXPECT_EQ(source->Read(2, 8, scratch).size, 2u);
}

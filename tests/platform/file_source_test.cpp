#include "platform/file_source.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/test_support.h"

using testing_support::DescribeError;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

// What opening `path` gives: "open" or the error's kind and reason.
std::string Opened(const std::string& path, bool knownRegular = false) {
    ReadResult<std::unique_ptr<ByteSource>> source = OpenFileSource(path, knownRegular);
    return source ? "open" : DescribeError(source.Error());
}

}  // namespace

TEST(OpenFileSource, ReadsPiecesOfARegularFileAndRefusesEverythingElse) {
    TempDir dir;
    WriteFileBytes(dir.path() / "a.dxf", "0123456789");
    ReadResult<std::unique_ptr<ByteSource>> source = OpenFileSource(dir.path() / "a.dxf");
    ASSERT_TRUE(source);
    EXPECT_EQ((*source)->Size(), 10u);
    std::vector<uint8_t> scratch;
    ByteView view = (*source)->Read(7, 100, scratch);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(view.data), view.size), "789");
    EXPECT_EQ((*source)->Read(10, 1, scratch).size, 0u);
    std::string bytes("A\0\xff\r\n", 5);
    WriteFileBytes(dir.path() / "b.dxf", bytes);
    EXPECT_EQ(ReadBytes(**OpenFileSource(dir.path() / "b.dxf"), 0, 100),
              std::vector<uint8_t>(bytes.begin(), bytes.end()));
    WriteFileBytes(dir.path() / "empty.dxf", "");
    EXPECT_EQ(Opened(dir.path() / "empty.dxf"), "open");

    // Each refusal says why.
    EXPECT_EQ(Opened(dir.path() / "missing.dxf"), "missing: No such file or directory");
    EXPECT_EQ(Opened(dir.path()), "not a regular file: Is a directory");
    std::string fifo = dir.path() / "pipe.dxf";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Must return at once, not wait for a writer.
    EXPECT_EQ(Opened(fifo), "not a regular file: not a regular file");
    EXPECT_EQ(Opened("/dev/zero"), "not a regular file: not a regular file");
    EXPECT_EQ(Opened(dir.path() / "a.dxf/b.dxf"), "other: Not a directory");
}

TEST(OpenFileSource, RefusesAFileWithoutReadPermission) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    TempDir dir;
    WriteFileBytes(dir.path() / "locked.dxf", "x");
    chmod((dir.path() / "locked.dxf").c_str(), 0);
    EXPECT_EQ(Opened(dir.path() / "locked.dxf"), "other: Permission denied");
    EXPECT_EQ(Opened(dir.path() / "locked.dxf", true), "other: Permission denied");
}

TEST(OpenFileSource, AFileThatShrinksGivesShorterReads) {
    TempDir dir;
    WriteFileBytes(dir.path() / "a.dxf", "0123456789");
    ReadResult<std::unique_ptr<ByteSource>> source = OpenFileSource(dir.path() / "a.dxf");
    ASSERT_TRUE(source);
    WriteFileBytes(dir.path() / "a.dxf", "0123");  // rewritten in place, shorter
    std::vector<uint8_t> scratch;
    EXPECT_EQ((*source)->Size(), 10u);
    EXPECT_EQ((*source)->Read(2, 8, scratch).size, 2u);
}

TEST(OpenFileSource, AScratchKeptFromReadToReadIsFilledWithoutShrinking) {
    TempDir dir;
    WriteFileBytes(dir.path() / "a.dxf", "0123456789");
    ReadResult<std::unique_ptr<ByteSource>> source = OpenFileSource(dir.path() / "a.dxf", true);
    ASSERT_TRUE(source);
    std::vector<uint8_t> scratch(64, 'x');
    ByteView view = (*source)->Read(3, 4, scratch);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(view.data), view.size), "3456");
    EXPECT_EQ(view.data, scratch.data());
    EXPECT_EQ(scratch.size(), 64u);
    // A path known to be a regular file is still checked once open.
    EXPECT_EQ(Opened(dir.path(), true), "not a regular file: Is a directory");
    std::string fifo = dir.path() / "pipe.dxf";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(Opened(fifo, true), "not a regular file: not a regular file");
}

TEST(OpenFileSource, HolesOfASparseFileArePassedOver) {
    TempDir dir;
    std::string path = dir.path() / "sparse.dxf";
    int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    // 64 MiB: data at the start, a hole, data at 40 MiB, a hole to the end.
    ASSERT_EQ(pwrite(fd, "head", 4, 0), 4);
    ASSERT_EQ(pwrite(fd, "tail", 4, 40 << 20), 4);
    ASSERT_EQ(ftruncate(fd, 64 << 20), 0);
    close(fd);
    ReadResult<std::unique_ptr<ByteSource>> opened = OpenFileSource(path);
    ASSERT_TRUE(opened);
    std::unique_ptr<ByteSource>& source = *opened;
    EXPECT_EQ(source->DataFrom(0), 0u);
    uint64_t data = source->DataFrom(1 << 20);
    // A file system without holes says every byte is data.
    if (data == 1u << 20) GTEST_SKIP() << "no holes on this file system";
    EXPECT_LE(data, uint64_t{40} << 20);
    EXPECT_GT(data, uint64_t{4});
    std::vector<uint8_t> scratch;
    EXPECT_EQ(source->Read(40 << 20, 4, scratch).size, 4u);
    EXPECT_EQ(source->DataFrom(48 << 20), uint64_t{64} << 20);
    EXPECT_EQ(source->DataFrom(uint64_t{1} << 40), uint64_t{64} << 20);
}

TEST(ReadAheadFile, AsksOnlyForRegularFilesAndNeverWaits) {
    TempDir dir;
    WriteFileBytes(dir.path() / "a.dxf", "just written, so in the cache");
    EXPECT_TRUE(ReadAheadFile(dir.path() / "a.dxf", 1 << 20));
    WriteFileBytes(dir.path() / "empty.dxf", "");
    EXPECT_TRUE(ReadAheadFile(dir.path() / "empty.dxf", 1 << 20));
    EXPECT_FALSE(ReadAheadFile(dir.path() / "missing.dxf", 1 << 20));
    EXPECT_FALSE(ReadAheadFile(dir.path(), 1 << 20));
    std::string fifo = dir.path() / "pipe.dxf";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ReadAheadFile(fifo, 1 << 20));  // at once, not waiting for a writer
}

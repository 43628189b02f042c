#include "platform/file_status.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/test_support.h"

using testing_support::DescribeError;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

// Every field, or the error's kind and reason.
std::string Describe(const ReadResult<FileStatus>& s) {
    if (!s) return DescribeError(s.Error());
    std::string out;
    for (int64_t field : {s->creationTime, s->modificationTime, s->accessTime, s->size,
                          static_cast<int64_t>(s->device), static_cast<int64_t>(s->inode),
                          s->modificationNanos, s->changeNanos, int64_t{s->isFolder},
                          int64_t{s->isRegularFile}, int64_t{s->readOnly}, int64_t{s->hidden}}) {
        out += std::to_string(field) + " ";
    }
    return out;
}

}  // namespace

TEST(StatusReader, GivesWhatReadFileStatusGivesFromFolderToFolder) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "one");
    std::filesystem::create_directories(dir.path() / "two" / "sub");
    WriteFileBytes(dir.path() / "one" / "a.dxf", "a");
    WriteFileBytes(dir.path() / "one" / ".hidden.dxf", "hidden");
    WriteFileBytes(dir.path() / "one" / "ro.dxf", "read only");
    chmod((dir.path() / "one" / "ro.dxf").c_str(), 0444);
    WriteFileBytes(dir.path() / "two" / "b.dxf", "bb");
    StatusReader reader;
    for (const char* name : {"one/a.dxf", "two/b.dxf", "one/.hidden.dxf", "two/sub", "one/ro.dxf",
                             "one/a.dxf", "two/b.dxf", "two/sub/", "one/"}) {
        std::string path = dir.path() / name;
        EXPECT_EQ(Describe(reader.Read(path)), Describe(ReadFileStatus(path))) << path;
    }
    // A name in the working folder, and a name in the root folder.
    std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path() / "one");
    ReadResult<FileStatus> plain = reader.Read("a.dxf");
    ReadResult<FileStatus> hidden = reader.Read(".hidden.dxf");
    std::filesystem::current_path(before);
    EXPECT_EQ(Describe(plain), Describe(ReadFileStatus(dir.path() / "one" / "a.dxf")));
    EXPECT_TRUE(hidden && hidden->hidden);
    for (const char* path : {"/", "/tmp", "/usr"}) {  // times of shared folders may move
        ReadResult<FileStatus> got = reader.Read(path);
        ReadResult<FileStatus> want = ReadFileStatus(path);
        EXPECT_EQ(got ? got->inode : 0, want ? want->inode : 0) << path;
    }
}

TEST(StatusReader, SaysWhyAFileCannotBeRead) {
    TempDir dir;
    WriteFileBytes(dir.path() / "a.dxf", "a");
    StatusReader reader;
    ASSERT_TRUE(reader.Read(dir.path() / "a.dxf"));  // its folder is open now
    // What each failure gives, and the same from the reader whose folder is
    // open.
    const std::pair<const char*, const char*> failures[] = {
        {"missing.dxf", "missing: No such file or directory"},
        {"gone/b.dxf", "missing: No such file or directory"},
        {"a.dxf/b.dxf", "other: Not a directory"},
        {"a.dxf/", "other: Not a directory"},
        {"missing/", "missing: No such file or directory"},
    };
    for (const auto& [name, why] : failures) {
        std::string path = dir.path() / name;
        EXPECT_EQ(Describe(ReadFileStatus(path)), why) << name;
        EXPECT_EQ(Describe(reader.Read(path)), why) << name;
    }
    EXPECT_TRUE(reader.Read(dir.path() / "a.dxf"));
}

#include "platform/folder_listing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/test_support.h"

using testing_support::DescribeError;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

// The entries of a listing, a folder marked with a slash; or the error.
std::string Describe(const ReadResult<FolderListing>& listing) {
    if (!listing) return DescribeError(listing.Error());
    std::string out;
    for (const FolderEntry& entry : listing->entries) {
        out += entry.name + (entry.isFolder ? "/ " : " ");
    }
    return out;
}

}  // namespace

TEST(ListFolder, GivesTheEntriesSortedAndSaysWhyAFolderCannotBeListed) {
    TempDir dir;
    WriteFileBytes(dir.path() / "b.dxf", "b");
    WriteFileBytes(dir.path() / "A.dxf", "a");
    std::filesystem::create_directories(dir.path() / "sub");
    std::filesystem::create_directory_symlink(dir.path() / "sub", dir.path() / "link");
    // A link to a folder is no folder of the walk's.
    EXPECT_EQ(Describe(ListFolder(dir.path())), "A.dxf b.dxf link sub/ ");
    EXPECT_EQ(Describe(ListFolder(dir.path() / "sub")), "");

    EXPECT_EQ(Describe(ListFolder(dir.path() / "missing")), "missing: No such file or directory");
    std::filesystem::create_directory_symlink(dir.path() / "gone", dir.path() / "dangling");
    EXPECT_EQ(Describe(ListFolder(dir.path() / "dangling")), "missing: No such file or directory");
    EXPECT_EQ(Describe(ListFolder(dir.path() / "b.dxf")), "not a folder: Not a directory");
    EXPECT_EQ(Describe(ListFolder(dir.path() / "b.dxf/c")), "not a folder: Not a directory");
}

TEST(ListFolder, AFolderWithoutReadPermissionIsAnotherFailure) {
    if (geteuid() == 0) GTEST_SKIP() << "root lists every folder";
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "locked");
    chmod((dir.path() / "locked").c_str(), 0);
    EXPECT_EQ(Describe(ListFolder(dir.path() / "locked")), "other: Permission denied");
    chmod((dir.path() / "locked").c_str(), 0700);
}

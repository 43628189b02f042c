// Paths of PATH_MAX (4,096) bytes or more, which the system refuses whole:
// each platform call reaches them a piece at a time.
#include <gtest/gtest.h>
#include <limits.h>

#include <string>
#include <vector>

#include "platform/file_source.h"
#include "platform/file_status.h"
#include "platform/folder_listing.h"
#include "tests/test_support.h"

using testing_support::DeepFolder;
using testing_support::DescribeError;
using testing_support::TempDir;

TEST(LongPaths, AFileInAFolderPastPathMaxIsListedStatusedOpenedAndRead) {
    TempDir dir;
    DeepFolder deep(dir.path(), 2 * PATH_MAX + 300);
    deep.WriteFile("plan.dxf", "  0\nEOF\n");
    const std::string file = deep.path() + "/plan.dxf";
    ASSERT_GT(file.size(), size_t{2 * PATH_MAX});

    ReadResult<FolderListing> listing = ListFolder(deep.path() + "/");
    ASSERT_TRUE(listing) << DescribeError(listing.Error());
    ASSERT_EQ(listing->entries.size(), 1u);
    EXPECT_EQ(listing->entries[0].name, "plan.dxf");

    ReadResult<FileStatus> status = ReadFileStatus(file);
    ASSERT_TRUE(status) << DescribeError(status.Error());
    EXPECT_TRUE(status->isRegularFile);
    EXPECT_EQ(status->size, 8);
    StatusReader reader;
    ReadResult<FileStatus> fromFolder = reader.Read(file);
    ASSERT_TRUE(fromFolder);
    EXPECT_EQ(fromFolder->inode, status->inode);
    ReadResult<FileStatus> folder = ReadFileStatus(deep.path());
    EXPECT_TRUE(folder && folder->isFolder);

    for (bool knownRegular : {false, true}) {
        ReadResult<std::unique_ptr<ByteSource>> source = OpenFileSource(file, knownRegular);
        ASSERT_TRUE(source) << DescribeError(source.Error());
        std::vector<uint8_t> scratch;
        ByteView bytes = (*source)->Read(0, 100, scratch);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data), bytes.size), "  0\nEOF\n");
    }
    ReadAheadFile(file, 4096);
    EXPECT_TRUE(ReadAheadFile(file, 4096));  // just read: in the system's cache
}

TEST(LongPaths, WhatIsMissingOrNoFolderOnTheWayIsSaidAsForAShortPath) {
    TempDir dir;
    DeepFolder deep(dir.path(), PATH_MAX + 10);
    deep.WriteFile("plan.dxf", "x");
    // A missing folder past the first piece, and a file where a folder is
    // wanted: the same kinds of error a short path gives.
    const std::string missing = deep.path() + "/gone/" + std::string(200, 'e') + "/a.dxf";
    EXPECT_EQ(DescribeError(ReadFileStatus(missing).Error()),
              DescribeError(ReadFileStatus((dir.path() / "gone" / "a.dxf").string()).Error()));
    EXPECT_EQ(ListFolder(missing).Error().kind, ReadFailure::Missing);
    EXPECT_FALSE(OpenFileSource(missing));
    EXPECT_FALSE(ReadAheadFile(missing, 4096));
    const std::string inFile = deep.path() + "/plan.dxf/" + std::string(PATH_MAX, 'f');
    EXPECT_FALSE(ReadFileStatus(inFile));
    EXPECT_FALSE(ListFolder(deep.path() + "/plan.dxf"));
    // A single name longer than PATH_MAX is refused, not cut.
    EXPECT_FALSE(ReadFileStatus(dir.path().string() + "/" + std::string(PATH_MAX + 1, 'n')));
}

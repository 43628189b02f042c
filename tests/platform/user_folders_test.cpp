// The folders and files the text cache makes: only a folder made now is
// made private, and no existing folder is ever changed.
#include "platform/user_folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/test_support.h"

using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

// The mode the umask leaves of `mode` (the umask read without changing it
// for long: tests run on one thread).
unsigned UnderUmask(unsigned mode) {
    mode_t mask = umask(0);
    umask(mask);
    return mode & ~static_cast<unsigned>(mask);
}

}  // namespace

TEST(MakePrivateFolder, MakesANewFolderPrivateAndLeavesAnExistingOneAsItIs) {
    TempDir dir;
    const std::string made = (dir.path() / "new" / "deeper" / "plotsieve").string();
    EXPECT_EQ(MakePrivateFolder(made), PrivateFolder::Made);
    EXPECT_EQ(ModeOf(made), 0700u);
    // The folders on the way are the umask's.
    EXPECT_EQ(ModeOf((dir.path() / "new").string()), UnderUmask(0777));
    EXPECT_EQ(MakePrivateFolder(made), PrivateFolder::Closed);

    for (unsigned mode : {0755u, 01777u, 0750u}) {
        const std::string open = (dir.path() / ("open" + std::to_string(mode))).string();
        std::filesystem::create_directory(open);
        chmod(open.c_str(), mode);
        EXPECT_EQ(MakePrivateFolder(open), PrivateFolder::OpenToOthers) << mode;
        EXPECT_EQ(ModeOf(open), mode);
    }
    WriteFileBytes(dir.path() / "file", "x");
    EXPECT_EQ(MakePrivateFolder((dir.path() / "file").string()), std::nullopt);
    EXPECT_EQ(MakePrivateFolder((dir.path() / "file" / "below").string()), std::nullopt);
    EXPECT_EQ(MakePrivateFolder(""), std::nullopt);
}

TEST(MakeFolders, MakesWhatIsMissingAsTheUmaskAllowsAndChangesNothingThere) {
    TempDir dir;
    const std::filesystem::path shared = dir.path() / "shared";
    std::filesystem::create_directory(shared);
    chmod(shared.c_str(), 01777);
    EXPECT_TRUE(MakeFolders(shared.string()));
    EXPECT_TRUE(MakeFolders((shared / "a" / "b").string()));
    EXPECT_EQ(ModeOf(shared.string()), 01777u);
    EXPECT_EQ(ModeOf((shared / "a").string()), UnderUmask(0777));
    EXPECT_EQ(ModeOf((shared / "a" / "b").string()), UnderUmask(0777));
    WriteFileBytes(dir.path() / "file", "x");
    EXPECT_FALSE(MakeFolders((dir.path() / "file").string()));
    EXPECT_FALSE(MakeFolders(""));
}

TEST(MakeSharedFile, MakesAFileOthersMayReadAndLeavesAnExistingOne) {
    TempDir dir;
    const std::string shared = (dir.path() / "shared.sqlite").string();
    const std::string private_ = (dir.path() / "private.sqlite").string();
    EXPECT_TRUE(MakeSharedFile(shared));
    EXPECT_TRUE(MakePrivateFile(private_));
    EXPECT_EQ(ModeOf(shared), UnderUmask(0644));
    EXPECT_EQ(ModeOf(private_), 0600u);
    // Existing files keep their mode and their bytes.
    WriteFileBytes(shared, "kept");
    chmod(shared.c_str(), 0640);
    EXPECT_TRUE(MakeSharedFile(shared));
    EXPECT_TRUE(MakePrivateFile(shared));
    EXPECT_EQ(ModeOf(shared), 0640u);
    EXPECT_EQ(ReadFileBytes(shared), "kept");
    EXPECT_FALSE(MakeSharedFile((dir.path() / "missing" / "a.sqlite").string()));
}

TEST(FreeBytesAt, TellsTheRoomOfAFileSystemThatIsThere) {
    TempDir dir;
    std::optional<int64_t> free = FreeBytesAt(dir.path().string());
    ASSERT_TRUE(free.has_value());
    EXPECT_GT(*free, 0);
    EXPECT_FALSE(FreeBytesAt((dir.path() / "missing").string()).has_value());
}

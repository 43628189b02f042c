#include "search/folder_walk.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "search/criteria.h"
#include "tests/test_support.h"

using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

struct Walker {
    unsigned typeMask = TYPE_DXF | TYPE_DWG;
    std::atomic<bool> cancel{false};
    bool subfolders = true;
    std::vector<size_t> progress;
    std::vector<std::string> candidates;
    std::vector<std::string> skipped;
    std::vector<std::string> found;  // as each candidate was reported

    bool Walk(const std::string& folder) {
        FolderWalk walk(
            typeMask, cancel,
            {[this] { return subfolders; }, [this](size_t count) { progress.push_back(count); },
             [this](const std::string& path, const std::string& reason) {
                 skipped.push_back(path + ": " + reason);
             },
             [this](const std::string& path) { found.push_back(path); }},
            candidates);
        size_t before = candidates.size();
        found.clear();
        bool completed = walk.Walk(folder);
        // Every candidate is reported as it is found, in candidate order.
        if (completed) {
            EXPECT_EQ(found,
                      std::vector<std::string>(candidates.begin() + static_cast<ptrdiff_t>(before),
                                               candidates.end()));
        }
        return completed;
    }
};

}  // namespace

TEST(FolderWalk, TrailingSeparatorAndSubfolderSettingGiveTheSameCandidates) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "sub");
    WriteFileBytes(dir.path() / "a.DXF", "");
    WriteFileBytes(dir.path() / "sub" / "b.dwg", "");
    WriteFileBytes(dir.path() / "c.dxf.bak", "");
    WriteFileBytes(dir.path() / "dxf", "");
    WriteFileBytes(dir.path() / "d.jww", "");  // a type not chosen
    Walker plain, slash, flat;
    plain.Walk(dir.path().string());
    slash.Walk(dir.path().string() + "/");
    EXPECT_EQ(plain.candidates, slash.candidates);
    EXPECT_EQ(plain.candidates, (std::vector<std::string>{(dir.path() / "a.DXF").string(),
                                                          (dir.path() / "sub/b.dwg").string()}));
    flat.subfolders = false;
    flat.Walk(dir.path().string());
    EXPECT_EQ(flat.candidates, std::vector<std::string>{(dir.path() / "a.DXF").string()});
}

TEST(FolderWalk, LinkedFoldersAreNotFollowedSoCyclesEnd) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "a");
    WriteFileBytes(dir.path() / "a" / "x.dxf", "");
    std::filesystem::create_directory_symlink(dir.path(), dir.path() / "a" / "loop");
    std::filesystem::create_directory_symlink(dir.path() / "a", dir.path() / "b");
    Walker walker;
    EXPECT_TRUE(walker.Walk(dir.path().string()));
    EXPECT_EQ(walker.candidates, std::vector<std::string>{(dir.path() / "a/x.dxf").string()});
}

TEST(FolderWalk, WhatCannotBeListedIsReportedAndAddsNothing) {
    TempDir dir;
    Walker walker;
    EXPECT_TRUE(walker.Walk((dir.path() / "missing").string()));
    WriteFileBytes(dir.path() / "notes.txt", "");
    EXPECT_TRUE(walker.Walk((dir.path() / "notes.txt").string()));
    EXPECT_TRUE(walker.candidates.empty());
    EXPECT_EQ(walker.skipped, (std::vector<std::string>{
                                  (dir.path() / "missing").string() + ": No such file or directory",
                                  (dir.path() / "notes.txt").string() + ": Not a directory"}));
}

TEST(FolderWalk, ADrawingGivenAsThePlaceIsItsOnlyCandidate) {
    TempDir dir;
    WriteFileBytes(dir.path() / "file.DXF", "");
    Walker walker;
    EXPECT_TRUE(walker.Walk((dir.path() / "file.DXF").string()));
    EXPECT_EQ(walker.candidates, std::vector<std::string>{(dir.path() / "file.DXF").string()});
    // With a final separator it names a folder, which it is not.
    walker.candidates.clear();
    EXPECT_TRUE(walker.Walk((dir.path() / "file.DXF").string() + "/"));
    EXPECT_TRUE(walker.candidates.empty());
    EXPECT_EQ(walker.skipped.size(), 1u);
}

TEST(FolderWalk, WalksPastPathMaxAndKeepsOddNamesByteForByte) {
    TempDir dir;
    // Folders nested past PATH_MAX (about 5,000 bytes of path), with a
    // drawing at the bottom: listed like any other.
    testing_support::DeepFolder deep(dir.path(), 5000);
    deep.WriteFile("deep.dxf", "");
    // A name that is not valid UTF-8 is kept byte for byte.
    std::string odd = (dir.path() / "\xff\xfe plan.dxf").string();
    WriteFileBytes(odd, "");
    Walker walker;
    EXPECT_TRUE(walker.Walk(dir.path().string()));
    EXPECT_EQ(walker.candidates, (std::vector<std::string>{deep.path() + "/deep.dxf", odd}));
    EXPECT_TRUE(walker.skipped.empty());
}

TEST(FolderWalk, CancelEmptiesTheCandidates) {
    TempDir dir;
    for (int i = 0; i < 5; ++i) WriteFileBytes(dir.path() / (std::to_string(i) + ".dxf"), "");
    Walker walker;
    walker.cancel = true;
    EXPECT_FALSE(walker.Walk(dir.path().string()));
    EXPECT_TRUE(walker.candidates.empty());
}

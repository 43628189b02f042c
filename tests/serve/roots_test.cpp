// Paths under a root: what resolves, and everything that must not.
#include "serve/roots.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/test_support.h"

using testing_support::TempDir;
using testing_support::WriteFileBytes;
namespace fs = std::filesystem;

namespace {

// root/ with plan.dxf, sub/deep.dxf, a link inside to plan.dxf, links out to
// a secret beside the root (a file and a folder), and a link that leads
// nowhere; the secret lies in a folder whose name starts like the root's.
struct RootTree {
    RootTree() {
        fs::create_directories(dir.path() / "drawings" / "sub");
        fs::create_directories(dir.path() / "drawings-private");
        WriteFileBytes(dir.path() / "drawings" / "plan.dxf", "plan");
        WriteFileBytes(dir.path() / "drawings" / "sub" / "deep.dxf", "deep");
        WriteFileBytes(dir.path() / "drawings-private" / "secret.dxf", "secret");
        fs::create_symlink("../plan.dxf", dir.path() / "drawings" / "sub" / "inside.dxf");
        fs::create_symlink(dir.path() / "drawings-private" / "secret.dxf",
                           dir.path() / "drawings" / "out.dxf");
        fs::create_directory_symlink(dir.path() / "drawings-private",
                                     dir.path() / "drawings" / "outdir");
        fs::create_symlink("missing.dxf", dir.path() / "drawings" / "dangling.dxf");
        RootArgument argument = ParseRootArgument("drawings=" + (dir.path() / "drawings").string());
        root = *argument.root;
    }
    TempDir dir;
    ServedRoot root;
};

}  // namespace

TEST(ResolveUnderRoot, FindsFilesAndFoldersUnderTheRootThroughLinksInsideIt) {
    RootTree tree;
    EXPECT_EQ(ResolveUnderRoot(tree.root, "plan.dxf", EntryKind::RegularFile),
              tree.root.path + "/plan.dxf");
    EXPECT_EQ(ResolveUnderRoot(tree.root, "sub/deep.dxf", EntryKind::RegularFile),
              tree.root.path + "/sub/deep.dxf");
    EXPECT_EQ(ResolveUnderRoot(tree.root, "sub/inside.dxf", EntryKind::RegularFile),
              tree.root.path + "/plan.dxf");
    EXPECT_EQ(ResolveUnderRoot(tree.root, "./sub//deep.dxf", EntryKind::RegularFile),
              tree.root.path + "/sub/deep.dxf");
    EXPECT_EQ(ResolveUnderRoot(tree.root, "", EntryKind::Folder), tree.root.path);
    EXPECT_EQ(ResolveUnderRoot(tree.root, "sub", EntryKind::Folder), tree.root.path + "/sub");
    // Each kind only where it was asked for.
    EXPECT_EQ(ResolveUnderRoot(tree.root, "sub", EntryKind::RegularFile), std::nullopt);
    EXPECT_EQ(ResolveUnderRoot(tree.root, "plan.dxf", EntryKind::Folder), std::nullopt);
}

TEST(ResolveUnderRoot, RefusesEveryWayOutOfTheRoot) {
    RootTree tree;
    const std::string secret = "../drawings-private/secret.dxf";
    for (const std::string& path : std::vector<std::string>{
             secret, "sub/../../drawings-private/secret.dxf", std::string("sub/.."), "..",
             // Links that lead out, and one that leads nowhere.
             std::string("out.dxf"), "outdir/secret.dxf", "dangling.dxf",
             // An absolute path, even one under the root.
             tree.root.path + "/plan.dxf", "/etc/passwd",
             // A NUL byte, which would cut the path short at the system.
             std::string("plan.dxf\0.txt", 13), std::string("\0", 1) + "plan.dxf",
             // Longer than any path a request may name.
             std::string(kMaxRelativePath + 1, 'a'), "missing.dxf"}) {
        EXPECT_EQ(ResolveUnderRoot(tree.root, path, EntryKind::RegularFile), std::nullopt) << path;
    }
    EXPECT_EQ(ResolveUnderRoot(tree.root, "outdir", EntryKind::Folder), std::nullopt);
    EXPECT_EQ(ResolveUnderRoot(tree.root, "..", EntryKind::Folder), std::nullopt);
}

TEST(RelativeToRoot, NeedsTheRootAsAWholeFolder) {
    ServedRoot root{.name = "d", .path = "/srv/drawings", .share = ""};
    EXPECT_EQ(RelativeToRoot(root, "/srv/drawings"), "");
    EXPECT_EQ(RelativeToRoot(root, "/srv/drawings/a/b.dxf"), "a/b.dxf");
    EXPECT_EQ(RelativeToRoot(root, "/srv/drawings-private/b.dxf"), std::nullopt);
    EXPECT_EQ(RelativeToRoot(root, "/srv/drawing"), std::nullopt);
    ServedRoot everything{.name = "all", .path = "/", .share = ""};
    EXPECT_EQ(RelativeToRoot(everything, "/etc/hosts"), "etc/hosts");
}

TEST(ParseRootArgument, TakesNamePathAndShareAndRefusesTheRest) {
    RootTree tree;
    const std::string path = (tree.dir.path() / "drawings").string();
    RootArgument withShare = ParseRootArgument("図面=" + path + "/sub/..=\\\\server\\a=b");
    ASSERT_TRUE(withShare.root) << withShare.error;
    EXPECT_EQ(withShare.root->name, "図面");
    EXPECT_EQ(withShare.root->path, tree.root.path);  // the real path
    EXPECT_EQ(withShare.root->share, "\\\\server\\a=b");

    EXPECT_NE(ParseRootArgument(path).error.find("NAME=PATH"), std::string::npos);
    for (const std::string& name :
         std::vector<std::string>{std::string(""), std::string("a/b"), std::string("a\\b"),
                                  std::string("a\tb"), std::string(65, 'n'), std::string("\xFF")}) {
        EXPECT_FALSE(ParseRootArgument(name + "=" + path).root) << name;
    }
    EXPECT_NE(ParseRootArgument("d=" + path + "/plan.dxf").error.find("not a folder"),
              std::string::npos);
    EXPECT_FALSE(ParseRootArgument("d=" + path + "/missing").root);
    EXPECT_FALSE(ParseRootArgument("d=").root);
}

// The text cache from the command line: search with and without it, index,
// cache stats and clear, a shared read-only cache, and caches that fail.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <memory>
#include <set>

#include "cli/common_options.h"
#include "tests/cli/cli_runner.h"
#include "tests/test_support.h"

using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

struct Drawings {
    TempDir dir;
    Drawings() {
        std::filesystem::create_directories(dir.path() / "tree" / "sub");
        // 平面図 and ｶﾞﾗｽ in CP932.
        WriteFileBytes(dir.path() / "tree" / "a.dxf",
                       "  0\nSECTION\n  2\nENTITIES\n  0\nTEXT\n  1\n\x95\xbd\x96\xca\x90\x7d\n");
        WriteFileBytes(dir.path() / "tree" / "sub" / "b.dxf",
                       "  0\nSECTION\n  2\nENTITIES\n  0\nTEXT\n  1\n\xb6\xde\xd7\xbd\n");
    }
    std::string Tree() const { return Quote(dir.path() / "tree"); }
    std::filesystem::path File(const char* name) const { return dir.path() / name; }
};

// 平面図 in CP932: a kanji keyword, which the prefilter looks for.
const char* const kPlan = "\x95\xbd\x96\xca\x90\x7d";

// The mode bits of a folder or file, the sticky bit among them.
unsigned Mode(const std::filesystem::path& path) {
    struct stat status {};
    stat(path.c_str(), &status);
    return status.st_mode & 07777;
}

// The mode the umask (the runs inherit it) leaves of `mode`.
unsigned UnderUmask(unsigned mode) {
    mode_t mask = umask(0);
    umask(mask);
    return mode & ~static_cast<unsigned>(mask);
}

}  // namespace

TEST(CliCache, ARepeatSearchIsAnsweredFromTheCacheWithTheSameRows) {
    Drawings d;
    std::string cache = " --cache " + Quote(d.File("c.sqlite")) + " ";
    CliRun first = RunCli("search -k 'ガラス|平面図' --format paths" + cache + d.Tree());
    CliRun repeat = RunCli("search -k 'ガラス|平面図' --format paths" + cache + d.Tree());
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(repeat.out, first.out);
    EXPECT_NE(first.out, "");
    CliRun stats = RunCli("cache stats" + cache);
    EXPECT_EQ(stats.status, 0);
    EXPECT_NE(stats.out.find("rows: 2\n"), std::string::npos) << stats.out;
    EXPECT_NE(stats.out.find("2 of 2 drawings from the cache"), std::string::npos) << stats.out;

    EXPECT_EQ(RunCli("cache clear" + cache).status, 0);
    EXPECT_NE(RunCli("cache stats" + cache).out.find("rows: 0\n"), std::string::npos);
    // Without the cache nothing is kept.
    EXPECT_EQ(
        RunCli("search --no-cache --cache " + Quote(d.File("none.sqlite")) + " -k plan " + d.Tree())
            .status,
        1);
    EXPECT_FALSE(std::filesystem::exists(d.File("none.sqlite")));
}

TEST(CliCache, AnIndexBuiltForOthersIsReadWithoutBeingChanged) {
    Drawings d;
    std::string shared = Quote(d.File("shared.sqlite"));
    CliRun index = RunCli("index -q --cache " + shared + " " + d.Tree());
    EXPECT_EQ(index.status, 0);
    std::string before = ReadFileBytes(d.File("shared.sqlite"));
    CliRun search = RunCli("search --cache " + shared +
                           " --cache-read-only -k ガラス --format paths " + d.Tree());
    EXPECT_EQ(search.status, 0);
    EXPECT_NE(search.out.find("b.dxf"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(d.File("shared.sqlite")), before);
    // A second index replaces the file whole (a new file renamed into place).
    EXPECT_EQ(RunCli("index -q --cache " + shared + " " + d.Tree()).status, 0);
    EXPECT_TRUE(std::filesystem::exists(d.File("shared.sqlite")));
    for (const auto& entry : std::filesystem::directory_iterator(d.dir.path())) {
        EXPECT_EQ(entry.path().filename().string().find(".new-"), std::string::npos);
    }
}

TEST(CliCache, ACacheThatFailsIsNamedOnceAndTheSearchGoesOn) {
    Drawings d;
    WriteFileBytes(d.File("damaged.sqlite"), std::string(4096, 'x'));
    std::string err = (d.dir.path() / "err").string();
    CliRun damaged = RunCli("search -k ガラス --format paths --cache " +
                                Quote(d.File("damaged.sqlite")) + " " + d.Tree(),
                            err);
    EXPECT_EQ(damaged.status, 0);
    EXPECT_NE(damaged.out.find("b.dxf"), std::string::npos);
    std::string said = ReadFileBytes(err);
    EXPECT_NE(said.find("set aside"), std::string::npos) << said;
    EXPECT_TRUE(std::filesystem::exists(d.File("damaged.sqlite.damaged")));

    WriteFileBytes(d.File("plain-file"), "x");
    CliRun unusable = RunCli("search -k ガラス --format paths --cache " +
                                 Quote(d.File("plain-file") / "c.sqlite") + " " + d.Tree(),
                             err);
    EXPECT_EQ(unusable.status, 0);
    EXPECT_NE(unusable.out.find("b.dxf"), std::string::npos);
    said = ReadFileBytes(err);
    EXPECT_EQ(said.find("text cache"), said.rfind("text cache")) << said;  // once
    EXPECT_NE(said.find("text cache"), std::string::npos) << said;
}

TEST(CliCache, IndexAndCacheReadTheOptionsTheyShareWithSearchAsSearchDoes) {
    Drawings d;
    std::string tree = (d.dir.path() / "tree").string();
    // The message after "plotsieve-cli COMMAND: ", up to the end of its line.
    auto refusal = [](const CliRun& run, const std::string& command) {
        std::string prefix = "plotsieve-cli " + command + ": ";
        if (run.err.rfind(prefix, 0) != 0) return "(no refusal) " + run.err;
        return run.err.substr(prefix.size(), run.err.find('\n') - prefix.size());
    };
    for (std::vector<std::string> bad : {std::vector<std::string>{"--types=dxf,pdf"},
                                         {"--threads=+4"},
                                         {"--threads=0"},
                                         {"--threads", "257"},
                                         {"--cache="}}) {
        std::vector<std::string> search{"search", "-q"}, index{"index", "-q"};
        search.insert(search.end(), bad.begin(), bad.end());
        index.insert(index.end(), bad.begin(), bad.end());
        search.push_back(tree);
        index.push_back(tree);
        CliRun searched = Cli(search), indexed = Cli(index);
        EXPECT_EQ(searched.status, 2) << bad[0];
        EXPECT_EQ(indexed.status, 2) << bad[0];
        EXPECT_EQ(refusal(indexed, "index"), refusal(searched, "search")) << bad[0];
    }
    CliRun cache = Cli({"cache", "stats", "--cache="});
    EXPECT_EQ(cache.status, 2);
    EXPECT_EQ(refusal(cache, "cache"), "--cache needs a file");
    // The list the message names is the one the help gives.
    EXPECT_NE(Cli({"index", "--types=pdf"}).err.find("(use " + TypeNames() + ")"),
              std::string::npos);
}

TEST(CliCache, ARefusedIndexLeavesNoNewFileBesideTheCache) {
    Drawings d;
    std::string shared = (d.File("shared.sqlite")).string();
    ASSERT_EQ(Cli({"index", "-q", "--cache", shared, d.dir.path() / "tree"}).status, 0);
    std::string before = ReadFileBytes(shared);
    // No type chosen: the engine refuses to start.
    CliRun refused = Cli({"index", "-q", "--types=,", "--cache", shared, d.dir.path() / "tree"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("検索するファイルの種類を指定してください"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(shared), before);
    for (const auto& entry : std::filesystem::directory_iterator(d.dir.path())) {
        EXPECT_EQ(entry.path().filename().string().find(".new-"), std::string::npos);
    }
}

TEST(CliCache, NoFolderItDidNotMakeIsChangedBySearchOrIndex) {
    Drawings d;
    const std::string tree = (d.dir.path() / "tree").string();
    for (unsigned mode : {01777u, 0755u}) {
        SCOPED_TRACE(mode);
        std::filesystem::path folder = d.File(("shared" + std::to_string(mode)).c_str());
        std::filesystem::create_directory(folder);
        chmod(folder.c_str(), mode);
        EXPECT_EQ(
            Cli({"search", "-q", "-k", "ガラス", "--cache", folder / "c.sqlite", tree}).status, 0);
        EXPECT_EQ(Mode(folder), mode);
        EXPECT_EQ(Mode(folder / "c.sqlite"), 0600u);
        EXPECT_EQ(Cli({"index", "-q", "--cache", folder / "i.sqlite", tree}).status, 0);
        EXPECT_EQ(Cli({"index", "-q", "--cache", folder / "i.sqlite", tree}).status, 0);
        EXPECT_EQ(Mode(folder), mode);
    }
    // Folders made on the way to a named cache are as the umask makes them.
    std::filesystem::path made = d.File("made") / "deeper";
    EXPECT_EQ(Cli({"search", "-q", "-k", "ガラス", "--cache", made / "c.sqlite", tree}).status, 0);
    EXPECT_EQ(Mode(made), UnderUmask(0777));
    EXPECT_EQ(Mode(made.parent_path()), UnderUmask(0777));
}

TEST(CliCache, AnIndexForOthersIsReadableByThemAcrossEveryRename) {
    // A folder another user can reach: beside the program (the system's
    // temporary folder may be closed to others).
    std::string pattern =
        (std::filesystem::path(PLOTSIEVE_CLI).parent_path() / "cache-cli-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::filesystem::path root = pattern;
    struct Removed {
        std::filesystem::path path;
        ~Removed() { std::filesystem::remove_all(path); }
    } removed{root};
    chmod(root.c_str(), 0755);
    std::filesystem::create_directories(root / "tree" / "sub");
    // ｶﾞﾗｽ in CP932.
    WriteFileBytes(root / "tree" / "sub" / "b.dxf",
                   "  0\nSECTION\n  2\nENTITIES\n  0\nTEXT\n  1\n\xb6\xde\xd7\xbd\n");
    ASSERT_EQ(std::system(("chmod -R u=rwX,go=rX " + Quote(root / "tree")).c_str()), 0);
    const std::filesystem::path shared = root / "share" / "plotsieve.sqlite";
    std::filesystem::create_directory(shared.parent_path());
    chmod(shared.parent_path().c_str(), 0755);
    const std::string tree = (root / "tree").string();
    ASSERT_EQ(Cli({"index", "-q", "--cache", shared, tree}).status, 0);
    EXPECT_EQ(Mode(shared), UnderUmask(0644));
    // A file left private by an earlier version is replaced by a readable one.
    chmod(shared.c_str(), 0600);
    ASSERT_EQ(Cli({"index", "-q", "--cache", shared, tree}).status, 0);
    EXPECT_EQ(Mode(shared), UnderUmask(0644));
    EXPECT_EQ(Mode(shared.parent_path()), 0755u);

    // Another user searches it read-only, and finds the drawing in it.
    std::vector<std::string> other = OtherUserLauncher(65534);
    if (other.empty()) GTEST_SKIP() << "another user's search needs root and setpriv";
    if ((UnderUmask(0644) & 0004) == 0) GTEST_SKIP() << "the umask keeps the file from others";
    for (std::filesystem::path up = root.parent_path(); up != up.parent_path();
         up = up.parent_path()) {
        if ((Mode(up) & 0001) == 0) {
            GTEST_SKIP() << up << " is closed to others: no other user reaches the cache";
        }
    }
    std::string before = ReadFileBytes(shared);
    CliProcess search({"search", "--cache", shared, "--cache-read-only", "-k", "ガラス", "--format",
                       "paths", tree},
                      "", "", {}, other);
    CliRun found = search.Finish();
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_NE(found.out.find("b.dxf"), std::string::npos);
    EXPECT_EQ(found.err.find("text cache"), std::string::npos) << found.err;
    EXPECT_EQ(ReadFileBytes(shared), before);
    // The drawing was answered by the cache, not read: a cache the other
    // user cannot read would have its search read it and say so.
    chmod(shared.c_str(), 0600);
    CliProcess refused({"search", "--cache", shared, "--cache-read-only", "-k", "ガラス",
                        "--format", "paths", tree},
                       "", "", {}, other);
    CliRun without = refused.Finish();
    EXPECT_EQ(without.status, 0);
    EXPECT_NE(without.err.find("text cache"), std::string::npos) << without.err;
}

TEST(CliCache, TheDefaultFolderIsMadePrivateAndOneOpenToOthersIsToldOfOnce) {
    Drawings d;
    const std::string home = "XDG_CACHE_HOME=" + d.File("xdg").string();
    const std::filesystem::path folder = d.File("xdg") / "plotsieve";
    const std::string tree = (d.dir.path() / "tree").string();
    CliRun made = CliWithEnvironment({"search", "-q", "-k", "ガラス", tree}, {home});
    EXPECT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(Mode(folder), 0700u);
    EXPECT_EQ(Mode(folder / "text-cache.sqlite"), 0600u);
    EXPECT_EQ(made.err, "");

    chmod(folder.c_str(), 0755);
    CliRun told = CliWithEnvironment({"search", "-q", "-k", "ガラス", tree}, {home});
    EXPECT_EQ(told.status, 0);
    EXPECT_NE(told.err.find(folder.string() + " is open to others (mode 0755)"), std::string::npos)
        << told.err;
    for (const char* command : {"search", "index"}) {
        CliRun again = CliWithEnvironment({command, "-q", "-k", "ガラス", tree}, {home});
        if (std::string(command) == "index") {
            again = CliWithEnvironment({command, "-q", tree}, {home});
        }
        EXPECT_EQ(again.status, 0) << command << again.err;
        EXPECT_EQ(again.err, "") << command;
    }
    EXPECT_EQ(Mode(folder), 0755u);
    // An index that is told is not failed by it.
    chmod(folder.c_str(), 0750);
    CliRun index = CliWithEnvironment({"index", "-q", tree}, {home});
    EXPECT_EQ(index.status, 0);
    EXPECT_NE(index.err.find("(mode 0750)"), std::string::npos) << index.err;
    EXPECT_EQ(Mode(folder), 0750u);
}

TEST(CliCache, AFirstSearchLeavesEveryDrawingInTheCacheThoughItReadsFewer) {
    Drawings d;
    for (int i = 0; i < 30; ++i) {
        WriteFileBytes(d.dir.path() / "tree" / ("n" + std::to_string(i) + ".dxf"),
                       "  0\nSECTION\n  2\nENTITIES\n  0\nTEXT\n  1\n" +
                           std::string(i == 7 ? kPlan : "note") + "\n");
    }
    std::string cache = " --cache " + Quote(d.File("c.sqlite")) + " ";
    CliRun first = RunCli("search -k 平面図 --format paths" + cache + d.Tree());
    EXPECT_EQ(first.status, 0);
    EXPECT_NE(first.out.find("a.dxf"), std::string::npos);
    EXPECT_NE(first.out.find("n7.dxf"), std::string::npos);
    CliRun stats = RunCli("cache stats" + cache);
    EXPECT_NE(stats.out.find("rows: 32\n"), std::string::npos) << stats.out;
    CliRun repeat = RunCli("search -k note --format paths" + cache + d.Tree());
    EXPECT_EQ(repeat.status, 0);
    stats = RunCli("cache stats" + cache);
    EXPECT_NE(stats.out.find("32 of 32 drawings from the cache"), std::string::npos) << stats.out;
}

namespace {

// True when a file named TARGET.new-... lies in `folder`.
bool HasNewFile(const std::filesystem::path& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string().find(".new-") != std::string::npos) return true;
    }
    return false;
}

// A PID no process has: a child's, once it has ended and been waited for.
pid_t PidOfAnEndedProcess() {
    pid_t pid = fork();
    if (pid == 0) _exit(0);
    waitpid(pid, nullptr, 0);
    return pid;
}

}  // namespace

// An index --cache FILE stopped by SIGINT, SIGTERM or SIGHUP removes the file
// it was building and its journal, keeps FILE as it was and ends by the
// signal; what a SIGKILL left is removed by the next run.
TEST(CliCache, AnIndexStoppedBySignalsLeavesNoNewFileAndLaterRunsRemoveLeftovers) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "tree");
    for (int k = 0; k < 3000; ++k) {
        WriteFileBytes(dir.path() / "tree" / ("f" + std::to_string(k) + ".dxf"),
                       "  0\nSECTION\n  2\nENTITIES\n  0\nTEXT\n  1\nplan\n");
    }
    std::string cache = (dir.path() / "c.sqlite").string();
    WriteFileBytes(cache, "");  // an empty file is an empty cache
    auto startIndex = [&] {
        auto index = std::make_unique<CliProcess>(std::vector<std::string>{
            "index", "-q", "--threads", "1", "--cache", cache, (dir.path() / "tree").string()});
        for (int wait = 0; wait < 1000 && !HasNewFile(dir.path()); ++wait) usleep(5000);
        return index;
    };
    for (int number : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(number));
        std::unique_ptr<CliProcess> index = startIndex();
        index->Signal(number);
        CliRun run = index->Finish();
        EXPECT_EQ(run.signal, number) << run.status << " " << run.err;
        EXPECT_FALSE(HasNewFile(dir.path()));
        EXPECT_EQ(ReadFileBytes(cache), "");
    }
    std::unique_ptr<CliProcess> killed = startIndex();
    killed->Signal(SIGKILL);
    EXPECT_EQ(killed->Finish().signal, SIGKILL);
    EXPECT_TRUE(HasNewFile(dir.path()));
    // Leftovers of runs long gone, and the file of a run under way (this
    // test's own PID) that must stay.
    std::string gone = cache + ".new-" + std::to_string(PidOfAnEndedProcess());
    WriteFileBytes(gone, "x");
    WriteFileBytes(gone + "-journal", "x");
    std::string live = cache + ".new-" + std::to_string(getpid());
    WriteFileBytes(live, "x");
    WriteFileBytes(cache + ".new-x1", "x");  // no PID: not ours
    CliRun later = Cli({"index", "-q", "--cache", cache, (dir.path() / "tree").string()});
    EXPECT_EQ(later.status, 0) << later.err;
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        left.insert(entry.path().filename().string());
    }
    EXPECT_EQ(left, (std::set<std::string>{"c.sqlite", "c.sqlite.new-" + std::to_string(getpid()),
                                           "c.sqlite.new-x1", "tree"}));
}

// A cache named through a symbolic link is rebuilt where the link leads; the
// link stays a link.
TEST(CliCache, AnIndexThroughALinkRebuildsTheFileItLeadsTo) {
    Drawings d;
    std::filesystem::create_directories(d.File("real"));
    std::filesystem::create_symlink("real/c.sqlite", d.File("link.sqlite"));
    for (int run = 0; run < 2; ++run) {  // the link dangling, then leading to the cache
        CliRun index =
            Cli({"index", "-q", "--cache", d.File("link.sqlite"), d.dir.path() / "tree"});
        EXPECT_EQ(index.status, 0) << index.err;
        EXPECT_TRUE(std::filesystem::is_symlink(d.File("link.sqlite")));
        EXPECT_TRUE(std::filesystem::is_regular_file(d.File("real") / "c.sqlite"));
    }
    CliRun stats = Cli({"cache", "stats", "--cache", d.File("link.sqlite")});
    EXPECT_NE(stats.out.find("rows: 2\n"), std::string::npos) << stats.out;
}

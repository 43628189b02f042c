#include "cache/text_cache.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <latch>
#include <optional>
#include <random>
#include <thread>

#include "cache/text_cache_codec.h"
#include "tests/test_support.h"

using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

ExtractedText Lines(std::initializer_list<std::pair<TextKind, std::string>> lines) {
    ExtractedText text;
    for (const auto& [kind, line] : lines) text.Add(kind, line);
    return text;
}

std::string Describe(const ExtractedText& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        out += std::string(TextKindName(text[i].kind)) + ":" + std::string(text[i].text) + ";";
    }
    return out;
}

// The tests' signature of a text: its lines joined, which Holds searches.
void Keep(TextCache& cache, const std::string& path, const DrawingVersion& version,
          ExtractedText text) {
    std::string signature = text.Joined();
    cache.Store(path, version, std::move(text), std::move(signature));
}

SignatureTest Holds(std::string word) {
    return [word](std::string_view signature) {
        return signature.find(word) != std::string_view::npos;
    };
}

DrawingVersion Version(int64_t size) { return {7, 42, size, 1000, 2000, 1}; }

int Mode(const std::filesystem::path& path) {
    struct stat status {};
    stat(path.c_str(), &status);
    return status.st_mode & 07777;
}

// The mode the umask leaves of `mode` (the umask read and put back at once:
// the tests run on one thread).
int UnderUmask(int mode) {
    mode_t mask = umask(0);
    umask(mask);
    return mode & ~static_cast<int>(mask);
}

// XDG_CACHE_HOME set to `folder` while it lives, so that the default cache is
// made there.
class CacheHome {
  public:
    explicit CacheHome(const std::filesystem::path& folder) {
        if (const char* was = std::getenv("XDG_CACHE_HOME")) m_was = was;
        setenv("XDG_CACHE_HOME", folder.c_str(), 1);
    }
    ~CacheHome() {
        if (m_was) {
            setenv("XDG_CACHE_HOME", m_was->c_str(), 1);
        } else {
            unsetenv("XDG_CACHE_HOME");
        }
    }

  private:
    std::optional<std::string> m_was;
};

}  // namespace

TEST(TextCacheCodec, RoundTripsSmallAndLargeTexts) {
    ExtractedText small = Lines({{TextKind::Text, "A"}, {TextKind::AttdefTag, ""}});
    std::string repeated;
    for (int i = 0; i < 200; ++i) repeated += "\x95\xbd\x96\xca\x90\x7d ";
    ExtractedText large = Lines({{TextKind::MText, repeated}, {TextKind::JwText, "x"}});
    for (const ExtractedText* text : {&small, &large}) {
        std::string stored = EncodeCachedLines(*text);
        ExtractedText back;
        ASSERT_TRUE(DecodeCachedLines(stored, back));
        EXPECT_EQ(Describe(back), Describe(*text));
    }
    EXPECT_LT(EncodeCachedLines(large).size(), repeated.size() / 4);  // compressed
}

TEST(TextCacheCodec, ReadsTheDeflatedListsOfEarlierVersions) {
    std::string repeated;
    for (int i = 0; i < 100; ++i) repeated += "plan " + std::to_string(i % 7) + " ";
    // Each line as its kind, its length (LEB128) and its bytes, the list
    // deflated after its size: format 1, as earlier versions wrote it.
    auto leb128 = [](size_t value) {
        std::string out;
        for (; value >= 0x80; value >>= 7) out += static_cast<char>(0x80 | (value & 0x7F));
        return out + static_cast<char>(value);
    };
    std::string list = static_cast<char>(TextKind::Text) + leb128(repeated.size()) + repeated +
                       static_cast<char>(TextKind::MText) + leb128(1) + "x";
    uLongf size = compressBound(static_cast<uLong>(list.size()));
    std::string packed(size, '\0');
    ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
                        reinterpret_cast<const Bytef*>(list.data()),
                        static_cast<uLong>(list.size()), Z_BEST_SPEED),
              Z_OK);
    packed.resize(size);
    ExtractedText back;
    ASSERT_TRUE(DecodeCachedLines("\x01" + leb128(list.size()) + packed, back));
    EXPECT_EQ(Describe(back), "TEXT:" + repeated + ";MTEXT:x;");
    ExtractedText none;
    EXPECT_FALSE(DecodeCachedLines("\x01" + leb128(list.size() + 1) + packed, none));
    EXPECT_TRUE(none.empty());
}

TEST(TextCacheCodec, DamagedDataGivesNothing) {
    std::string stored = EncodeCachedLines(Lines({{TextKind::Text, "ABCDEF"}}));
    ExtractedText out;
    for (size_t cut = 0; cut < stored.size(); ++cut) {
        EXPECT_FALSE(DecodeCachedLines(stored.substr(0, cut), out) && out.size() == 1) << cut;
        out.Clear();
    }
    std::string badKind = stored;
    badKind[1] = static_cast<char>(kTextKindCount);
    EXPECT_FALSE(DecodeCachedLines(badKind, out));
    EXPECT_FALSE(DecodeCachedLines(std::string("\x01\xff\xff\xff\xff\x0f", 6), out));  // 4 GB
    EXPECT_FALSE(DecodeCachedLines(std::string("\x02\xff\xff\xff\xff\x0f", 6), out));
    EXPECT_FALSE(DecodeCachedLines(std::string("\x07", 1), out));
    EXPECT_TRUE(out.empty());

    // A compressed list cut anywhere, or stating another size, gives nothing
    // (and reads nothing past its bytes: the cuts are exact-size copies).
    std::string repeated;
    for (int i = 0; i < 100; ++i) repeated += "plan " + std::to_string(i % 7) + " ";
    std::string packed = EncodeCachedLines(Lines({{TextKind::Text, repeated}}));
    ASSERT_EQ(packed[0], '\x02');
    for (size_t cut = 1; cut < packed.size(); ++cut) {
        std::vector<char> piece(packed.begin(), packed.begin() + static_cast<ptrdiff_t>(cut));
        EXPECT_FALSE(DecodeCachedLines(std::string_view(piece.data(), piece.size()), out)) << cut;
        EXPECT_TRUE(out.empty());
    }
    for (char size : {'\x10', '\x7f'}) {
        std::string resized = packed;
        resized[1] = size;  // the low bits of the list's size
        EXPECT_FALSE(DecodeCachedLines(resized, out));
        EXPECT_TRUE(out.empty());
    }
}

TEST(TextCache, GivesBackTheLinesOfTheSameVersionOnly) {
    TempDir dir;
    std::string file = dir.path() / "cache" / "text.sqlite";
    {
        TextCache cache({file});
        ASSERT_TRUE(cache.Usable()) << cache.TakeProblem();
        Keep(cache, "/d/a.dxf", Version(10), Lines({{TextKind::Text, "plan"}}));
        cache.Flush();
        ExtractedText out;
        EXPECT_TRUE(cache.Lookup("/d/a.dxf", Version(10), out));
        EXPECT_EQ(Describe(out), "TEXT:plan;");
        DrawingVersion changed[] = {{8, 42, 10, 1000, 2000, 1}, {7, 43, 10, 1000, 2000, 1},
                                    {7, 42, 11, 1000, 2000, 1}, {7, 42, 10, 1001, 2000, 1},
                                    {7, 42, 10, 1000, 2001, 1}, {7, 42, 10, 1000, 2000, 2}};
        for (const DrawingVersion& version : changed) {
            ExtractedText none;
            EXPECT_FALSE(cache.Lookup("/d/a.dxf", version, none));
            EXPECT_TRUE(none.empty());
        }
        ExtractedText other;
        EXPECT_FALSE(cache.Lookup("/d/A.dxf", Version(10), other));
        EXPECT_EQ(cache.Lookups(), 8);
        EXPECT_EQ(cache.Hits(), 1);
    }
    // Kept between runs, with the last run's figures.
    TextCache again({file});
    ExtractedText out;
    EXPECT_TRUE(again.Lookup("/d/a.dxf", Version(10), out));
    TextCacheStats stats;
    ASSERT_TRUE(TextCache::ReadStats(file, stats));
    EXPECT_EQ(stats.rows, 1);
    EXPECT_EQ(stats.lastLookups, 8);
    EXPECT_EQ(stats.lastHits, 1);
}

TEST(TextCache, ARowWhoseSignatureRulesTheKeywordOutIsNotDecoded) {
    TempDir dir;
    TextCache cache({(dir.path() / "text.sqlite").string()});
    Keep(cache, "/d/a.dxf", Version(1), Lines({{TextKind::Text, "plan"}, {TextKind::Text, "x"}}));
    cache.Flush();
    ExtractedText out;
    SignatureTest absent = Holds("elevation");
    EXPECT_EQ(cache.LookupFor("/d/a.dxf", Version(1), absent, out), TextCache::Found::RuledOut);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(cache.LookupFor("/d/a.dxf", Version(1), Holds("plan"), out), TextCache::Found::Lines);
    EXPECT_EQ(Describe(out), "TEXT:plan;TEXT:x;");
    // Another version is a miss, whatever its signature says.
    out.Clear();
    EXPECT_EQ(cache.LookupFor("/d/a.dxf", Version(2), absent, out), TextCache::Found::Miss);
    EXPECT_EQ(cache.Hits(), 2);
}

TEST(TextCache, OnlyTheDefaultCachesFolderIsMadePrivateAndOnlyWhenItIsMade) {
    TempDir dir;
    CacheHome home(dir.path() / "xdg");
    const std::filesystem::path file = DefaultTextCachePath();
    ASSERT_EQ(file, dir.path() / "xdg" / "plotsieve" / "text-cache.sqlite");
    {
        TextCache cache({file});
        ASSERT_TRUE(cache.Usable()) << cache.TakeProblem();
        EXPECT_EQ(cache.TakeRemark(), "");
    }
    EXPECT_EQ(Mode(file.parent_path()), 0700);
    EXPECT_EQ(Mode(file), 0600);
    EXPECT_EQ(Mode(dir.path() / "xdg"), UnderUmask(0777));

    // A file named anywhere else: its missing folders as the umask makes
    // them, existing ones (shared, sticky) as they were, the file private.
    const std::filesystem::path named = dir.path() / "a" / "b" / "text.sqlite";
    TextCache cache({named});
    ASSERT_TRUE(cache.Usable());
    EXPECT_EQ(Mode(named.parent_path()), UnderUmask(0777));
    EXPECT_EQ(Mode(named.parent_path().parent_path()), UnderUmask(0777));
    EXPECT_EQ(Mode(named), 0600);
    for (int mode : {01777, 0755, 0750}) {
        const std::filesystem::path folder = dir.path() / ("kept" + std::to_string(mode));
        std::filesystem::create_directory(folder);
        chmod(folder.c_str(), static_cast<mode_t>(mode));
        TextCache inside({folder / "text.sqlite"});
        ASSERT_TRUE(inside.Usable());
        Keep(inside, "/d/a.dxf", Version(1), Lines({{TextKind::Text, "x"}}));
        inside.Flush();
        EXPECT_EQ(Mode(folder), mode);
    }
}

TEST(TextCache, AnExistingDefaultFolderOpenToOthersIsLeftSoAndToldOncePerMode) {
    TempDir dir;
    CacheHome home(dir.path() / "xdg");
    const std::filesystem::path file = DefaultTextCachePath();
    std::filesystem::create_directories(file.parent_path());
    chmod(file.parent_path().c_str(), 0755);
    auto remark = [&](bool neverWrite = false) {
        TextCache cache({.path = file, .neverWrite = neverWrite});
        return cache.TakeRemark();
    };
    std::string first = remark();
    EXPECT_NE(first.find(file.parent_path().string() + " is open to others (mode 0755)"),
              std::string::npos)
        << first;
    EXPECT_EQ(remark(), "");  // the file keeps that it was told
    EXPECT_EQ(Mode(file.parent_path()), 0755);
    chmod(file.parent_path().c_str(), 0750);
    EXPECT_NE(remark().find("(mode 0750)"), std::string::npos);
    EXPECT_EQ(remark(), "");
    chmod(file.parent_path().c_str(), 0755);
    EXPECT_EQ(remark(true), "");  // a cache that never writes remarks on nothing
    EXPECT_EQ(Mode(file.parent_path()), 0755);
}

TEST(TextCache, AFileForOthersIsMadeReadableByThem) {
    TempDir dir;
    const std::filesystem::path file = dir.path() / "shared" / "text.sqlite";
    TextCache cache({.path = file, .rollbackJournal = true, .readableByOthers = true});
    ASSERT_TRUE(cache.Usable());
    Keep(cache, "/d/a.dxf", Version(1), Lines({{TextKind::Text, "x"}}));
    cache.Flush();
    EXPECT_EQ(Mode(file), UnderUmask(0644));
    // A copy for others is made so too; a copy for oneself is private.
    ASSERT_TRUE(TextCache::Copy(file, dir.path() / "copy.sqlite", true));
    ASSERT_TRUE(TextCache::Copy(file, dir.path() / "own.sqlite", false));
    EXPECT_EQ(Mode(dir.path() / "copy.sqlite"), UnderUmask(0644));
    EXPECT_EQ(Mode(dir.path() / "own.sqlite"), 0600);
}

TEST(TextCacheSizeLimit, FollowsTheRoomWithAFloorACeilingAndHalfOfItAtMost) {
    const int64_t mb = int64_t{1} << 20;
    const int64_t gb = int64_t{1} << 30;
    EXPECT_EQ(TextCacheSizeLimit(100 * gb), 10 * gb);   // a tenth
    EXPECT_EQ(TextCacheSizeLimit(2 * gb), 512 * mb);    // the floor
    EXPECT_EQ(TextCacheSizeLimit(1000 * gb), 16 * gb);  // the ceiling
    EXPECT_EQ(TextCacheSizeLimit(600 * mb), 300 * mb);  // never past half the room
    EXPECT_EQ(TextCacheSizeLimit(0), 0);
}

TEST(TextCache, ADamagedFileIsSetAsideAndANewOneStarted) {
    TempDir dir;
    std::filesystem::path file = dir.path() / "text.sqlite";
    WriteFileBytes(file, std::string(8192, 'x'));
    TextCache cache({file});
    EXPECT_TRUE(cache.Usable());
    EXPECT_NE(cache.TakeProblem().find("set aside"), std::string::npos);
    EXPECT_EQ(cache.TakeProblem(), "");  // told once
    EXPECT_EQ(ReadFileBytes(file.string() + ".damaged"), std::string(8192, 'x'));
    // The new file is the user's alone, as a new cache is (not SQLite's 0644).
    EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    Keep(cache, "/d/a.dxf", Version(1), Lines({{TextKind::Text, "x"}}));
    cache.Flush();
    ExtractedText out;
    EXPECT_TRUE(cache.Lookup("/d/a.dxf", Version(1), out));
}

TEST(TextCache, ACacheThatCannotBeOpenedIsUnusableAndSaysSoOnce) {
    TempDir dir;
    WriteFileBytes(dir.path() / "file", "not a folder");
    TextCache cache({(dir.path() / "file" / "text.sqlite").string()});
    EXPECT_FALSE(cache.Usable());
    EXPECT_NE(cache.TakeProblem(), "");
    EXPECT_EQ(cache.TakeProblem(), "");
    ExtractedText out;
    EXPECT_FALSE(cache.Lookup("/d/a.dxf", Version(1), out));
    Keep(cache, "/d/a.dxf", Version(1), Lines({{TextKind::Text, "x"}}));
    cache.Flush();  // returns at once
    std::vector<std::string> paths = {"/d/a.dxf", "/d/b.dxf"};
    std::vector<CachedRow> rows = cache.Survey(paths, SignatureTest());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_FALSE(rows[0].present || rows[1].present);
    EXPECT_FALSE(cache.LinesOf(rows[0], out));
    EXPECT_FALSE(cache.HoldsNoRows());  // cannot tell: not taken as empty
}

TEST(TextCache, StaysWithinItsSizeKeepingTheRowsUsedLast) {
    TempDir dir;
    std::string file = dir.path() / "text.sqlite";
    std::string line(3000, 'q');  // text that does not deflate much: varied bytes
    uint32_t seed = 1;
    for (char& ch : line) {
        seed = seed * 1103515245 + 12345;
        ch = static_cast<char>('!' + (seed >> 16) % 90);
    }
    TextCache cache({.path = file, .sizeLimit = 256 * 1024});
    for (int i = 0; i < 400; ++i) {
        Keep(cache, "/d/" + std::to_string(i) + ".dxf", Version(i),
             Lines({{TextKind::Text, line + std::to_string(i)}}));
        if (i % 50 == 49) cache.Flush();
    }
    cache.Flush();
    TextCacheStats stats;
    ASSERT_TRUE(TextCache::ReadStats(file, stats));
    EXPECT_LT(stats.rows, 400);
    EXPECT_LT(stats.fileBytes, 2 * 256 * 1024);
    ExtractedText newest;
    EXPECT_TRUE(cache.Lookup("/d/399.dxf", Version(399), newest));
}

TEST(TextCache, TwoCachesOnOneFileReadAndWriteAtOnce) {
    TempDir dir;
    std::string file = dir.path() / "text.sqlite";
    TextCache filling({file});
    TextCache reading({file});
    ASSERT_TRUE(filling.Usable() && reading.Usable());
    // Each drawing's own line, so that a lookup given another row's lines
    // shows.
    auto lineOf = [](int i) { return "t" + std::to_string(i); };
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i) {
            Keep(filling, "/d/" + std::to_string(i), Version(i),
                 Lines({{TextKind::Text, lineOf(i)}}));
        }
        filling.Flush();
    });
    // While the rows are written, a lookup finds a row whole or not at all,
    // and a row once found stays found.
    std::vector<bool> seen(2000, false);
    for (int round = 0; round < 4; ++round) {
        for (int i = 0; i < 2000; i += 7) {
            ExtractedText out;
            bool found = reading.Lookup("/d/" + std::to_string(i), Version(i), out);
            if (found) {
                EXPECT_EQ(Describe(out), "TEXT:" + lineOf(i) + ";") << i;
            } else {
                EXPECT_TRUE(out.empty()) << i;
                EXPECT_FALSE(seen[i]) << i << " was found in an earlier round";
            }
            seen[i] = seen[i] || found;
        }
    }
    writer.join();
    EXPECT_TRUE(filling.Usable()) << filling.TakeProblem();
    EXPECT_TRUE(reading.Usable()) << reading.TakeProblem();
    // Once written, every row is there for the other cache.
    for (int i = 0; i < 2000; i += 7) {
        ExtractedText out;
        EXPECT_TRUE(reading.Lookup("/d/" + std::to_string(i), Version(i), out)) << i;
        EXPECT_EQ(Describe(out), "TEXT:" + lineOf(i) + ";") << i;
    }
}

TEST(TextCache, CachesOpeningOneNewFileAtOnceAllStartIt) {
    // Searches started together (two windows, the page's clients) each find
    // the file new: none may drop the tables another has just made, nor give
    // up on the journal another is setting.
    for (int round = 0; round < 10; ++round) {
        TempDir dir;
        std::string file = dir.path() / "text.sqlite";
        constexpr int kCaches = 6;
        std::latch start(kCaches);
        std::vector<std::string> problems(kCaches);
        std::vector<std::thread> threads;
        for (int i = 0; i < kCaches; ++i) {
            threads.emplace_back([&, i] {
                start.arrive_and_wait();
                TextCache cache({file});
                Keep(cache, "/d/" + std::to_string(i), Version(i),
                     Lines({{TextKind::Text, "t" + std::to_string(i)}}));
                cache.Flush();
                problems[i] = cache.Usable() ? "" : cache.TakeProblem();
            });
        }
        for (std::thread& thread : threads) thread.join();
        for (int i = 0; i < kCaches; ++i) EXPECT_EQ(problems[i], "") << round << " " << i;
        TextCache after({file});
        for (int i = 0; i < kCaches; ++i) {
            ExtractedText out;
            EXPECT_TRUE(after.Lookup("/d/" + std::to_string(i), Version(i), out)) << i;
        }
    }
}

TEST(TextCache, AReadOnlyCacheReadsAndNeverWrites) {
    TempDir dir;
    std::string file = dir.path() / "text.sqlite";
    {
        TextCache built({.path = file, .sizeLimit = int64_t{1} << 30, .rollbackJournal = true});
        Keep(built, "/d/a.dxf", Version(1), Lines({{TextKind::Text, "x"}}));
    }
    std::string before = ReadFileBytes(file);
    {
        TextCache shared({.path = file, .neverWrite = true});
        ASSERT_TRUE(shared.Usable()) << shared.TakeProblem();
        ExtractedText out;
        EXPECT_TRUE(shared.Lookup("/d/a.dxf", Version(1), out));
        Keep(shared, "/d/b.dxf", Version(1), Lines({{TextKind::Text, "y"}}));
        shared.Flush();
        ExtractedText none;
        EXPECT_FALSE(shared.Lookup("/d/b.dxf", Version(1), none));
    }
    EXPECT_EQ(ReadFileBytes(file), before);
    EXPECT_FALSE(std::filesystem::exists(file + "-wal"));
}

// A read-only cache never claims to set its file aside: a file written in
// place while it is read is told as such, a damaged one as damaged, and
// neither is changed.
TEST(TextCache, AReadOnlyCacheTellsAWriterFromDamageAndSetsNothingAside) {
    TempDir dir;
    std::string file = dir.path() / "text.sqlite";
    {
        TextCache built({.path = file, .sizeLimit = int64_t{1} << 30, .rollbackJournal = true});
        Keep(built, "/d/a.dxf", Version(1), Lines({{TextKind::Text, "x"}}));
    }
    std::string good = ReadFileBytes(file);
    std::string garbage(good.size(), 'x');
    {
        TextCache shared({.path = file, .neverWrite = true});
        ASSERT_TRUE(shared.Usable()) << shared.TakeProblem();
        // Another program writes the file in place (same file, new bytes).
        {
            std::FILE* writer = std::fopen(file.c_str(), "r+b");
            ASSERT_NE(writer, nullptr);
            std::fwrite(garbage.data(), 1, garbage.size(), writer);
            std::fclose(writer);
        }
        ExtractedText out;
        EXPECT_FALSE(shared.Lookup("/d/a.dxf", Version(1), out));
        std::string problem = shared.TakeProblem();
        EXPECT_NE(problem.find("changed while it was read"), std::string::npos) << problem;
        EXPECT_EQ(problem.find("set aside"), std::string::npos) << problem;
    }
    // Damaged from the start: said so, and left as it is.
    {
        TextCache shared({.path = file, .neverWrite = true});
        EXPECT_FALSE(shared.Usable());
        std::string problem = shared.TakeProblem();
        EXPECT_EQ(problem.find("set aside"), std::string::npos) << problem;
        EXPECT_EQ(problem.find("changed while"), std::string::npos) << problem;
    }
    EXPECT_EQ(ReadFileBytes(file), garbage);
    EXPECT_FALSE(std::filesystem::exists(file + ".damaged"));
}

TEST(TextCache, ClearEmptiesTheFile) {
    TempDir dir;
    std::string file = dir.path() / "text.sqlite";
    {
        TextCache cache({file});
        EXPECT_TRUE(cache.HoldsNoRows());  // new: a search has nothing to look up
        Keep(cache, "/d/a.dxf", Version(1), Lines({{TextKind::Text, "x"}}));
        cache.Flush();
        EXPECT_FALSE(cache.HoldsNoRows());
    }
    EXPECT_FALSE(TextCache({file}).HoldsNoRows());
    ASSERT_TRUE(TextCache::Clear(file));
    EXPECT_TRUE(TextCache({file}).HoldsNoRows());
    TextCacheStats stats;
    ASSERT_TRUE(TextCache::ReadStats(file, stats));
    EXPECT_EQ(stats.rows, 0);
    EXPECT_FALSE(TextCache::Clear((dir.path() / "missing" / "x.sqlite").string()));
}

namespace {

// The path of the i-th of many rows; the last hundred in a folder whose name
// begins with a byte above 0x7F, so that byte order matters.
std::string RowPath(int i) {
    char number[8];
    std::snprintf(number, sizeof number, "%04d", i);
    return (i < 1200 ? "/d/" : "/d/\xE5\x9B\xB3/") + std::string(number) + ".dxf";
}

}  // namespace

TEST(TextCache, ASurveyGivesEveryRowAskedForInAnyOrder) {
    TempDir dir;
    TextCache cache({(dir.path() / "text.sqlite").string()});
    constexpr int kRows = 1300;
    for (int i = 0; i < kRows; ++i) {
        Keep(cache, RowPath(i), Version(i),
             Lines({{TextKind::Text, i % 5 == 0 ? "plan" : "elevation"}}));
    }
    cache.Flush();
    // Sparse, then over 512 rows asked in a row, then over 512 rows not
    // asked; paths without a row between them; one asked twice. Shuffled.
    std::vector<std::pair<std::string, int>> paths;  // and its row, -1 for none
    for (int i = 0; i < kRows; ++i) {
        if ((i < 100 && i % 3 == 0) || (i >= 100 && i < 700) || (i >= 1250 && i % 2 == 0)) {
            paths.emplace_back(RowPath(i), i);
        }
    }
    for (const char* absent : {"", "/c.dxf", "/d/0051x.dxf", "/d/0999a.dxf", "/d/0702.dxf.bak",
                               "/d/\xE5\x9B\xB3/9999.dxf", "/e/0001.dxf", "/d/0999a.dxf"}) {
        paths.emplace_back(absent, -1);
    }
    paths.emplace_back(RowPath(300), 300);
    std::shuffle(paths.begin(), paths.end(), std::mt19937(7));
    std::vector<std::string> asked;
    for (const auto& path : paths) asked.push_back(path.first);

    SignatureTest plan = Holds("plan");
    std::vector<CachedRow> rows = cache.Survey(asked, plan);
    std::vector<CachedRow> unruled = cache.Survey(asked, SignatureTest());
    ASSERT_EQ(rows.size(), asked.size());
    ASSERT_EQ(unruled.size(), asked.size());
    for (size_t k = 0; k < asked.size(); ++k) {
        int i = paths[k].second;
        ASSERT_EQ(rows[k].present, i >= 0) << asked[k];
        EXPECT_EQ(unruled[k].present, i >= 0) << asked[k];
        if (i < 0) continue;
        EXPECT_EQ(rows[k].version, Version(i)) << asked[k];
        EXPECT_EQ(rows[k].mayMatch, i % 5 == 0) << asked[k];
        EXPECT_TRUE(unruled[k].mayMatch) << asked[k];
        EXPECT_EQ(unruled[k].textId, rows[k].textId);
    }
    // Surveying counts nothing until the caller says how a row was used.
    EXPECT_EQ(cache.Lookups(), 0);
    cache.CountSurveyed(asked[0], rows[0], true);
    cache.CountSurveyed(asked[1], rows[1], false);
    EXPECT_EQ(cache.Lookups(), 2);
    EXPECT_EQ(cache.Hits(), 1);
}

TEST(TextCache, TheLinesOfASurveyedRowGoWhenItsPathIsStoredAgain) {
    TempDir dir;
    TextCache cache({(dir.path() / "text.sqlite").string()});
    Keep(cache, "/d/a.dxf", Version(1), Lines({{TextKind::Text, "plan"}}));
    Keep(cache, "/d/b.dxf", Version(1), Lines({{TextKind::MText, "section"}}));
    cache.Flush();
    std::vector<std::string> paths = {"/d/b.dxf", "/d/a.dxf"};
    std::vector<CachedRow> old = cache.Survey(paths, SignatureTest());
    ExtractedText lines;
    ASSERT_TRUE(cache.LinesOf(old[0], lines));
    EXPECT_EQ(Describe(lines), "MTEXT:section;");
    // Both, the last stored among them: new lines are never kept under the
    // number of the lines they replace.
    Keep(cache, "/d/b.dxf", Version(2), Lines({{TextKind::Text, "new b"}}));
    Keep(cache, "/d/a.dxf", Version(2), Lines({{TextKind::Text, "new a"}}));
    cache.Flush();
    for (const CachedRow& row : old) {
        ExtractedText gone;
        EXPECT_FALSE(cache.LinesOf(row, gone));
        EXPECT_TRUE(gone.empty());
    }
    std::vector<CachedRow> now = cache.Survey(paths, SignatureTest());
    for (size_t k = 0; k < paths.size(); ++k) {
        EXPECT_EQ(now[k].version, Version(2));
        ExtractedText current;
        ASSERT_TRUE(cache.LinesOf(now[k], current));
        EXPECT_EQ(Describe(current), k == 0 ? "TEXT:new b;" : "TEXT:new a;");
    }
}

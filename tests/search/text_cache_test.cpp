#include "search/text_cache.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <thread>

#include "search/keywords.h"
#include "search/text_cache_codec.h"
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

DrawingVersion Version(int64_t size) { return {7, 42, size, 1000, 2000, 1}; }

int Mode(const std::filesystem::path& path) {
    struct stat status {};
    stat(path.c_str(), &status);
    return status.st_mode & 0777;
}

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
    EXPECT_LT(EncodeCachedLines(large).size(), repeated.size() / 4);  // deflated
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
    EXPECT_FALSE(DecodeCachedLines(std::string("\x07", 1), out));
    EXPECT_TRUE(out.empty());
}

TEST(TextCache, GivesBackTheLinesOfTheSameVersionOnly) {
    TempDir dir;
    std::string file = dir.path() / "cache" / "text.sqlite";
    {
        TextCache cache({file});
        ASSERT_TRUE(cache.Usable()) << cache.TakeProblem();
        cache.Store("/d/a.dxf", Version(10), Lines({{TextKind::Text, "plan"}}));
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
    cache.Store("/d/a.dxf", Version(1), Lines({{TextKind::Text, "plan"}, {TextKind::Text, "x"}}));
    cache.Flush();
    ExtractedText out;
    SignatureQuery absent(PrepareKeywords("elevation"));
    EXPECT_EQ(cache.LookupFor("/d/a.dxf", Version(1), absent, out), TextCache::Found::RuledOut);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(cache.LookupFor("/d/a.dxf", Version(1), SignatureQuery(PrepareKeywords("PLAN")), out),
              TextCache::Found::Lines);
    EXPECT_EQ(Describe(out), "TEXT:plan;TEXT:x;");
    // Another version is a miss, whatever its signature says.
    out.Clear();
    EXPECT_EQ(cache.LookupFor("/d/a.dxf", Version(2), absent, out), TextCache::Found::Miss);
    EXPECT_EQ(cache.Hits(), 2);
}

TEST(TextCache, FolderAndFileAreTheOwnersAlone) {
    TempDir dir;
    std::filesystem::path file = dir.path() / "a" / "b" / "text.sqlite";
    TextCache cache({file});
    ASSERT_TRUE(cache.Usable());
    EXPECT_EQ(Mode(file.parent_path()), 0700);
    EXPECT_EQ(Mode(file), 0600);
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
    cache.Store("/d/a.dxf", Version(1), Lines({{TextKind::Text, "x"}}));
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
    cache.Store("/d/a.dxf", Version(1), Lines({{TextKind::Text, "x"}}));
    cache.Flush();  // returns at once
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
    TextCache cache({file, false, 256 * 1024});
    for (int i = 0; i < 400; ++i) {
        cache.Store("/d/" + std::to_string(i) + ".dxf", Version(i),
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
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i) {
            filling.Store("/d/" + std::to_string(i), Version(i), Lines({{TextKind::Text, "t"}}));
        }
        filling.Flush();
    });
    int found = 0;
    for (int round = 0; round < 4; ++round) {
        for (int i = 0; i < 2000; i += 7) {
            ExtractedText out;
            found += reading.Lookup("/d/" + std::to_string(i), Version(i), out);
        }
    }
    writer.join();
    EXPECT_TRUE(filling.Usable()) << filling.TakeProblem();
    EXPECT_TRUE(reading.Usable()) << reading.TakeProblem();
    ExtractedText last;
    EXPECT_TRUE(reading.Lookup("/d/1999", Version(1999), last));
    EXPECT_GE(found, 0);
}

TEST(TextCache, AReadOnlyCacheReadsAndNeverWrites) {
    TempDir dir;
    std::string file = dir.path() / "text.sqlite";
    {
        TextCache built({file, false, int64_t{1} << 30, true});
        built.Store("/d/a.dxf", Version(1), Lines({{TextKind::Text, "x"}}));
    }
    std::string before = ReadFileBytes(file);
    {
        TextCache shared({file, true});
        ASSERT_TRUE(shared.Usable()) << shared.TakeProblem();
        ExtractedText out;
        EXPECT_TRUE(shared.Lookup("/d/a.dxf", Version(1), out));
        shared.Store("/d/b.dxf", Version(1), Lines({{TextKind::Text, "y"}}));
        shared.Flush();
        ExtractedText none;
        EXPECT_FALSE(shared.Lookup("/d/b.dxf", Version(1), none));
    }
    EXPECT_EQ(ReadFileBytes(file), before);
    EXPECT_FALSE(std::filesystem::exists(file + "-wal"));
}

TEST(TextCache, ClearEmptiesTheFile) {
    TempDir dir;
    std::string file = dir.path() / "text.sqlite";
    {
        TextCache cache({file});
        cache.Store("/d/a.dxf", Version(1), Lines({{TextKind::Text, "x"}}));
    }
    ASSERT_TRUE(TextCache::Clear(file));
    TextCacheStats stats;
    ASSERT_TRUE(TextCache::ReadStats(file, stats));
    EXPECT_EQ(stats.rows, 0);
    EXPECT_FALSE(TextCache::Clear((dir.path() / "missing" / "x.sqlite").string()));
}

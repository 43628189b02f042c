// The filler that reads into the text cache what a search passed over: it
// waits for the search's end unless processors are spare, a stop holds it
// back, and what it reads is what a search that reads everything keeps.
#include "search/cache_filler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/file_status.h"
#include "search/candidate.h"
#include "tests/test_support.h"

using testing_support::DxfWithTexts;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

struct Drawings {
    TempDir dir;
    std::vector<std::string> paths;
    explicit Drawings(int count) {
        for (int i = 0; i < count; ++i) {
            paths.push_back((dir.path() / ("d" + std::to_string(i) + ".dxf")).string());
            WriteFileBytes(paths.back(), DxfWithTexts({"line " + std::to_string(i)}));
        }
    }
    std::string CacheFile() const { return (dir.path() / "text.sqlite").string(); }
};

// The drawings whose current version has its row, with its lines.
int Kept(TextCache& cache, const std::vector<std::string>& paths) {
    cache.Flush();
    int kept = 0;
    for (const std::string& path : paths) {
        ExtractedText text;
        if (cache.Lookup(path, DrawingVersionOf(path, *ReadFileStatus(path)), text) &&
            text.size() == 1) {
            ++kept;
        }
    }
    return kept;
}

// Waits up to `limit` for `done`.
bool Eventually(const std::function<bool()>& done,
                std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// An idle clock that gains `perCall` seconds at each reading.
CacheFiller::IdleClock Gaining(double perCall) {
    auto seconds = std::make_shared<double>(0);
    return [seconds, perCall]() -> std::optional<double> { return *seconds += perCall; };
}

}  // namespace

TEST(CacheFiller, WaitsForTheSearchsEndThenReadsEveryDrawingItWasGiven) {
    Drawings d(40);
    TextCache cache({d.CacheFile()});
    std::atomic<bool> stop{false};
    CacheFiller filler(cache, 3, stop, Gaining(0));  // no processor ever idle
    filler.SearchStarted();
    for (const std::string& path : d.paths) filler.Add(path);
    // Samples that find nothing spare let no thread read.
    filler.SearchGoesOn();
    std::this_thread::sleep_for(CacheFiller::kSampleTime + std::chrono::milliseconds(20));
    filler.SearchGoesOn();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(filler.Left(), d.paths.size());
    EXPECT_EQ(Kept(cache, d.paths), 0);
    filler.SearchEnded();
    EXPECT_TRUE(filler.Finish());
    EXPECT_EQ(filler.Left(), 0u);
    EXPECT_EQ(Kept(cache, d.paths), 40);
}

TEST(CacheFiller, ReadsDuringTheSearchWhileProcessorsAreSpare) {
    Drawings d(40);
    TextCache cache({d.CacheFile()});
    std::atomic<bool> stop{false};
    CacheFiller filler(cache, 2, stop, Gaining(1000));  // every processor idle
    filler.SearchStarted();
    for (const std::string& path : d.paths) filler.Add(path);
    filler.SearchGoesOn();  // the first sample: nothing to compare yet
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(filler.Left(), d.paths.size());
    std::this_thread::sleep_for(CacheFiller::kSampleTime);
    filler.SearchGoesOn();
    EXPECT_TRUE(Eventually([&] { return filler.Left() == 0; }));
    EXPECT_EQ(Kept(cache, d.paths), 40);
    // Held back again as the search ends, then free to read.
    filler.SearchEnding();
    filler.Add(d.paths[0]);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(filler.Left(), 1u);
    filler.SearchEnded();
    EXPECT_TRUE(filler.Finish());
}

TEST(CacheFiller, AStopHoldsItBackAndDestroyingItDropsTheRest) {
    Drawings d(30);
    TextCache cache({d.CacheFile()});
    std::atomic<bool> stop{true};
    {
        CacheFiller filler(cache, 2, stop);
        for (const std::string& path : d.paths) filler.Add(path);
        auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(filler.Finish());  // at once
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
        EXPECT_EQ(filler.Left(), d.paths.size());
        // Cleared by the next search, whose end lets the threads go on.
        stop = false;
        filler.SearchStarted();
        filler.SearchEnded();
        EXPECT_TRUE(filler.Finish());
        EXPECT_EQ(Kept(cache, d.paths), 30);

        stop = true;
        for (int round = 0; round < 3; ++round) {
            for (const std::string& path : d.paths) filler.Add(path);
        }
        EXPECT_EQ(filler.Left(), d.paths.size());  // each waits once
        for (const std::string& path : d.paths) WriteFileBytes(path, DxfWithTexts({"a", "b"}));
    }
    // Destroyed with the changed drawings waiting: none was read again.
    EXPECT_EQ(Kept(cache, d.paths), 0);
}

TEST(CacheFiller, KeepsNothingOfWhatCannotBeReadAndGoesOn) {
    Drawings d(3);
    std::filesystem::create_directory(d.dir.path() / "folder.dxf");
    std::vector<std::string> given = {(d.dir.path() / "missing.dxf").string(),
                                      (d.dir.path() / "folder.dxf").string(), d.paths[0]};
    TextCache cache({d.CacheFile()});
    std::atomic<bool> stop{false};
    CacheFiller filler(cache, 1, stop);
    for (const std::string& path : given) filler.Add(path);
    EXPECT_TRUE(filler.Finish());
    EXPECT_EQ(Kept(cache, {d.paths[0]}), 1);
    TextCacheStats stats;
    ASSERT_TRUE(TextCache::ReadStats(d.CacheFile(), stats));
    EXPECT_EQ(stats.rows, 1);
}

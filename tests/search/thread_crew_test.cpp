#include "search/thread_crew.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

TEST(ThreadCrew, EachRoundRunsOnEveryHelperAndTheCallerAndEndsWithThem) {
    ThreadCrew crew(3);
    EXPECT_EQ(crew.Helpers(), 3u);
    std::mutex mutex;
    std::set<std::thread::id> threads;
    for (int round = 0; round < 200; ++round) {
        std::atomic<int> runs{0};
        std::vector<int> slots(4, -1);  // each run writes its own, unguarded
        crew.RunOnAll([&] {
            int slot = runs.fetch_add(1);
            slots[static_cast<size_t>(slot)] = round;
            std::lock_guard lock(mutex);
            threads.insert(std::this_thread::get_id());
        });
        // Every run has returned, and what it wrote is seen.
        EXPECT_EQ(runs.load(), 4);
        EXPECT_EQ(slots, std::vector<int>(4, round));
    }
    // The same threads every round: none started after the first.
    EXPECT_EQ(threads.size(), 4u);
    EXPECT_TRUE(threads.count(std::this_thread::get_id()));
}

TEST(ThreadCrew, WithoutHelpersTheCallerRunsAlone) {
    ThreadCrew crew(0);
    std::thread::id ran;
    crew.RunOnAll([&] { ran = std::this_thread::get_id(); });
    EXPECT_EQ(ran, std::this_thread::get_id());
}

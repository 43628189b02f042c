#include "search/candidate_schedule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

// A pool that keeps what it is handed and gives outcomes back whenever they
// are taken, recording the order of events.
struct FakePool {
    std::vector<bool> settled;     // by index: settled when handed over
    std::vector<std::string> log;  // "hand 3", "take 3"
    std::set<size_t> inPool;
    size_t mostInPool = 0;

    CandidateSchedule Schedule(CandidateSchedule::Limits limits) {
        return CandidateSchedule(
            settled.size(), limits,
            [this](size_t index) -> std::optional<CandidateOutcome> {
                log.push_back("hand " + std::to_string(index));
                CandidateOutcome outcome;
                outcome.skipReason = "settled " + std::to_string(index);
                if (settled[index]) return outcome;
                inPool.insert(index);
                mostInPool = std::max(mostInPool, inPool.size());
                return std::nullopt;
            },
            [this](size_t index) {
                log.push_back("take " + std::to_string(index));
                EXPECT_EQ(inPool.erase(index), 1u) << index;
                CandidateOutcome outcome;
                outcome.skipReason = "tested " + std::to_string(index);
                return outcome;
            });
    }
};

}  // namespace

TEST(CandidateSchedule, OutcomesComeInCandidateOrderWithThePoolKeptFull) {
    FakePool pool;
    pool.settled.assign(50, false);
    CandidateSchedule schedule = pool.Schedule({.window = 4, .reach = 1024});
    for (size_t i = 0; i < 50; ++i) {
        EXPECT_EQ(schedule.OutcomeOf(i).skipReason, "tested " + std::to_string(i));
        // The window is full again after each outcome, as far as there are
        // candidates left.
        EXPECT_EQ(schedule.HandedOver(), std::min<size_t>(50, i + 4)) << i;
        EXPECT_EQ(schedule.InPool(), pool.inPool.size());
    }
    EXPECT_EQ(pool.mostInPool, 4u);
    EXPECT_TRUE(pool.inPool.empty());
    // Each candidate handed over once, in order, before its outcome is taken.
    std::vector<std::string> handed;
    for (const std::string& event : pool.log) {
        if (event.rfind("hand ", 0) == 0) handed.push_back(event);
    }
    ASSERT_EQ(handed.size(), 50u);
    for (size_t i = 0; i < 50; ++i) EXPECT_EQ(handed[i], "hand " + std::to_string(i));
}

TEST(CandidateSchedule, SettledCandidatesTakeNoPlaceInTheWindowButStayWithinReach) {
    FakePool pool;
    for (size_t i = 0; i < 40; ++i) pool.settled.push_back(i % 2 == 0 || i >= 20);
    CandidateSchedule schedule = pool.Schedule({.window = 2, .reach = 5});
    // 0 settled, 1 to the pool, 2 settled, 3 to the pool: the window is full.
    EXPECT_EQ(schedule.OutcomeOf(0).skipReason, "settled 0");
    EXPECT_EQ(schedule.HandedOver(), 4u);
    // Handing over comes before taking: 1 is still in the pool.
    EXPECT_EQ(schedule.OutcomeOf(1).skipReason, "tested 1");
    EXPECT_EQ(schedule.HandedOver(), 4u);
    EXPECT_EQ(schedule.OutcomeOf(2).skipReason, "settled 2");
    EXPECT_EQ(schedule.HandedOver(), 6u);
    for (size_t i = 3; i < 40; ++i) {
        EXPECT_EQ(schedule.OutcomeOf(i).skipReason,
                  (pool.settled[i] ? "settled " : "tested ") + std::to_string(i));
        EXPECT_LE(schedule.HandedOver(), i + 5) << i;
        EXPECT_LE(schedule.InPool(), 2u);
    }
    // From 20 on all are settled: handed over as far as the reach allows.
    EXPECT_EQ(schedule.HandedOver(), 40u);
    EXPECT_EQ(std::count_if(pool.log.begin(), pool.log.end(),
                            [](const std::string& e) { return e.rfind("take", 0) == 0; }),
              10);
}

TEST(CandidateSchedule, OneThreadHandsEachCandidateOverOnlyWhenItIsAsked) {
    // A limit changed between two reports then applies to the next candidate.
    FakePool pool;
    pool.settled = {false, true, false};
    CandidateSchedule schedule = pool.Schedule(CandidateSchedule::LimitsFor(1));
    for (size_t i = 0; i < 3; ++i) {
        schedule.OutcomeOf(i);
        EXPECT_EQ(schedule.HandedOver(), i + 1);
    }
    EXPECT_EQ(pool.log,
              (std::vector<std::string>{"hand 0", "take 0", "hand 1", "hand 2", "take 2"}));
    // More threads look further ahead than one each.
    CandidateSchedule::Limits four = CandidateSchedule::LimitsFor(4);
    EXPECT_GT(four.window, 4u);
    EXPECT_GE(four.reach, four.window);
}

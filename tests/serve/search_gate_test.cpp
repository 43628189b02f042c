#include "serve/search_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

TEST(SearchGate, LetsLimitInAndTheRestInOrderOfArrival) {
    SearchGate gate(2, 10);
    std::optional<SearchGate::Pass> first = gate.Enter(0ms);
    std::optional<SearchGate::Pass> second = gate.Enter(0ms);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(gate.Running(), 2u);
    EXPECT_FALSE(gate.Enter(50ms));  // full, and the wait runs out

    std::mutex orderMutex;
    std::vector<int> order;
    std::vector<std::thread> waiters;
    for (int k = 0; k < 4; ++k) {
        waiters.emplace_back([&, k] {
            std::optional<SearchGate::Pass> pass = gate.Enter(5s);
            ASSERT_TRUE(pass);
            std::lock_guard lock(orderMutex);
            order.push_back(k);
        });
        // Each is in line before the next comes.
        while (gate.Waiting() != static_cast<size_t>(k + 1)) std::this_thread::sleep_for(1ms);
    }
    first.reset();  // one place at a time: the passes end as the waiters take them
    for (std::thread& waiter : waiters) waiter.join();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
    second.reset();
    EXPECT_EQ(gate.Running(), 0u);
}

TEST(SearchGate, TurnsAwayWhenTheLineIsFullTheCallerHasGoneOrTheGateCloses) {
    SearchGate gate(1, 1);
    std::optional<SearchGate::Pass> running = gate.Enter(0ms);
    ASSERT_TRUE(running);

    std::atomic<bool> wanted{true};
    std::optional<SearchGate::Pass> waited;
    std::thread waiter([&] { waited = gate.Enter(10s, [&] { return wanted.load(); }); });
    while (gate.Waiting() != 1) std::this_thread::sleep_for(1ms);
    EXPECT_FALSE(gate.Enter(10s));  // the line holds one: no room to wait
    wanted.store(false);            // the client went away
    waiter.join();
    EXPECT_FALSE(waited);
    EXPECT_EQ(gate.Waiting(), 0u);

    std::thread closed([&] { waited = gate.Enter(10s); });
    while (gate.Waiting() != 1) std::this_thread::sleep_for(1ms);
    gate.Close();
    closed.join();
    EXPECT_FALSE(waited);
    running.reset();
    EXPECT_FALSE(gate.Enter(0ms));  // closed for good
}

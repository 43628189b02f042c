#pragma once

#include <atomic>
#include <chrono>
#include <thread>

#include "serve/drawing_search.h"

namespace serve_testing {

// A search that gives `rows` rows named row0.dxf, row1.dxf, ... with
// progress before each, then waits until stopped when `holdOpen` (a search
// that would run on), and records how it ended.
class ScriptedSearch final : public DrawingSearch {
  public:
    int rows = 3;
    std::atomic<bool> holdOpen{false};
    std::atomic<int> running{0};
    std::atomic<int> mostRunning{0};
    std::atomic<bool> sawStop{false};
    std::atomic<int> runs{0};

    SearchOutcome Run(const ServeQuery&, SearchReceiver& receiver,
                      const std::atomic<bool>& stop) override {
        int now = ++running;
        for (int most = mostRunning.load();
             now > most && !mostRunning.compare_exchange_weak(most, now);) {
        }
        ++runs;
        SearchOutcome outcome;
        for (int k = 0; k < rows && !stop.load(); ++k) {
            receiver.Progress(TestingStatus(rows, k + 1));
            ResultRecord record;
            record.size = 1000 * (k + 1);
            receiver.Row(record, "row" + std::to_string(k) + ".dxf");
            ++outcome.rows;
        }
        while (holdOpen && !stop.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        outcome.stopped = stop.load();
        sawStop.store(outcome.stopped);
        outcome.statusText = outcome.stopped ? CancelledStatus(SEARCH_STATUS_CANCELLED).text
                                             : DoneStatus(outcome.rows).text;
        --running;
        return outcome;
    }
};

}  // namespace serve_testing

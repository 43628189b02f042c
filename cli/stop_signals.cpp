#include "cli/stop_signals.h"

#include <signal.h>

#include <atomic>

namespace {

// Lock-free, so that the handler may touch them.
std::atomic<int> g_firstSignal{0};
std::atomic<int> g_signalCount{0};
std::atomic<void (*)()> g_onSignal{nullptr};
std::atomic<bool> g_endOnSecond{false};
std::atomic<bool> g_writing{false};
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The signal's default action, which takes effect once the handler returns
// (the signal is blocked until then).
void RestoreDefaultAction(int number) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(number, &action, nullptr);
}

void OnStopSignal(int number) {
    int none = 0;
    g_firstSignal.compare_exchange_strong(none, number);
    int count = g_signalCount.fetch_add(1) + 1;
    if (void (*onSignal)() = g_onSignal.load()) onSignal();
    if (count >= 2 && g_endOnSecond.load() && !g_writing.load()) {
        int first = g_firstSignal.load();
        RestoreDefaultAction(first);
        raise(first);
    }
}

}  // namespace

void CatchStopSignals(void (*onSignal)()) {
    g_onSignal.store(onSignal);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    // Reads and writes go on after the handler; the command looks at the
    // count itself.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int number : kStopSignals) sigaddset(&action.sa_mask, number);
    for (int number : kStopSignals) sigaction(number, &action, nullptr);
}

int StopSignal() { return g_firstSignal.load(); }

int StopSignalCount() { return g_signalCount.load(); }

void EndOnSecondSignal() { g_endOnSecond.store(true); }

WriteUnderWay::WriteUnderWay() { g_writing.store(true); }

WriteUnderWay::~WriteUnderWay() { g_writing.store(false); }

int EndBySignal(int number) {
    RestoreDefaultAction(number);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, number);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(number);
    return 128 + number;
}

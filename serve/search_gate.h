#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

// Waits on `changed`, `lock` held: true once `ready()` holds, false when
// `deadline` passes first or `stillWanted` (asked every 100 ms, without the
// lock) says the caller has gone.
bool WaitWhileWanted(std::unique_lock<std::mutex>& lock, std::condition_variable& changed,
                     std::chrono::steady_clock::time_point deadline,
                     const std::function<bool()>& stillWanted, const std::function<bool()>& ready);

// Lets at most `limit` searches run at once. The others wait their turn,
// first come first served, each for a bounded time; no more than
// `maxWaiting` wait at once.
class SearchGate {
  public:
    SearchGate(unsigned limit, size_t maxWaiting);

    // The right to run one search, given back when it goes.
    class Pass {
      public:
        Pass(Pass&& other) noexcept : m_gate(other.m_gate) { other.m_gate = nullptr; }
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;
        Pass& operator=(Pass&& other) noexcept {
            if (this != &other) {
                if (m_gate != nullptr) m_gate->Leave();
                m_gate = other.m_gate;
                other.m_gate = nullptr;
            }
            return *this;
        }
        ~Pass();

      private:
        friend class SearchGate;
        explicit Pass(SearchGate* gate) : m_gate(gate) {}
        SearchGate* m_gate;
    };

    // A pass once the search is first in line and a place is free. Nothing
    // when `wait` runs out first, when `stillWanted` (asked every 100 ms)
    // says the caller has gone, when too many wait already, or once the gate
    // is closed.
    std::optional<Pass> Enter(std::chrono::milliseconds wait,
                              const std::function<bool()>& stillWanted = {});

    // Turns away everyone waiting and every later caller.
    void Close();

    unsigned Running() const;
    size_t Waiting() const;

  private:
    void Leave();

    const unsigned m_limit;
    const size_t m_maxWaiting;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<uint64_t> m_line;  // the tickets of those waiting, in order of arrival
    uint64_t m_nextTicket = 0;
    unsigned m_running = 0;
    bool m_closed = false;
};

#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>

// Text handed from a search's thread to the connection that sends it: the
// producer adds lines, the consumer takes all that is waiting at once. The
// producer waits while more than `limit` bytes wait (a slow reader slows the
// search down instead of filling memory) unless the channel is closed.
class LineChannel {
  public:
    explicit LineChannel(size_t limit) : m_limit(limit) {}

    // Adds `line` (with its newline). Waits while the channel is full; after
    // Close, drops the line at once.
    void Push(std::string_view line);
    // The producer is done: Take gives what is left, then says so.
    void Finish();
    // The consumer has gone: Push stops waiting and keeps nothing.
    void Close();

    // Moves everything waiting into `out` (appended), waiting up to `wait`
    // for something to come. False once the producer has finished and
    // nothing is left.
    bool Take(std::string& out, std::chrono::milliseconds wait);

  private:
    const size_t m_limit;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_waiting;
    bool m_finished = false;
    bool m_closed = false;
};

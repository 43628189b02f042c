#include "search/cache_filler.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <optional>

#include "platform/processor_time.h"
#include "search/candidate.h"

CacheFiller::CacheFiller(TextCache& cache, unsigned threads, const std::atomic<bool>& stop,
                         IdleClock idleSeconds)
    : m_cache(cache), m_stop(stop), m_idleSeconds(std::move(idleSeconds)) {
    for (unsigned t = 0; t < std::max(1u, threads); ++t) m_threads.emplace_back([this] { Run(); });
}

CacheFiller::~CacheFiller() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_paths.clear();
        m_waiting.clear();
    }
    m_changed.notify_all();
    for (std::thread& thread : m_threads) thread.join();
}

void CacheFiller::Add(const std::string& path) {
    bool wake;
    {
        std::lock_guard lock(m_mutex);
        if (!m_waiting.insert(path).second) return;
        m_paths.push_back(path);
        wake = MayRead();
    }
    if (wake) m_changed.notify_one();
}

void CacheFiller::SearchStarted() {
    std::lock_guard lock(m_mutex);
    m_searching = true;
    m_allowed = 0;
    m_idleThen = -1;
}

void CacheFiller::SearchGoesOn() {
    const auto now = std::chrono::steady_clock::now();
    if (m_idleThen >= 0 && now - m_sampledAt < kSampleTime) return;
    std::optional<double> idle = m_idleSeconds();
    const int64_t busy = m_busyNanos.load(std::memory_order_relaxed);
    if (idle && m_idleThen >= 0) {
        // Processors idle, or reading for the filler (they are the search's
        // once it holds back), on average over the sample.
        const double seconds = std::chrono::duration<double>(now - m_sampledAt).count();
        const double spare =
            (*idle - m_idleThen + static_cast<double>(busy - m_busyNanosThen) * 1e-9) / seconds;
        const double threads = static_cast<double>(m_threads.size());
        AllowDuringSearch(spare > 0 ? static_cast<unsigned>(std::min(spare, threads)) : 0);
    }
    m_sampledAt = now;
    m_idleThen = idle.value_or(-1);
    m_busyNanosThen = busy;
}

void CacheFiller::SearchEnding() { AllowDuringSearch(0); }

void CacheFiller::AllowDuringSearch(unsigned threads) {
    bool more;
    {
        std::lock_guard lock(m_mutex);
        more = threads > m_allowed;
        m_allowed = threads;
    }
    if (more) m_changed.notify_all();
}

void CacheFiller::SearchEnded() {
    {
        std::lock_guard lock(m_mutex);
        m_searching = false;
        m_allowed = 0;
    }
    m_changed.notify_all();
}

bool CacheFiller::Finish() {
    std::unique_lock lock(m_mutex);
    m_changed.notify_all();
    // The stop may come from a signal handler, which cannot wake anyone: it
    // is looked at every 20 ms.
    while (!m_paths.empty() || m_reading > 0) {
        if (m_stop.load()) return false;
        m_done.wait_for(lock, std::chrono::milliseconds(20));
    }
    return true;
}

size_t CacheFiller::Left() {
    std::lock_guard lock(m_mutex);
    return m_paths.size() + m_reading;
}

bool CacheFiller::MayRead() const {
    return !m_paths.empty() && !m_stop.load(std::memory_order_relaxed) &&
           (!m_searching || m_reading < m_allowed);
}

void CacheFiller::Run() {
    // Kept from drawing to drawing while there is work, given back between.
    std::optional<CandidateScratch> scratch;
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (!MayRead()) {
            if (m_paths.empty()) scratch.reset();
            m_changed.wait(lock, [this] { return m_stopping || MayRead(); });
        }
        if (m_stopping) return;
        std::string path = std::move(m_paths.front());
        m_paths.pop_front();
        m_waiting.erase(path);
        ++m_reading;
        lock.unlock();
        const double started = ThreadProcessorSeconds();
        try {
            if (!scratch) scratch.emplace();
            ReadIntoCache(path, m_cache, *scratch);
        } catch (const std::bad_alloc&) {
            // Too large to keep: the next search reads it again.
            scratch.reset();
        }
        m_busyNanos.fetch_add(static_cast<int64_t>((ThreadProcessorSeconds() - started) * 1e9),
                              std::memory_order_relaxed);
        lock.lock();
        if (--m_reading == 0 && m_paths.empty()) m_done.notify_all();
    }
}

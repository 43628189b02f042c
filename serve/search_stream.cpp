#include "serve/search_stream.h"

#include <nlohmann/json.hpp>

#include "results/result_json.h"

namespace {

// Rows waiting to be sent, at most; past it the search waits for the client.
constexpr size_t kChannelBytes = 1 << 20;

std::string JsonLine(const nlohmann::ordered_json& value) {
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace

SearchStream::SearchStream(ServeQuery query, SearchStreamOptions options)
    : m_query(std::move(query)), m_options(options), m_channel(kChannelBytes) {}

SearchStream::~SearchStream() { Detach(); }

void SearchStream::Attach(std::shared_ptr<SharedRun> run) { m_run = std::move(run); }

void SearchStream::Detach() {
    if (!m_run) return;
    // A report waiting for room in the channel gives up first.
    m_channel.Close();
    m_run->Leave(*this);
    m_run.reset();
}

void SearchStream::LeaveWaitingRun() {
    if (!m_run) return;
    m_run->Leave(*this);
    m_run.reset();
}

void SearchStream::RunEnded(const SearchOutcome& outcome, bool timedOut) {
    {
        std::lock_guard lock(m_mutex);
        m_outcome = outcome;
        m_timedOut = timedOut;
    }
    m_channel.Finish();
}

void SearchStream::Progress(const SearchStatus& status) {
    // The last status is the summary's.
    bool running = status.phase == SearchPhase::Collecting || status.phase == SearchPhase::Testing;
    if (!m_options.progress || !running) return;
    std::lock_guard lock(m_mutex);
    m_progress = status;
    m_progressChanged = true;
}

void SearchStream::Row(const ResultRecord& record, const std::string& relativePath) {
    m_channel.Push(
        ResultJsonObject(record, relativePath, {.showMatch = true, .root = &m_query.root->name}) +
        "\n");
}

void SearchStream::Notice(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_messages.push_back(text);
}

std::string SearchStream::TakeProgressLine() {
    std::lock_guard lock(m_mutex);
    if (!m_progressChanged) return {};
    m_progressChanged = false;
    return JsonLine({{"progress", m_progress.text},
                     {"candidates", m_progress.count},
                     {"tested", m_progress.tested}});
}

std::string SearchStream::SummaryLine(const SearchOutcome& outcome, bool timedOut) const {
    std::lock_guard lock(m_mutex);
    nlohmann::ordered_json messages = m_messages;
    if (!outcome.refusal.empty()) messages.push_back(outcome.refusal);
    if (timedOut) {
        messages.push_back("the search took longer than its limit of " +
                           std::to_string(m_options.timeLimit.count() / 1000) +
                           " s and was stopped");
    }
    return JsonLine({{"count", outcome.rows},
                     {"status", outcome.statusText},
                     {"stopped", outcome.stopped},
                     {"timed_out", timedOut},
                     {"skipped", outcome.skipped},
                     {"messages", messages}});
}

bool SearchStream::Run(const std::function<bool(std::string_view)>& write,
                       const std::function<bool()>& clientThere) {
    using Clock = std::chrono::steady_clock;
    if (!m_run) return false;
    const Clock::time_point deadline = Clock::now() + m_options.timeLimit;
    bool gone = false;
    bool timeLimitTold = false;
    Clock::time_point lastProgress = Clock::now() - m_options.tick;
    for (bool more = true; more;) {
        std::string batch;
        more = m_channel.Take(batch, m_options.tick);
        if (m_options.progress && (Clock::now() - lastProgress >= m_options.tick || !more)) {
            std::string progress = TakeProgressLine();
            if (!progress.empty()) {
                batch = progress + batch;
                lastProgress = Clock::now();
            }
        }
        gone = batch.empty() ? !clientThere() : !write(batch);
        if (gone) break;
        if (more && !timeLimitTold && Clock::now() >= deadline) {
            timeLimitTold = true;
            m_run->StopForTimeLimit();
        }
    }
    // The run has ended, or this stream leaves it (the last to leave stops it).
    Detach();
    if (gone) return false;
    SearchOutcome outcome;
    bool timedOut = false;
    {
        std::lock_guard lock(m_mutex);
        outcome = m_outcome;
        timedOut = m_timedOut;
    }
    return write(SummaryLine(outcome, timedOut));
}

#include "serve/shared_run.h"

#include <algorithm>

SharedRun::SharedRun(DrawingSearch& search, ServeQuery query)
    : m_search(search), m_query(std::move(query)) {}

SharedRun::~SharedRun() {
    m_stop.store(true);
    if (m_thread.joinable()) m_thread.join();
}

bool SharedRun::Join(RunMember& member) {
    std::lock_guard state(m_stateMutex);
    if (m_state != State::Waiting) return false;
    std::lock_guard members(m_membersMutex);
    m_members.push_back(&member);
    return true;
}

void SharedRun::Leave(RunMember& member) {
    std::lock_guard lock(m_membersMutex);
    auto found = std::find(m_members.begin(), m_members.end(), &member);
    if (found == m_members.end()) return;
    m_members.erase(found);
    if (m_members.empty()) m_stop.store(true);
}

void SharedRun::Begin(std::optional<SearchGate::Pass> pass) {
    {
        std::lock_guard lock(m_stateMutex);
        if (m_state != State::Waiting) return;
        m_state = State::Running;
    }
    m_stateChanged.notify_all();
    m_thread = std::thread([this, pass = std::move(pass)]() mutable {
        SearchOutcome outcome = m_search.Run(m_query, *this, m_stop);
        pass.reset();  // the next search may start while this one's lines are written
        std::lock_guard lock(m_membersMutex);
        for (RunMember* member : m_members) member->RunEnded(outcome, m_timedOut.load());
    });
}

void SharedRun::Abandon() {
    {
        std::lock_guard lock(m_stateMutex);
        if (m_state != State::Waiting) return;
        m_state = State::Abandoned;
    }
    m_stateChanged.notify_all();
}

SharedRun::State SharedRun::CurrentState() {
    std::lock_guard lock(m_stateMutex);
    return m_state;
}

SharedRun::State SharedRun::WaitForTurn(std::chrono::steady_clock::time_point deadline,
                                        const std::function<bool()>& stillWanted) {
    std::unique_lock lock(m_stateMutex);
    WaitWhileWanted(lock, m_stateChanged, deadline, stillWanted,
                    [this] { return m_state != State::Waiting; });
    return m_state;
}

void SharedRun::StopForTimeLimit() {
    m_timedOut.store(true);
    m_stop.store(true);
}

void SharedRun::Progress(const SearchStatus& status) {
    std::lock_guard lock(m_membersMutex);
    for (RunMember* member : m_members) member->Progress(status);
}

void SharedRun::Row(const ResultRecord& record, const std::string& relativePath) {
    std::lock_guard lock(m_membersMutex);
    for (RunMember* member : m_members) member->Row(record, relativePath);
}

void SharedRun::Notice(const std::string& text) {
    std::lock_guard lock(m_membersMutex);
    for (RunMember* member : m_members) member->Notice(text);
}

std::shared_ptr<SharedRun> SharedRuns::Join(const ServeQuery& query, RunMember& member,
                                            bool& leads) {
    std::lock_guard lock(m_mutex);
    // Runs that began, were abandoned or have gone take no one.
    std::erase_if(m_waiting, [](const std::weak_ptr<SharedRun>& entry) {
        std::shared_ptr<SharedRun> run = entry.lock();
        return !run || run->CurrentState() != SharedRun::State::Waiting;
    });
    for (const std::weak_ptr<SharedRun>& entry : m_waiting) {
        std::shared_ptr<SharedRun> run = entry.lock();
        if (run && run->Query() == query && run->Join(member)) {
            leads = false;
            return run;
        }
    }
    auto run = std::make_shared<SharedRun>(m_search, query);
    run->Join(member);
    m_waiting.push_back(run);
    leads = true;
    return run;
}

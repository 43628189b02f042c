#include "index/index_search_session.h"

#include "index/schema.h"
#include "platform/file_status.h"
#include "platform/folder_listing.h"
#include "search/drawing_types.h"

bool OfficeIndexSettings::Covers(const std::string& place) const {
    return !target.empty() && place != kAllDrivesPlace && IsUnderMapping(place, mappings);
}

IndexSearchSession::IndexSearchSession(SearchFrontEnd& frontEnd, FailureReport onFailure,
                                       FreshnessReport onFreshness)
    : m_frontEnd(frontEnd),
      m_onFailure(std::move(onFailure)),
      m_onFreshness(std::move(onFreshness)) {}

IndexSearchSession::~IndexSearchSession() {
    StopSearch();
    Wait();
}

StartResult IndexSearchSession::StartSearch(const OfficeIndexSettings& settings,
                                            const SearchRequest& request) {
    if (m_running.load()) return StartResult::AlreadyRunning;
    if (request.narrow && m_hits.empty()) return StartResult::NothingToNarrow;
    Wait();
    m_cancel.store(false);
    m_running.store(true);
    m_worker = std::thread([this, settings, request] { RunWorker(settings, request); });
    return StartResult::Started;
}

void IndexSearchSession::StopSearch() { m_cancel.store(true); }

bool IndexSearchSession::IsRunning() const { return m_running.load(); }

void IndexSearchSession::Wait() {
    if (m_worker.joinable()) m_worker.join();
}

void IndexSearchSession::RunWorker(OfficeIndexSettings settings, SearchRequest request) {
    m_frontEnd.PostStatus(CollectingStatus(-1));
    IndexSearch search;
    search.passes = {PrepareKeywords(m_frontEnd.KeywordText())};
    search.place = request.narrow ? m_lastPlace : AbsolutePath(request.place);
    ReadResult<FileStatus> status = ReadFileStatus(search.place);
    search.placeIsFile = status && !status->isFolder;
    search.subfolders = m_frontEnd.IncludeSubfolders();
    search.typeMask = request.typeMask;
    search.date = m_frontEnd.DateLimits();
    search.size = m_frontEnd.SizeLimits();
    search.mappings = settings.mappings;

    std::set<std::string> hits;
    std::vector<bool> iconLoaded(TypeSlotCount(), false);
    std::optional<DbError> failure;
    DbResult<std::unique_ptr<PgConnection>> connection =
        PgConnection::Connect(settings.target, settings.timeouts);
    DbResult<IndexSearchOutcome> outcome = DbError{};
    if (!connection) {
        failure = connection.Error();
    } else if (DbResult<void> schema = CheckIndexSchema(**connection); !schema) {
        failure = schema.Error();
    } else {
        outcome = SearchIndex(
            **connection, search,
            [&](ResultRecord record, int slot) {
                // Narrowing keeps the last search's hits alone.
                if (request.narrow && !m_hits.count(record.fullPath)) return true;
                if (slot >= 0 && !iconLoaded[slot]) {
                    iconLoaded[slot] = true;
                    m_frontEnd.LoadTypeIcon(slot, record.fullPath);
                }
                hits.insert(record.fullPath);
                m_frontEnd.AddResultRow(std::move(record), slot);
                return true;
            },
            &m_cancel);
        if (!outcome && outcome.Error().kind != DbFailure::Cancelled) failure = outcome.Error();
    }
    if (failure) {
        m_onFailure(*failure);
        m_frontEnd.PostStatus(CancelledStatus(SEARCH_STATUS_CANCELLED));
    } else if (m_cancel.load()) {
        m_frontEnd.PostStatus(CancelledStatus(SEARCH_STATUS_CANCELLED));
    } else {
        m_onFreshness(outcome->freshAsOf);
        m_frontEnd.PostStatus(DoneStatus(static_cast<int64_t>(hits.size())));
        m_hits = std::move(hits);
        m_lastPlace = search.place;
        m_frontEnd.EndNarrowingMode();
    }
    m_running.store(false);
    m_frontEnd.SearchEnded();
}

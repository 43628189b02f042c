#include "serve/index_search.h"

#include "index/schema.h"
#include "serve/pass_runner.h"

// One index search session.
class IndexDrawingSearch::Slot final : public PassRunner {
  public:
    explicit Slot(const OfficeIndexSettings& settings)
        : m_settings(settings),
          m_session(
              *this,
              [this](const DbError& error) {
                  PassFailed("the office index could not answer: " + error.message);
              },
              [](std::optional<int64_t>) {}) {}

  private:
    StartResult StartPass(const SearchRequest& request) override {
        return m_session.StartSearch(m_settings, request);
    }
    void StopPass() override { m_session.StopSearch(); }
    void JoinPass() override { m_session.Wait(); }

    OfficeIndexSettings m_settings;
    IndexSearchSession m_session;  // its worker ends before the runner goes
};

class IndexDrawingSearch::Pool final : public RunnerPool<Slot> {
    using RunnerPool::RunnerPool;
};

IndexDrawingSearch::IndexDrawingSearch(unsigned sessions, OfficeIndexSettings settings)
    : m_pool(std::make_unique<Pool>(sessions, settings)) {}

IndexDrawingSearch::~IndexDrawingSearch() = default;

SearchOutcome IndexDrawingSearch::Run(const ServeQuery& query, SearchReceiver& receiver,
                                      const std::atomic<bool>& stop) {
    return m_pool->Run(query, receiver, stop);
}

std::string CheckOfficeIndex(const OfficeIndexSettings& settings) {
    DbResult<std::unique_ptr<PgConnection>> connection =
        PgConnection::Connect(settings.target, settings.timeouts);
    if (!connection) return connection.Error().message;
    if (DbResult<void> schema = CheckIndexSchema(**connection); !schema)
        return schema.Error().message;
    return {};
}

#include "serve/local_search.h"

#include "search/search_session.h"
#include "serve/pass_runner.h"

// One search session, reading the drawings here.
class LocalDrawingSearch::Slot final : public PassRunner {
  public:
    Slot(unsigned threads, const std::optional<TextCacheSettings>& cache)
        : m_session(*this, threads) {
        m_session.UseTextCache(cache);
    }

  private:
    StartResult StartPass(const SearchRequest& request) override {
        return m_session.StartSearch(request);
    }
    void StopPass() override { m_session.StopSearch(); }
    void JoinPass() override { m_session.Wait(); }

    SearchSession m_session;  // its worker ends before the runner goes
};

class LocalDrawingSearch::Pool final : public RunnerPool<Slot> {
    using RunnerPool::RunnerPool;
};

LocalDrawingSearch::LocalDrawingSearch(unsigned sessions, unsigned threads,
                                       const std::optional<TextCacheSettings>& cache)
    : m_pool(std::make_unique<Pool>(sessions, threads, cache)) {}

LocalDrawingSearch::~LocalDrawingSearch() = default;

SearchOutcome LocalDrawingSearch::Run(const ServeQuery& query, SearchReceiver& receiver,
                                      const std::atomic<bool>& stop) {
    return m_pool->Run(query, receiver, stop);
}

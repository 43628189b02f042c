#pragma once

#include <memory>
#include <string>

#include "index/index_search_session.h"
#include "serve/drawing_search.h"

// Answers the page's searches from the office index: each search is asked of
// the index (an index search session per search running at once, each
// connecting for its passes) instead of reading the drawings, and gives the
// rows a search reading them gives, in the same order. The roots are this
// machine's folders; `settings.mappings` tells where the index's places lie
// among them (none: the index was built over these same paths). A server
// that is down or refuses, or a root the index does not hold, ends the
// search with the reason in its summary.
class IndexDrawingSearch final : public DrawingSearch {
  public:
    IndexDrawingSearch(unsigned sessions, OfficeIndexSettings settings);
    ~IndexDrawingSearch() override;

    SearchOutcome Run(const ServeQuery& query, SearchReceiver& receiver,
                      const std::atomic<bool>& stop) override;

  private:
    class Slot;
    class Pool;
    std::unique_ptr<Pool> m_pool;
};

// Whether the index at `settings` answers: connects and checks its tables.
// Empty when it does; otherwise why not, in words for the server's log.
std::string CheckOfficeIndex(const OfficeIndexSettings& settings);

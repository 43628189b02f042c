#pragma once

#include <memory>
#include <optional>

#include "cache/text_cache.h"
#include "serve/drawing_search.h"

// Answers the page's searches with the engine on this machine: the roots are
// walked and their drawings read here, through the text cache all the
// server's users share. Each search runs on one of a fixed set of search
// sessions, each opened once (with its own connections to the cache) and
// reused; a search waits for a free one. A narrowing text is a further pass
// over the last pass's hits, as `search --and` runs it.
class LocalDrawingSearch final : public DrawingSearch {
  public:
    // `sessions` searches at once, each with `threads` extraction threads (0:
    // one per core), keeping and reusing text in `cache` (nothing: no cache).
    LocalDrawingSearch(unsigned sessions, unsigned threads,
                       const std::optional<TextCacheSettings>& cache);
    ~LocalDrawingSearch() override;

    // Rows are the last pass's hits that lie under the query's root once
    // links are followed (a link to a drawing outside it is passed over).
    SearchOutcome Run(const ServeQuery& query, SearchReceiver& receiver,
                      const std::atomic<bool>& stop) override;

  private:
    class Slot;
    class Pool;
    std::unique_ptr<Pool> m_pool;
};

#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "serve/drawing_search.h"
#include "serve/http_text.h"
#include "serve/roots.h"
#include "serve/users.h"

struct ServeSettings {
    ListenAddress listen{.host = "127.0.0.1", .port = 8080};
    std::vector<ServedRoot> roots = {};
    unsigned maxSearches = 1;  // searches at once; the others wait their turn
    std::chrono::seconds searchTimeLimit{300};
    std::chrono::seconds queueWait{30};  // how long a search waits for its turn (then 503)
    size_t maxWaiting = 256;             // searches that may wait at once (more: 503 at once)
    size_t connectionThreads = 96;       // connections served at once
    // Who may use the page; nothing: everyone who reaches it.
    std::shared_ptr<UserTable> users = {};
};

// The search page and its API over HTTP (see README, "The search page"):
//   /                 the page (its script, style sheet and icon beside it)
//   /api/search       a search, streamed as lines of JSON (SearchStream)
//   /api/drawing      one drawing, downloaded
//   /api/roots        the roots: their names and shares
//   /api/folders      the folders directly under a folder of a root
//   /api/config       the page's tables: columns, drawing types, version
// It serves GET and HEAD alone, never writes a file, answers errors as
// {"error": TEXT} with their HTTP status, and puts the same three security
// headers on every response.
class SearchServer {
  public:
    SearchServer(ServeSettings settings, DrawingSearch& search);
    ~SearchServer();
    SearchServer(const SearchServer&) = delete;
    SearchServer& operator=(const SearchServer&) = delete;

    // Takes the listening socket (port 0: any free port). False, with the
    // reason in `error`, when it cannot.
    bool Bind(std::string& error);
    // The port bound.
    int Port() const;
    // Serves until Stop; false when serving failed.
    bool Serve();
    // Ends Serve: no new connection is taken, running searches are stopped,
    // and Serve returns once every connection has ended. Any thread.
    void Stop();

  private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

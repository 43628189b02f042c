#include "serve/search_server.h"

#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>

#include "bytes/utf8.h"
#include "platform/file_source.h"
#include "platform/folder_listing.h"
#include "plotsieve_version.h"
#include "results/result_record.h"
#include "search/drawing_types.h"
#include "serve/bounded_stream.h"
#include "serve/page_assets.h"
#include "serve/search_gate.h"
#include "serve/search_query.h"
#include "serve/search_stream.h"

namespace {

constexpr const char* kJson = "application/json; charset=utf-8";
constexpr const char* kJsonLines = "application/x-ndjson; charset=utf-8";
// Requests one connection may carry, and how long it may sit idle between them.
constexpr size_t kKeepAliveRequests = 100;
constexpr auto kKeepAliveWait = std::chrono::seconds(5);
// The most folders /api/folders lists.
constexpr size_t kMaxFolders = 5000;
// A drawing is sent in pieces of this size.
constexpr size_t kDownloadPiece = 256 * 1024;

// What the handlers of one request learn of its connection, on the thread
// that serves it.
struct ConnectionState {
    BoundedSocketStream* stream = nullptr;
    bool closeAfterResponse = false;  // a request the connection cannot go on after
};
thread_local ConnectionState t_connection;

std::string JsonText(const nlohmann::ordered_json& value) {
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

void SetJsonError(httplib::Response& res, int status, const std::string& message) {
    res.status = status;
    res.set_content(JsonText({{"error", message}}) + "\n", kJson);
}

void SetJson(httplib::Response& res, const nlohmann::ordered_json& value) {
    res.set_header("Cache-Control", "no-store");
    res.set_content(JsonText(value) + "\n", kJson);
}

// What the error handler says for a status no handler gave words to.
std::string StatusWords(int status) {
    switch (status) {
        case 400:
            return "the request cannot be read";
        case 404:
            return "nothing is here";
        case 413:
        case 431:
            return "the request is too large";
        case 414:
            return "the address is too long";
        case 416:
            return "the range cannot be served";
        default:
            return status >= 500 ? "the server failed" : "the request was refused";
    }
}

// A search of the API: its stream, which receives a run shared with the
// searches of the same query that waited with it.
struct SearchJob {
    SearchJob(ServeQuery query, SearchStreamOptions options) : stream(std::move(query), options) {}
    SearchStream stream;
};

}  // namespace

class SearchServer::Impl final : public httplib::Server {
  public:
    Impl(ServeSettings settings, DrawingSearch& search)
        : m_settings(std::move(settings)),
          m_search(search),
          m_gate(m_settings.maxSearches, m_settings.maxWaiting),
          m_runs(search) {
        const size_t threads = m_settings.connectionThreads;
        new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
        set_socket_options([](socket_t socket) {
            int yes = 1;
            setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        });
        set_default_headers({
            {"Content-Security-Policy",
             "default-src 'self'; frame-ancestors 'none'; base-uri 'none'; form-action 'self'"},
            {"X-Content-Type-Options", "nosniff"},
            {"Referrer-Policy", "no-referrer"},
        });
        set_payload_max_length(0);
        set_keep_alive_max_count(kKeepAliveRequests);
        set_keep_alive_timeout(kKeepAliveWait.count());
        set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
            return Screen(req, res);
        });
        set_error_handler(HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
            if (t_connection.stream != nullptr && t_connection.stream->HeadOverflowed()) {
                res.status = 431;
            }
            // A request that could not be read whole may have left bytes of
            // its own behind: the connection ends with its answer.
            if ((res.status == 400 || res.status >= 413) && !t_connection.closeAfterResponse) {
                t_connection.closeAfterResponse = true;
                res.set_header("Connection", "close");
            }
            if (res.body.empty()) SetJsonError(res, res.status, StatusWords(res.status));
            return HandlerResponse::Handled;
        }));
        set_exception_handler(
            [](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
                SetJsonError(res, 500, "the server failed");
            });

        Get("/", [](const httplib::Request& req, httplib::Response& res) {
            ServeAsset("/index.html", req, res);
        });
        Get(R"(/[a-z0-9_-]+\.(html|js|css|svg))",
            [](const httplib::Request& req, httplib::Response& res) {
                ServeAsset(req.path, req, res);
            });
        Get("/api/config", [this](const httplib::Request&, httplib::Response& res) {
            SetJson(res, ConfigJson());
        });
        Get("/api/roots", [this](const httplib::Request&, httplib::Response& res) {
            nlohmann::ordered_json roots = nlohmann::ordered_json::array();
            for (const ServedRoot& root : m_settings.roots) {
                roots.push_back({{"name", root.name}, {"share", root.share}});
            }
            SetJson(res, roots);
        });
        Get("/api/folders",
            [this](const httplib::Request& req, httplib::Response& res) { ListFolders(req, res); });
        Get("/api/search",
            [this](const httplib::Request& req, httplib::Response& res) { StartSearch(req, res); });
        Get("/api/drawing",
            [this](const httplib::Request& req, httplib::Response& res) { SendDrawing(req, res); });
    }

    bool BindTo(std::string& error) {
        const ListenAddress& listen = m_settings.listen;
        errno = 0;
        bool bound;
        if (listen.port == 0) {
            m_port = bind_to_any_port(listen.host);
            bound = m_port > 0;
        } else {
            bound = bind_to_port(listen.host, listen.port);
            m_port = listen.port;
        }
        if (!bound) {
            error = "cannot listen on " + listen.host + ":" + std::to_string(listen.port);
            if (errno != 0) error += ": " + std::string(std::strerror(errno));
        }
        return bound;
    }

    int BoundPort() const { return m_port; }

    void StopServing() {
        m_stopping.store(true);
        m_gate.Close();
        stop();
    }

  private:
    bool Serving() const { return !m_stopping.load() && svr_sock_ != INVALID_SOCKET; }

    // Each connection is read through a BoundedSocketStream, so that no
    // request is taken past its bounds, and kept open between requests
    // while the client wants.
    bool process_and_close_socket(socket_t socket) override {
        int yes = 1;
        setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        ConnectionLimits limits;
        BoundedSocketStream stream(socket, limits);
        t_connection = {.stream = &stream};
        bool served = false;
        for (size_t left = kKeepAliveRequests; left > 0; --left) {
            if (!stream.WaitForRequest(kKeepAliveWait, [this] { return Serving(); })) break;
            stream.StartRequest();
            t_connection.closeAfterResponse = false;
            bool closed = false;
            served = process_request(stream, left == 1 || !Serving(), closed,
                                     [](httplib::Request& req) { LimitRanges(req); });
            if (!served && stream.HeadOverflowed() && stream.WrittenSinceStart() == 0) {
                WriteTooLarge(stream);
            }
            if (!served || closed || t_connection.closeAfterResponse) break;
        }
        t_connection = {};
        shutdown(socket, SHUT_RDWR);
        close(socket);
        return served;
    }

    // A request line or head so long that the library gave up on it before
    // it could answer: 431, and the connection ends.
    void WriteTooLarge(BoundedSocketStream& stream) {
        std::string body = JsonText({{"error", StatusWords(431)}}) + "\n";
        std::string response = "HTTP/1.1 431 Request Header Fields Too Large\r\n";
        for (const char* header :
             {"Content-Security-Policy: default-src 'self'; frame-ancestors 'none'",
              "X-Content-Type-Options: nosniff", "Referrer-Policy: no-referrer",
              "Connection: close"}) {
            response += std::string(header) + "\r\n";
        }
        response += "Content-Type: " + std::string(kJson) +
                    "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
        stream.write(response.data(), response.size());
    }

    // Several ranges in one request would have a drawing read many times
    // over for one request: the whole drawing is sent instead.
    static void LimitRanges(httplib::Request& req) {
        if (req.ranges.size() > 1) req.ranges.clear();
    }

    // Before any route: GET and HEAD alone, no request body, and the user's
    // credentials when the server has users.
    HandlerResponse Screen(const httplib::Request& req, httplib::Response& res) {
        if (req.method != "GET" && req.method != "HEAD") {
            res.set_header("Allow", "GET, HEAD");
            res.set_header("Connection", "close");
            t_connection.closeAfterResponse = true;
            SetJsonError(res, 405, "the search page serves GET and HEAD requests only");
            return HandlerResponse::Handled;
        }
        if ((req.has_header("Content-Length") && req.get_header_value("Content-Length") != "0") ||
            req.has_header("Transfer-Encoding")) {
            res.set_header("Connection", "close");
            t_connection.closeAfterResponse = true;
            SetJsonError(res, 413, "a request to the search page has no body");
            return HandlerResponse::Handled;
        }
        if (m_settings.users) {
            std::optional<std::string> user =
                m_settings.users->Check(req.get_header_value("Authorization"));
            if (!user) {
                res.set_header("WWW-Authenticate", "Basic realm=\"Plotsieve\", charset=\"UTF-8\"");
                SetJsonError(res, 401, "sign in with a user name and password");
                return HandlerResponse::Handled;
            }
        }
        return HandlerResponse::Unhandled;
    }

    static void ServeAsset(const std::string& path, const httplib::Request&,
                           httplib::Response& res) {
        const PageAsset* asset = FindPageAsset(path);
        if (asset == nullptr) {
            SetJsonError(res, 404, StatusWords(404));
            return;
        }
        res.set_header("Cache-Control", "no-cache");
        res.set_content(std::string(asset->body), std::string(asset->contentType));
    }

    nlohmann::ordered_json ConfigJson() const {
        nlohmann::ordered_json types = nlohmann::ordered_json::array();
        for (const DrawingTypeGroup& group : DrawingTypeGroups()) {
            types.push_back({{"name", group.cliName}, {"label", group.label}});
        }
        nlohmann::ordered_json columns = nlohmann::ordered_json::array();
        for (const char* header : kResultColumnHeaders) columns.push_back(header);
        columns.push_back(kMatchColumnHeader);
        return {{"version", PLOTSIEVE_VERSION},
                {"columns", columns},
                {"types", types},
                {"time_limit", m_settings.searchTimeLimit.count()},
                {"max_searches", m_settings.maxSearches}};
    }

    void ListFolders(const httplib::Request& req, httplib::Response& res) {
        ApiError error;
        const ServedRoot* root = RootOfRequest(req.params, m_settings.roots, error);
        if (root == nullptr) return SetJsonError(res, error.status, error.message);
        std::string dir = req.get_param_value("dir");
        while (dir.ends_with('/')) dir.pop_back();
        std::optional<std::string> folder = ResolveUnderRoot(*root, dir, EntryKind::Folder);
        if (req.get_param_value_count("dir") > 1 || !folder) {
            return SetJsonError(res, 404, "no such folder under " + root->name);
        }
        ReadResult<FolderListing> listing = ListFolder(*folder);
        if (!listing) return SetJsonError(res, 404, "the folder cannot be listed");
        nlohmann::ordered_json names = nlohmann::ordered_json::array();
        bool truncated = false;
        for (const FolderEntry& entry : listing->entries) {
            if (!entry.isFolder || !IsValidUtf8(entry.name)) continue;
            if (names.size() == kMaxFolders) {
                truncated = true;
                break;
            }
            names.push_back(entry.name);
        }
        SetJson(res,
                {{"root", root->name}, {"dir", dir}, {"folders", names}, {"truncated", truncated}});
    }

    void StartSearch(const httplib::Request& req, httplib::Response& res) {
        SearchParameters parameters = ParseSearchParameters(req.params, m_settings.roots);
        if (!parameters.query) {
            return SetJsonError(res, parameters.error.status, parameters.error.message);
        }
        res.set_header("Cache-Control", "no-store");
        if (req.method == "HEAD") {
            res.set_content("", kJsonLines);
            return;
        }
        SearchStreamOptions options{
            .timeLimit =
                std::chrono::duration_cast<std::chrono::milliseconds>(m_settings.searchTimeLimit),
            .progress = parameters.progress};
        auto job = std::make_shared<SearchJob>(std::move(*parameters.query), options);
        if (!TakeTurn(job->stream)) {
            res.set_header("Retry-After", "5");
            return SetJsonError(res, 503,
                                "too many searches are running or waiting; try again shortly");
        }
        res.set_chunked_content_provider(kJsonLines, [this, job](size_t, httplib::DataSink& sink) {
            job->stream.Run(
                [&sink](std::string_view text) { return sink.write(text.data(), text.size()); },
                [this, &sink] { return Serving() && sink.is_writable(); });
            sink.done();
            return true;
        });
    }

    // Joins the stream to a run of its query that waits for its turn, or
    // waits in line with a run of its own; false when no turn came in time,
    // the line was full or the client went.
    bool TakeTurn(SearchStream& stream) {
        const auto wait =
            std::chrono::duration_cast<std::chrono::milliseconds>(m_settings.queueWait);
        const auto deadline = std::chrono::steady_clock::now() + wait;
        auto clientThere = [] { return t_connection.stream->ClientThere(); };
        for (;;) {
            bool leads = false;
            std::shared_ptr<SharedRun> run = m_runs.Join(stream.Query(), stream, leads);
            stream.Attach(run);
            if (leads) {
                auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now());
                std::optional<SearchGate::Pass> pass =
                    m_gate.Enter(std::max(left, std::chrono::milliseconds(0)), clientThere);
                if (!pass) {
                    run->Abandon();
                    stream.LeaveWaitingRun();
                    return false;
                }
                run->Begin(std::move(pass));
                return true;
            }
            SharedRun::State state = run->WaitForTurn(deadline, clientThere);
            if (state == SharedRun::State::Running) return true;
            if (state != SharedRun::State::Abandoned) {
                // Out of time or the client gone, while the run may begin
                // at any moment.
                stream.Detach();
                return false;
            }
            // A leader that got no turn (its client went, say): the others
            // line up again while their time lasts.
            stream.LeaveWaitingRun();
            if (std::chrono::steady_clock::now() >= deadline || !clientThere()) return false;
        }
    }

    void SendDrawing(const httplib::Request& req, httplib::Response& res) {
        ApiError error;
        const ServedRoot* root = RootOfRequest(req.params, m_settings.roots, error);
        if (root == nullptr) return SetJsonError(res, error.status, error.message);
        if (req.get_param_value_count("path") != 1) return SetJsonError(res, 400, "give path once");
        const std::optional<std::string> path = req.get_param_value("path");
        // Drawings alone: a root may hold other files, which the page never lists.
        const DrawingType* type = DrawingTypeOfPath(*path);
        std::optional<std::string> real =
            type != nullptr ? ResolveUnderRoot(*root, *path, EntryKind::RegularFile) : std::nullopt;
        if (!real) return SetJsonError(res, 404, "no such drawing");
        ReadResult<std::unique_ptr<ByteSource>> opened = OpenFileSource(*real);
        if (!opened) return SetJsonError(res, 404, "the drawing cannot be read");
        std::shared_ptr<ByteSource> file = std::move(*opened);
        const std::string name = path->substr(path->rfind('/') + 1);
        res.set_header("Content-Disposition", ContentDisposition(name));
        res.set_header("Cache-Control", "no-store");
        const std::string contentType(type->mimeType);
        if (file->Size() == 0) {
            res.set_content("", contentType);
            return;
        }
        auto scratch = std::make_shared<std::vector<uint8_t>>();
        res.set_content_provider(
            static_cast<size_t>(file->Size()), contentType,
            [file, scratch](size_t offset, size_t length, httplib::DataSink& sink) {
                ByteView piece = file->Read(offset, std::min(length, kDownloadPiece), *scratch);
                // A drawing that shrank while it was sent fails the download.
                if (piece.size == 0) return false;
                return sink.write(reinterpret_cast<const char*>(piece.data), piece.size);
            });
    }

    ServeSettings m_settings;
    DrawingSearch& m_search;
    SearchGate m_gate;
    SharedRuns m_runs;
    std::atomic<bool> m_stopping{false};
    int m_port = 0;
};

SearchServer::SearchServer(ServeSettings settings, DrawingSearch& search)
    : m_impl(std::make_unique<Impl>(std::move(settings), search)) {}

SearchServer::~SearchServer() = default;

bool SearchServer::Bind(std::string& error) { return m_impl->BindTo(error); }

int SearchServer::Port() const { return m_impl->BoundPort(); }

bool SearchServer::Serve() { return m_impl->listen_after_bind(); }

void SearchServer::Stop() { m_impl->StopServing(); }

// plotsieve-cli serve: the search page and its API over HTTP.
#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/common_options.h"
#include "index/index_query.h"
#include "serve/index_search.h"
#include "serve/local_search.h"
#include "serve/search_server.h"

namespace {

struct ServeOptions {
    ServeSettings settings;
    std::string indexUrl;
    std::vector<RootMapping> maps;  // --map: where the index's places lie here
    CommonOptions common;           // --threads and --cache
    bool useCache = true;
    std::string usersFile;
};

// What the arguments after "serve" ask for.
struct ServeCommandLine {
    enum class Action { Serve, Help, Version, UsageError };
    Action action = Action::Serve;
    ServeOptions options;
    std::string error;
};

using OptionError = std::optional<std::string>;

// A whole number from 1 to `most`.
std::optional<int64_t> NumberUpTo(const std::string& text, int64_t most) {
    std::optional<int64_t> n = ParsePositive(text);
    if (!n || *n > most) return std::nullopt;
    return n;
}

OptionError ApplyServeOption(const OptionStep& step, ServeOptions& options) {
    const std::string& value = step.value;
    switch (step.id) {
        case OptionId::Listen: {
            std::optional<ListenAddress> address = ParseListenAddress(value);
            if (!address) return "--listen needs ADDR:PORT (or [IPv6]:PORT): " + value;
            options.settings.listen = *address;
            return std::nullopt;
        }
        case OptionId::Root: {
            RootArgument root = ParseRootArgument(value);
            if (!root.root) return root.error;
            if (FindRoot(options.settings.roots, root.root->name) != nullptr) {
                return "two roots are named " + root.root->name;
            }
            options.settings.roots.push_back(std::move(*root.root));
            return std::nullopt;
        }
        case OptionId::IndexUrl:
            if (value.empty()) return "--index needs a URL";
            options.indexUrl = value;
            return std::nullopt;
        case OptionId::Map: {
            std::optional<RootMapping> mapping = ParseRootMapping(value);
            if (!mapping) return "--map needs SRV=LOCAL, two absolute paths: " + value;
            options.maps.push_back(std::move(*mapping));
            return std::nullopt;
        }
        case OptionId::Users:
            options.usersFile = value;
            return std::nullopt;
        case OptionId::MaxSearches: {
            std::optional<int64_t> n = NumberUpTo(value, 256);
            if (!n) return "--max-searches needs a number from 1 to 256";
            options.settings.maxSearches = static_cast<unsigned>(*n);
            return std::nullopt;
        }
        case OptionId::TimeLimit: {
            std::optional<int64_t> seconds = NumberUpTo(value, 86400);
            if (!seconds) return "--time-limit needs a number of seconds from 1 to 86400";
            options.settings.searchTimeLimit = std::chrono::seconds(*seconds);
            return std::nullopt;
        }
        case OptionId::NoCache:
            options.useCache = false;
            return std::nullopt;
        default:
            return ApplyCommonOption(step.id, value, options.common);
    }
}

ServeCommandLine ParseServeCommandLine(int argc, char** argv) {
    ServeCommandLine line;
    line.options.settings.maxSearches = std::max(1u, std::thread::hardware_concurrency());
    auto refuse = [&line](std::string message) {
        line.action = ServeCommandLine::Action::UsageError;
        line.error = std::move(message);
        return line;
    };
    OptionScanner scanner(FindCommand(CommandId::Serve), argc, argv);
    for (OptionStep step = scanner.Next(); step.kind != OptionStep::Kind::End;
         step = scanner.Next()) {
        if (step.kind == OptionStep::Kind::UsageError) return refuse(step.error);
        if (step.id == OptionId::Help || step.id == OptionId::Version) {
            line.action = step.id == OptionId::Help ? ServeCommandLine::Action::Help
                                                    : ServeCommandLine::Action::Version;
            return line;
        }
        if (OptionError error = ApplyServeOption(step, line.options)) return refuse(*error);
    }
    if (!scanner.Operands().empty())
        return refuse("serve takes no operands: name roots with --root");
    if (line.options.settings.roots.empty()) return refuse("give at least one --root NAME=PATH");
    if (!line.options.indexUrl.empty() &&
        (!line.options.common.cacheFile.empty() || !line.options.useCache)) {
        return refuse("give --index or --cache (or --no-cache), not both");
    }
    if (!line.options.maps.empty() && line.options.indexUrl.empty())
        return refuse("--map needs --index");
    return line;
}

// SIGINT and SIGTERM, blocked on every thread, are awaited by one thread of
// their own, which stops the server.
class StopOnSignal {
  public:
    StopOnSignal() {
        sigemptyset(&m_signals);
        sigaddset(&m_signals, SIGINT);
        sigaddset(&m_signals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &m_signals, nullptr);
        signal(SIGPIPE, SIG_IGN);
    }
    ~StopOnSignal() { Finish(); }

    // Waits for a signal on its own thread, then calls `stop` once.
    void Watch(std::function<void()> stop) {
        m_watcher = std::thread([this, stop = std::move(stop)] {
            int received = 0;
            sigwait(&m_signals, &received);
            if (!m_finishing.load()) stop();
        });
    }
    // Ends the watch (when the server has stopped by itself, the wait too).
    void Finish() {
        if (!m_watcher.joinable()) return;
        m_finishing.store(true);
        pthread_kill(m_watcher.native_handle(), SIGTERM);
        m_watcher.join();
    }

  private:
    sigset_t m_signals;
    std::atomic<bool> m_finishing{false};
    std::thread m_watcher;
};

}  // namespace

int RunServeCommand(int argc, char** argv) {
    ServeCommandLine line = ParseServeCommandLine(argc, argv);
    const CommandDef& command = FindCommand(CommandId::Serve);
    switch (line.action) {
        case ServeCommandLine::Action::Help:
            return PrintHelp(command);
        case ServeCommandLine::Action::Version:
            return PrintVersion();
        case ServeCommandLine::Action::UsageError:
            return ReportUsageError(command, line.error);
        case ServeCommandLine::Action::Serve:
            break;
    }
    ServeOptions& options = line.options;
    if (!options.usersFile.empty()) {
        std::string error;
        std::optional<UserTable> users = UserTable::Load(options.usersFile, error);
        if (!users) {
            std::fprintf(stderr, "plotsieve-cli serve: --users %s\n", error.c_str());
            return 2;
        }
        options.settings.users = std::make_shared<UserTable>(std::move(*users));
    }
    std::optional<TextCacheSettings> cache;
    if (options.useCache) {
        std::string path = CacheFileOf(options.common.cacheFile);
        if (!path.empty()) cache = TextCacheSettings{.path = path};
    }

    StopOnSignal signals;  // before any thread starts, so that every thread blocks them
    const ServeSettings& settings = options.settings;
    std::unique_ptr<DrawingSearch> search;
    if (options.indexUrl.empty()) {
        search = std::make_unique<LocalDrawingSearch>(settings.maxSearches, options.common.threads,
                                                      cache);
    } else {
        OfficeIndexSettings index{.target = options.indexUrl, .mappings = options.maps};
        // A server that is down now may be up by the first search: said, not refused.
        if (std::string problem = CheckOfficeIndex(index); !problem.empty()) {
            std::fprintf(stderr, "plotsieve-cli serve: warning: the office index at %s: %s\n",
                         DescribeTarget(index.target).c_str(), problem.c_str());
        }
        search = std::make_unique<IndexDrawingSearch>(settings.maxSearches, std::move(index));
    }
    const bool open = !IsLoopbackHost(settings.listen.host);
    SearchServer server(settings, *search);
    std::string error;
    if (!server.Bind(error)) {
        std::fprintf(stderr, "plotsieve-cli serve: %s\n", error.c_str());
        return 2;
    }
    const std::string host = settings.listen.host.find(':') != std::string::npos
                                 ? "[" + settings.listen.host + "]"
                                 : settings.listen.host;
    std::fprintf(stderr, "plotsieve-cli serve: http://%s:%d/ (%zu root%s, %u search%s at once%s)\n",
                 host.c_str(), server.Port(), settings.roots.size(),
                 settings.roots.size() == 1 ? "" : "s", settings.maxSearches,
                 settings.maxSearches == 1 ? "" : "es",
                 options.indexUrl.empty() ? "" : ", through the office index");
    if (open && !settings.users) {
        std::fprintf(stderr,
                     "plotsieve-cli serve: warning: anyone who reaches %s can search and "
                     "download the drawings of these roots (see --users)\n",
                     host.c_str());
    }
    std::fflush(stderr);
    signals.Watch([&server] { server.Stop(); });
    const bool served = server.Serve();
    signals.Finish();
    return served ? 0 : 2;
}

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <thread>

#include "cli/commands.h"
#include "cli/result_output.h"
#include "cli/search_options.h"
#include "platform/encoding.h"
#include "search/search_session.h"

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) { g_interrupted = 1; }

// The front end of a terminal: rows are kept for the output at the end,
// progress goes to stderr on one rewritten line when stderr is a terminal.
class TerminalFrontEnd : public SearchFrontEnd {
  public:
    TerminalFrontEnd(const SearchOptions& options, std::string keyword)
        : m_options(options), m_keyword(std::move(keyword)), m_live(isatty(STDERR_FILENO)) {}

    std::string KeywordText() override { return m_keyword; }
    bool IncludeSubfolders() override { return m_options.subfolders; }
    DateCriterion DateLimits() override { return m_options.date; }
    SizeCriterion SizeLimits() override { return m_options.size; }

    void PostStatus(const SearchStatus& status) override {
        if (m_options.timing) NoteTiming(status.phase);
        bool final = status.phase == SearchPhase::Done || status.phase == SearchPhase::Cancelled;
        if (final) {
            std::fprintf(stderr, "%s%s\n", m_live ? "\r\x1b[K" : "", status.text.c_str());
            cancelled = status.phase == SearchPhase::Cancelled;
        } else if (m_live) {
            std::fprintf(stderr, "\r\x1b[K%s", status.text.c_str());
        }
        std::fflush(stderr);
    }
    void LoadTypeIcon(int, const std::string&) override {}
    void AddResultRow(ResultRecord record, int) override { rows.push_back(std::move(record)); }
    void EndNarrowingMode() override {}

    void SetKeyword(std::string keyword) { m_keyword = std::move(keyword); }

    std::vector<ResultRecord> rows;
    bool cancelled = false;

  private:
    using Clock = std::chrono::steady_clock;

    // With --timing: how long the collecting and testing phases took.
    void NoteTiming(SearchPhase phase) {
        Clock::time_point now = Clock::now();
        auto seconds = [](Clock::duration d) { return std::chrono::duration<double>(d).count(); };
        bool final = phase == SearchPhase::Done || phase == SearchPhase::Cancelled;
        if (phase == SearchPhase::Collecting) {
            if (!m_collecting) m_collectStart = now;
            m_collecting = true;
        } else if (!m_testStarted) {
            m_testStarted = true;
            m_testStart = now;
            std::fprintf(stderr, "collecting: %.3f s\n", seconds(now - m_collectStart));
        }
        if (final) {
            m_collecting = false;
            std::fprintf(stderr, "testing: %.3f s\n", seconds(now - m_testStart));
            m_testStarted = false;
            m_collectStart = now;
        }
    }

    Clock::time_point m_collectStart = Clock::now();
    Clock::time_point m_testStart;
    bool m_testStarted = false;
    bool m_collecting = false;
    const SearchOptions& m_options;
    std::string m_keyword;
    bool m_live;
};

std::optional<std::string> KeywordInCp932(const std::string& utf8) {
    std::optional<std::string> cp932 = Utf8ToCp932(utf8);
    if (!cp932) {
        std::fprintf(stderr,
                     "plotsieve-cli: the keyword \"%s\" holds characters that drawings in CP932 "
                     "(Shift-JIS) cannot contain; it could never match\n",
                     utf8.c_str());
    }
    return cp932;
}

// Runs one pass and waits for it, passing Ctrl-C on as a stop request.
// Returns false when the pass was refused.
bool RunPass(SearchSession& session, const SearchRequest& request) {
    StartResult result = session.StartSearch(request);
    if (result != StartResult::Started) {
        std::fprintf(stderr, "plotsieve-cli: %s\n", StartRefusalMessage(result).c_str());
        return false;
    }
    while (session.IsRunning()) {
        if (g_interrupted) session.StopSearch();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    session.Wait();
    return true;
}

}  // namespace

int RunSearchCommand(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    if (std::find(args.begin(), args.end(), "--help") != args.end() ||
        std::find(args.begin(), args.end(), "-h") != args.end()) {
        std::fputs(kSearchUsage, stdout);
        return 0;
    }
    std::string error;
    std::optional<SearchOptions> options = ParseSearchOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "plotsieve-cli search: %s\n%s", error.c_str(), kSearchUsage);
        return 2;
    }
    std::vector<std::string> keywords{options->keyword};
    keywords.insert(keywords.end(), options->andKeywords.begin(), options->andKeywords.end());
    std::vector<std::string> cp932Keywords;
    for (const std::string& keyword : keywords) {
        std::optional<std::string> cp932 = KeywordInCp932(keyword);
        if (!cp932) return 2;
        cp932Keywords.push_back(*cp932);
    }

    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigaction(SIGINT, &action, nullptr);

    TerminalFrontEnd frontEnd(*options, cp932Keywords.front());
    SearchSession session(frontEnd, options->threads);
    for (size_t pass = 0; pass < cp932Keywords.size(); ++pass) {
        frontEnd.SetKeyword(cp932Keywords[pass]);
        frontEnd.rows.clear();
        SearchRequest request{options->place, options->typeMask, pass > 0};
        if (!RunPass(session, request)) return 2;
        if (frontEnd.cancelled) return 130;
        if (frontEnd.rows.empty()) break;  // nothing left to narrow
    }

    if (options->sort) {
        SortKey key = *options->sort;
        std::stable_sort(frontEnd.rows.begin(), frontEnd.rows.end(),
                         [key](const ResultRecord& a, const ResultRecord& b) {
                             return CompareResultRecords(a, b, key) < 0;
                         });
    }
    WriteResults(frontEnd.rows, options->format, stdout);
    std::fflush(stdout);
    return frontEnd.rows.empty() ? 1 : 0;
}

// Times the desktop window over one tree, as a user meets it: the whole
// search from a click on 検索開始 to its count in the status bar; how long a
// click waits while a search runs (a second 検索開始, refused); how soon
// 検索中止 ends a search at several moments of it; how soon the window closes
// during a search; and how many status texts reach the window a second.
// Clicks are real pointer events sent through the X server.
//
// usage: gui_timing TREE [KEYWORD] [RUNS]   (under a display: xvfb-run)
// With PLOTSIEVE_CLI naming plotsieve-cli, the command line's search of the
// same tree runs in turn with each of the window's (bench/gui_vs_cli.sh).
#include <wx/app.h>
#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/criteria_pages.h"
#include "app/main_frame.h"
#include "app/message_box.h"
#include "app/plotsieve_view.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

class TimingApp : public wxApp {
  public:
    bool OnInit() override { return true; }
};

void Pump() {
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) loop->YieldFor(wxEVT_CATEGORY_ALL);
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessIdle();
}

bool RunUntil(const std::function<bool()>& done, double seconds = 300) {
    auto end = Clock::now() +
               std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (!done()) {
        if (Clock::now() > end) return false;
        Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void RunFor(double seconds) {
    auto end = Clock::now() +
               std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    RunUntil([end] { return Clock::now() >= end; });
}

struct Window {
    CMainFrame* frame = nullptr;
    CPlotsieveView* view = nullptr;
    wxString Status() const { return frame->GetStatusBar()->GetStatusText(0); }
    bool Done() const {
        return view->IsIdle() && Status().EndsWith(wxString::FromUTF8("枚見つかりました"));
    }
    bool Cancelled() const {
        return view->IsIdle() && Status() == wxString::FromUTF8("処理はｷｬﾝｾﾙされました");
    }
};

Window OpenWindow(const std::string& tree, const std::string& keyword) {
    Window window;
    window.frame = new CMainFrame;
    window.frame->Show();
    window.view = window.frame->View();
    // Both sides read every drawing: the text cache would answer repeat runs.
    window.view->SetUseCache(false);
    window.view->NamePage()->PlaceField()->SetValue(wxString::FromUTF8(tree));
    window.view->NamePage()->KeywordField()->SetValue(wxString::FromUTF8(keyword));
    RunFor(0.3);
    return window;
}

// Moves the pointer to the middle of a button (the simulator waits until the
// window has seen it move, which takes a while: it is done before a timing).
void PointAt(wxButton* button) {
    wxUIActionSimulator pointer;
    pointer.MouseMove(button->GetScreenRect().GetPosition() + button->GetSize() / 2);
    RunFor(0.05);
}

// A pointer click where the pointer is.
void ClickOnScreen() {
    wxUIActionSimulator pointer;
    pointer.MouseClick();
}

// The longest time the window's event loop went without running a 2 ms
// timer, from Start to Stop: the longest any click could have waited.
class Heartbeat {
  public:
    Heartbeat() {
        m_timer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
            auto now = Clock::now();
            if (m_last != Clock::time_point{}) m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
    }
    void Start() {
        m_last = {};
        m_longest = {};
        m_timer.Start(2);
    }
    double StopMs() {
        m_timer.Stop();
        return Millis(m_longest);
    }

  private:
    wxTimer m_timer;
    Clock::time_point m_last;
    Clock::duration m_longest{};
};

void Press(wxButton* button) {
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(event);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: gui_timing TREE [KEYWORD] [RUNS]\n");
        return 2;
    }
    const std::string tree = argv[1];
    // An empty keyword lists every drawing.
    const std::string keyword = argc > 2 ? argv[2] : "排煙窓";
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;

    // Settings of this run stay out of the user's folder.
    char configHome[] = "/tmp/plotsieve-gui-timing-XXXXXX";
    if (mkdtemp(configHome) == nullptr) return 1;
    setenv("XDG_CONFIG_HOME", configHome, 1);
    wxApp::SetInstance(new TimingApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "wxWidgets could not start: is there a display?\n");
        return 1;
    }
    delete wxLog::SetActiveTarget(new wxLogStderr);
    Clock::time_point lastMessage;
    int messages = 0;
    SetMessageHook([&](const wxString&, const wxString&) {
        lastMessage = Clock::now();
        ++messages;
    });

    int status = 0;
    {
        wxGUIEventLoop loop;
        wxEventLoopActivator active(&loop);
        Window window = OpenWindow(tree, keyword);

        // 1. The whole search, best of RUNS; status texts counted.
        double best = 1e9;
        int texts = 0;
        window.frame->Bind(wxEVT_SEARCH_STATUS, [&texts](wxCommandEvent& event) {
            ++texts;
            event.Skip();
        });
        // The command line's search of the same tree, run in turn with the
        // window's so that both meet the same load on the machine.
        const char* cli = std::getenv("PLOTSIEVE_CLI");
        double bestCli = 1e9;
        for (int run = 0; run < runs; ++run) {
            if (cli != nullptr) {
                // No keyword: every drawing, as the window lists them.
                std::string words = keyword.empty() ? "" : " -k '" + keyword + "'";
                std::string command = std::string(cli) + " search --no-cache" + words +
                                      " --format paths0 '" + tree + "' >/dev/null 2>&1";
                auto start = Clock::now();
                if (std::system(command.c_str()) == -1) return 1;
                double seconds = Seconds(Clock::now() - start);
                bestCli = std::min(bestCli, seconds);
                std::printf("command line %d: %.3f s\n", run + 1, seconds);
            }
            texts = 0;
            auto start = Clock::now();
            Press(window.view->StartButton());
            if (!RunUntil([&] { return window.Done(); })) {
                std::fprintf(stderr, "the search did not end\n");
                return 1;
            }
            double seconds = Seconds(Clock::now() - start);
            best = std::min(best, seconds);
            std::printf("search %d: %.3f s, %d status texts shown (%.0f a second), %s\n", run + 1,
                        seconds, texts, texts / seconds, window.Status().utf8_string().c_str());
        }
        std::printf("gui search: best %.3f s\n", best);
        if (cli != nullptr) {
            std::printf("command line: best %.3f s; ratio gui / command line %.2f\n", bestCli,
                        best / bestCli);
        }

        // 2. The longest stretch the window's event loop was kept from its
        // input during a search: the longest any click could wait.
        Heartbeat heartbeat;
        heartbeat.Start();
        Press(window.view->StartButton());
        RunUntil([&] { return window.Done(); });
        std::printf("longest stall of the window's event loop during a search: %.1f ms\n",
                    heartbeat.StopMs());

        // A second 検索開始 clicked every 20 ms of a search, refused with a
        // message. The simulator takes its time to send a click (it waits for
        // the X server); the wait counted is from its return to the message.
        std::vector<double> waits;
        double sending = 0;
        PointAt(window.view->StartButton());
        Press(window.view->StartButton());
        while (!window.view->IsIdle()) {
            int before = messages;
            auto clicked = Clock::now();
            ClickOnScreen();
            auto sent = Clock::now();
            sending = std::max(sending, Millis(sent - clicked));
            if (!RunUntil([&] { return messages > before || window.view->IsIdle(); }, 30)) break;
            if (messages > before) waits.push_back(std::max(0.0, Millis(lastMessage - sent)));
            RunFor(0.02);
        }
        RunUntil([&] { return window.Done(); });
        std::sort(waits.begin(), waits.end());
        if (!waits.empty()) {
            std::printf(
                "refused start during a search: %zu clicks, message after median %.1f ms, worst "
                "%.1f ms (sending a click took up to %.1f ms more)\n",
                waits.size(), waits[waits.size() / 2], waits.back(), sending);
        }

        // 3. 検索中止 at several moments of a search; the time from the click
        // to the cancel text.
        double worstStop = 0;
        Clock::time_point stopHandled;
        window.view->StopButton()->Bind(wxEVT_BUTTON, [&stopHandled](wxCommandEvent& event) {
            stopHandled = Clock::now();
            event.Skip();
        });
        PointAt(window.view->StopButton());
        for (double at : {0.0, 0.05, 0.15, 0.3, 0.5, 0.8}) {
            Press(window.view->StartButton());
            RunFor(at);
            if (window.view->IsIdle()) break;
            stopHandled = {};
            ClickOnScreen();
            auto sent = Clock::now();
            RunUntil([&] { return window.Cancelled() || window.Done(); });
            auto shown = Clock::now();
            // Handled during the simulator's own wait counts from its return.
            double wait = std::max(0.0, Millis(stopHandled - sent));
            double ms = wait + Millis(shown - std::max(stopHandled, sent));
            worstStop = std::max(worstStop, ms);
            std::printf(
                "stop %.2f s into a search: \"%s\" %.1f ms after the click (click handled "
                "after %.1f ms)\n",
                at, window.Status().utf8_string().c_str(), ms, wait);
        }
        std::printf("stop: worst %.1f ms\n", worstStop);

        // 4. Closing during a search: from Close to the window gone and its
        // worker joined.
        Press(window.view->StartButton());
        RunFor(0.2);
        bool searching = window.view->IsSearching();
        auto closing = Clock::now();
        window.frame->Close(true);
        RunUntil([] { return wxTopLevelWindows.empty(); }, 30);
        std::printf("close during a search%s: %.1f ms\n", searching ? "" : " (it had ended)",
                    Millis(Clock::now() - closing));
    }
    SetMessageHook(nullptr);
    wxTheApp->OnExit();
    wxEntryCleanup();
    std::string cleanup = std::string("rm -rf ") + configHome;
    status = std::system(cleanup.c_str());
    return status == 0 ? 0 : 1;
}

// The GUI tests' main: starts wxWidgets on the display (a virtual one under
// xvfb-run), keeps an event loop active so that the tests can let queued
// events run, and replaces the message boxes with a recorder.
#include <glib.h>
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {
int g_toolkitWarnings = 0;

// Counts and shows the toolkit's warnings and failed checks ("Gtk-CRITICAL").
void CountToolkitWarning(const gchar* domain, GLogLevelFlags, const gchar* message, gpointer) {
    ++g_toolkitWarnings;
    fprintf(stderr, "%s warning: %s\n", domain != nullptr ? domain : "", message);
}
}  // namespace

int ToolkitWarnings() { return g_toolkitWarnings; }

class GuiTestApp : public wxApp {
  public:
    bool OnInit() override { return true; }
};

// A failed toolkit assertion fails the run at once instead of opening a dialog.
void FailOnAssert(const wxString& file, int line, const wxString& function, const wxString& cond,
                  const wxString& message) {
    fprintf(stderr, "%s:%d: %s: assertion %s failed: %s\n", file.utf8_str().data(), line,
            function.utf8_str().data(), cond.utf8_str().data(), message.utf8_str().data());
    std::abort();
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        // Listing the tests needs no display.
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0) return RUN_ALL_TESTS();
    }
    // The window keeps its settings in the user's configuration folder: the
    // tests keep theirs in a folder of their own.
    char configHome[] = "/tmp/plotsieve-gui-tests-XXXXXX";
    if (mkdtemp(configHome) == nullptr) return 1;
    setenv("XDG_CONFIG_HOME", configHome, 1);
    // And their text cache too.
    setenv("XDG_CACHE_HOME", (std::string(configHome) + "/cache").c_str(), 1);
    wxSetAssertHandler(FailOnAssert);
    for (const char* domain : {"Gtk", "Gdk", "GLib-GObject", "GLib", "Pango"}) {
        g_log_set_handler(domain,
                          static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING),
                          CountToolkitWarning, nullptr);
    }
    wxApp::SetInstance(new GuiTestApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        fprintf(stderr, "wxWidgets could not start: is there a display?\n");
        return 1;
    }
    // Logged errors go to stderr, not to a modal box that would stop the run.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    int result;
    {
        wxGUIEventLoop loop;
        wxEventLoopActivator active(&loop);
        result = RUN_ALL_TESTS();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    std::filesystem::remove_all(configHome);
    return result;
}

// The GUI tests' main: starts wxWidgets on the display (a virtual one under
// xvfb-run), keeps an event loop active so that the tests can let queued
// events run, and replaces the message boxes with a recorder.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>

#include <cstdlib>
#include <cstring>

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
    wxSetAssertHandler(FailOnAssert);
    wxApp::SetInstance(new GuiTestApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        fprintf(stderr, "wxWidgets could not start: is there a display?\n");
        return 1;
    }
    int result;
    {
        wxGUIEventLoop loop;
        wxEventLoopActivator active(&loop);
        result = RUN_ALL_TESTS();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}

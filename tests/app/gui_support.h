#pragma once

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/statusbr.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/main_frame.h"
#include "app/message_box.h"
#include "app/plotsieve_view.h"
#include "app/result_list.h"
#include "app/window_settings.h"

// The toolkit's warnings and failed checks so far in this run.
int ToolkitWarnings();

namespace gui_testing {

inline wxString U8(const char* text) { return wxString::FromUTF8(text); }
inline wxString U8(const std::string& text) { return wxString::FromUTF8(text); }

// Lets queued and pending events run once.
inline void Pump() {
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) loop->YieldFor(wxEVT_CATEGORY_ALL);
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessIdle();
}

// Runs events until `done` holds; false after `seconds` without it.
inline bool RunUntil(const std::function<bool()>& done, int seconds = 120) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    Pump();
    return true;
}

// A click as the control sends it.
inline void Click(wxButton* button) {
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(event);
}

inline void Click(wxCheckBox* box) {
    box->SetValue(!box->GetValue());
    wxCommandEvent event(wxEVT_CHECKBOX, box->GetId());
    event.SetEventObject(box);
    event.SetInt(box->GetValue() ? 1 : 0);
    box->GetEventHandler()->ProcessEvent(event);
}

// A main frame for one test, with the message boxes recorded instead of shown.
class FrameTest : public testing::Test {
  protected:
    void SetUp() override {
        // Each test starts from the defaults, not from what the last one kept.
        std::filesystem::remove(SettingsFilePath().utf8_string());
        SetMessageHook([this](const wxString& text, const wxString& caption) {
            messages.push_back(text);
            captions.push_back(caption);
        });
        warningsAtStart = ToolkitWarnings();
        frame = new CMainFrame;
        frame->Show();
        view = frame->View();
        Pump();
    }
    void TearDown() override {
        // Start-up and every step of the test went without toolkit warnings.
        EXPECT_EQ(ToolkitWarnings(), warningsAtStart);
        if (frame != nullptr) {
            frame->Close(true);
            RunUntil([] { return wxTopLevelWindows.empty(); }, 30);
        }
        SetMessageHook(nullptr);
    }

    wxString StatusText() const { return frame->GetStatusBar()->GetStatusText(0); }

    // Starts a search with the start button and waits for its final text.
    void SearchAndWait() {
        Click(view->StartButton());
        ASSERT_TRUE(RunUntil([this] {
            return view->IsIdle() && (StatusText().EndsWith(U8("枚見つかりました")) ||
                                      StatusText() == U8("処理はｷｬﾝｾﾙされました"));
        }));
    }

    CResultList* List() const { return view->ResultList(); }

    // A command chosen from the menu bar, sent as its menu sends it: the item
    // must be in the bar. `checked`: a check item's new state.
    void MenuCommand(int id, int checked = -1) {
        frame->GetMenuBar()->UpdateMenus();  // enabled as a menu opened now shows it
        wxMenu* menu = nullptr;
        wxMenuItem* item = frame->GetMenuBar()->FindItem(id, &menu);
        ASSERT_NE(item, nullptr) << "no menu item " << id;
        ASSERT_TRUE(item->IsEnabled()) << "menu item " << id << " is disabled";
        menu->SendEvent(id, checked);
    }

    // The cells of every row, tab-separated.
    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        wxListCtrl* list = view->ResultList();
        for (long row = 0; row < list->GetItemCount(); ++row) {
            wxString cells;
            for (int column = 0; column < list->GetColumnCount(); ++column) {
                if (column > 0) cells += "\t";
                cells += list->GetItemText(row, column);
            }
            rows.push_back(cells.utf8_string());
        }
        return rows;
    }

    CMainFrame* frame = nullptr;
    CPlotsieveView* view = nullptr;
    std::vector<wxString> messages;
    std::vector<wxString> captions;
    int warningsAtStart = 0;
};

}  // namespace gui_testing

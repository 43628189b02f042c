// The form at the desktop's text scale: every control at least its best size,
// none over another, none beyond its parent. Run at a scale of 1 and again at
// 1.25 (GDK_DPI_SCALE, see CMakeLists.txt).
#include <wx/combo.h>
#include <wx/datectrl.h>
#include <wx/notebook.h>
#include <wx/statbox.h>
#include <wx/textctrl.h>

#include "app/criteria_pages.h"
#include "app/ids.h"
#include "tests/app/gui_support.h"

using namespace gui_testing;

namespace {

using LayoutTest = FrameTest;

// Controls whose insides are the toolkit's own: checked as a whole.
bool IsComposite(wxWindow* window) {
    return dynamic_cast<wxListCtrl*>(window) != nullptr ||
           dynamic_cast<wxDatePickerCtrl*>(window) != nullptr;
}

std::string Describe(wxWindow* window) {
    return wxString(window->GetClassInfo()->GetClassName()).utf8_string() + " \"" +
           window->GetLabel().utf8_string() + "\" id " + std::to_string(window->GetId());
}

// Checks `parent`'s children and theirs.
void CheckChildren(wxWindow* parent) {
    const bool pages = dynamic_cast<wxNotebook*>(parent) != nullptr;
    std::vector<wxWindow*> shown;
    for (wxWindow* child : parent->GetChildren()) {
        if (child->IsTopLevel()) continue;
        if (!pages) {
            const wxSize size = child->GetSize(), best = child->GetBestSize();
            if (dynamic_cast<wxListCtrl*>(child) == nullptr) {
                EXPECT_GE(size.x, best.x) << Describe(child);
            }
            if (dynamic_cast<wxTextCtrl*>(child) != nullptr) {
                // A shown field asks for the theme's height; its text needs a
                // line and the frame.
                EXPECT_GE(size.y, child->GetCharHeight() + 6) << Describe(child);
            } else {
                EXPECT_GE(size.y, best.y) << Describe(child);
            }
            const wxRect area(parent->GetClientSize());
            EXPECT_TRUE(area.Contains(child->GetRect())) << Describe(child);
            shown.push_back(child);
        }
        if (!IsComposite(child)) CheckChildren(child);
    }
    // Siblings do not overlap (a notebook's pages share its room by turns;
    // a framed group holds its own controls).
    for (size_t i = 0; i < shown.size(); ++i) {
        for (size_t j = i + 1; j < shown.size(); ++j) {
            if (dynamic_cast<wxStaticBox*>(shown[i]) || dynamic_cast<wxStaticBox*>(shown[j])) {
                continue;
            }
            EXPECT_FALSE(shown[i]->GetRect().Intersects(shown[j]->GetRect()))
                << Describe(shown[i]) << " and " << Describe(shown[j]);
        }
    }
}

}  // namespace

TEST_F(LayoutTest, NoControlIsCutOrCoveredOnAnyPage) {
    wxNotebook* sheet = view->CriteriaSheet();
    for (size_t page = 0; page < sheet->GetPageCount(); ++page) {
        sheet->SetSelection(page);
        Pump();
        EXPECT_EQ(sheet->GetPage(page)->GetSize(), sheet->GetCurrentPage()->GetSize());
    }
    sheet->SetSelection(0);
    CheckChildren(view);
    // Nothing of the form lies beyond the window.
    EXPECT_TRUE(wxRect(frame->GetClientSize()).Contains(view->GetRect()));
}

TEST_F(LayoutTest, DatePickersHoldTheWidestDateWhole) {
    for (int id : {IDC_PICK_BEFORE, IDC_PICK_AFTER, IDC_PICK_FROM, IDC_PICK_TO}) {
        wxDatePickerCtrl* picker = view->DatePage()->Picker(id);
        for (const wxDateTime& date :
             {wxDateTime(28, wxDateTime::Dec, 2888), wxDateTime(1, wxDateTime::Jan, 2001),
              wxDateTime(30, wxDateTime::Sep, 2026)}) {
            picker->SetValue(date);
            picker->InvalidateBestSize();
            EXPECT_GE(picker->GetSize().x, picker->GetBestSize().x)
                << id << " " << date.FormatISODate();
        }
    }
}

TEST_F(LayoutTest, TheCalendarDropDownHasRoomForItsDays) {
    // The drop-down kept the size the calendar asked for before it was on
    // screen, with nothing between its day columns: at a text scale of 1.25
    // in Japanese the day numbers ran together (13141516171819).
    for (int id : {IDC_PICK_BEFORE, IDC_PICK_TO}) {
        wxDatePickerCtrl* picker = view->DatePage()->Picker(id);
        picker->Enable();
        wxComboCtrl* combo = nullptr;
        for (wxWindow* child : picker->GetChildren()) {
            if (auto* c = dynamic_cast<wxComboCtrl*>(child)) combo = c;
        }
        ASSERT_NE(combo, nullptr);
        wxWindow* calendar = combo->GetPopupControl()->GetControl();
        const int needed = CalendarDaysWidth(calendar);
        combo->ShowPopup();
        ASSERT_TRUE(RunUntil([&] { return calendar->GetSize().x >= needed; }, 10)) << id;
        EXPECT_GE(combo->GetPopupWindow()->GetClientSize().x, needed) << id;
        combo->HidePopup();
        ASSERT_TRUE(RunUntil([combo] { return !combo->IsPopupShown(); }, 10));
    }
}

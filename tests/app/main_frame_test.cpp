#include <wx/display.h>
#include <wx/fontenum.h>
#include <wx/imaglist.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/textctrl.h>

#include <memory>
#include <set>

#include "app/criteria_pages.h"
#include "app/ids.h"
#include "platform/clock.h"
#include "results/sort.h"
#include "search/drawing_types.h"
#include "tests/app/gui_support.h"

using namespace gui_testing;

TEST_F(FrameTest, StartsAtTheFormsSizeAndTheListTakesTheRoomItGrows) {
    EXPECT_EQ(frame->GetTitle(), U8("Vuva Vu Vazovo！ - Plotsieve"));
    EXPECT_TRUE(frame->HasFlag(wxMINIMIZE_BOX));
    EXPECT_TRUE(frame->HasFlag(wxRESIZE_BORDER));
    // The form's 300 x 222 dialog units are its least size, and the window's.
    wxSize form = view->ConvertDialogToPixels(wxSize(300, 222));
    EXPECT_GE(view->GetMinSize().x, form.x);
    EXPECT_GE(view->GetMinSize().y, form.y);
    EXPECT_EQ(frame->ClientToWindowSize(view->GetMinSize()), frame->GetMinSize());
    // Wide enough for every column where the screen allows.
    int columns = 0;
    for (int i = 0; i < List()->GetColumnCount(); ++i) columns += List()->GetColumnWidth(i);
    EXPECT_GE(List()->GetClientSize().x,
              std::min(columns, wxDisplay(0u).GetClientArea().width - frame->GetMinSize().x / 2));
    EXPECT_EQ(frame->GetSize().y, frame->GetMinSize().y);

    // Grown, the list takes the room; the sheet and the buttons keep theirs.
    const wxRect list = List()->GetRect(), sheet = view->CriteriaSheet()->GetRect();
    const wxRect start = view->StartButton()->GetRect();
    frame->SetSize(frame->GetSize() + wxSize(150, 100));
    frame->SendSizeEvent();
    Pump();
    EXPECT_EQ(List()->GetSize(), list.GetSize() + wxSize(150, 100));
    EXPECT_EQ(view->CriteriaSheet()->GetRect(), sheet);
    EXPECT_EQ(view->StartButton()->GetRect(), start);

    wxStatusBar* status = frame->GetStatusBar();
    ASSERT_EQ(status->GetFieldsCount(), 2);
    wxRect pane;
    ASSERT_TRUE(status->GetFieldRect(0, pane));
    EXPECT_GE(pane.width, 316);
    EXPECT_EQ(StatusText(), U8("ﾚﾃﾞｨ"));
    // The longest progress text fits its pane.
    EXPECT_LE(status->GetTextExtent(U8("検索中--- 8888888 枚中 8888888 枚目")).x, pane.width);

    // The form's Japanese texts use IPA P Gothic where it is installed.
    if (wxFontEnumerator::IsValidFacename("IPAPGothic")) {
        EXPECT_EQ(view->GetFont().GetFaceName(), "IPAPGothic");
        EXPECT_EQ(view->NamePage()->KeywordField()->GetFont().GetFaceName(), "IPAPGothic");
        EXPECT_EQ(view->GetFont().GetPointSize(), 9);
    }
}

namespace {

// The letter a label's "&" marks, upper-cased; 0 when it marks none.
wxChar Mnemonic(const wxString& label) {
    for (size_t i = 0; i + 1 < label.length(); ++i) {
        if (label[i] != '&') continue;
        if (label[i + 1] == '&') {
            ++i;  // "&&" is an ampersand shown
            continue;
        }
        return wxToupper(label[i + 1]);
    }
    return 0;
}

// Every item of `menu` and of its submenus, separators left out.
void CollectItems(wxMenu* menu, std::vector<wxMenuItem*>& items) {
    for (wxMenuItem* item : menu->GetMenuItems()) {
        if (item->IsSeparator()) continue;
        items.push_back(item);
        if (item->IsSubMenu()) CollectItems(item->GetSubMenu(), items);
    }
}

}  // namespace

TEST_F(FrameTest, MenusAndTheirItemsCanBeChosenFromTheKeyboard) {
    // Each menu of the bar opens with a letter of its own; inside a menu, no
    // two items share a letter (an item may have none).
    wxMenuBar* bar = frame->GetMenuBar();
    ASSERT_GT(bar->GetMenuCount(), 0u);
    std::set<wxChar> menuKeys;
    for (size_t m = 0; m < bar->GetMenuCount(); ++m) {
        const wxString label = bar->GetMenuLabel(m);
        EXPECT_NE(Mnemonic(label), 0) << label;
        EXPECT_TRUE(menuKeys.insert(Mnemonic(label)).second) << label;
        std::vector<wxMenu*> menus = {bar->GetMenu(m)};
        for (size_t k = 0; k < menus.size(); ++k) {
            std::set<wxChar> itemKeys;
            for (wxMenuItem* item : menus[k]->GetMenuItems()) {
                if (item->IsSeparator()) continue;
                EXPECT_FALSE(item->GetItemLabelText().empty()) << item->GetId();
                const wxChar key = Mnemonic(item->GetItemLabel());
                if (key != 0) {
                    EXPECT_TRUE(itemKeys.insert(key).second) << item->GetItemLabel();
                }
                if (item->IsSubMenu()) menus.push_back(item->GetSubMenu());
            }
        }
    }
    // The copy item names its key.
    wxMenuItem* copy = bar->FindItem(ID_EDIT_COPY);
    ASSERT_NE(copy, nullptr);
    std::unique_ptr<wxAcceleratorEntry> shown(copy->GetAccel());
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->GetFlags(), wxACCEL_CTRL);
    EXPECT_EQ(shown->GetKeyCode(), 'C');
}

TEST_F(FrameTest, AHighlightedMenuItemShowsItsPromptAndTheIdleTextComesBack) {
    std::vector<wxMenuItem*> items;
    wxMenuBar* bar = frame->GetMenuBar();
    for (size_t m = 0; m < bar->GetMenuCount(); ++m) CollectItems(bar->GetMenu(m), items);
    int prompts = 0;
    for (wxMenuItem* item : items) {
        if (item->GetHelp().empty()) continue;
        ++prompts;
        wxMenuEvent highlight(wxEVT_MENU_HIGHLIGHT, item->GetId(), item->GetMenu());
        frame->GetEventHandler()->ProcessEvent(highlight);
        EXPECT_EQ(StatusText(), item->GetHelp()) << item->GetItemLabelText();
        wxMenuEvent closed(wxEVT_MENU_CLOSE, 0, item->GetMenu());
        frame->GetEventHandler()->ProcessEvent(closed);
        EXPECT_EQ(StatusText(), CMainFrame::IdleText()) << item->GetItemLabelText();
    }
    EXPECT_GT(prompts, 0);
}

TEST_F(FrameTest, ExitFromTheMenuClosesTheWindowAndKeepsItsSettings) {
    List()->SetColumnWidth(1, 77);
    MenuCommand(ID_APP_EXIT);
    ASSERT_TRUE(RunUntil([] { return wxTopLevelWindows.empty(); }, 30));
    frame = nullptr;
    const std::vector<int> widths = LoadWindowSettings().columnWidths;
    ASSERT_GT(widths.size(), 1u);
    EXPECT_EQ(widths[1], 77);
}

TEST_F(FrameTest, FormHoldsTheSheetButtonsAndListInTheirOrder) {
    EXPECT_EQ(view->StartButton()->GetToolTipText(), U8("検索開始"));
    EXPECT_TRUE(view->StartButton()->GetBitmap().IsOk());
    EXPECT_EQ(view->StopButton()->GetLabel(), U8("検索中止"));
    EXPECT_EQ(view->NarrowBox()->GetLabel(), U8("絞込検索"));

    wxNotebook* sheet = view->CriteriaSheet();
    EXPECT_EQ(sheet->GetPosition(), wxPoint(5, 2));
    ASSERT_EQ(sheet->GetPageCount(), 4u);
    EXPECT_EQ(sheet->GetPageText(0), U8("名前と場所"));
    EXPECT_EQ(sheet->GetPageText(1), U8("日付"));
    EXPECT_EQ(sheet->GetPageText(2), U8("ｻｲｽﾞ"));
    EXPECT_EQ(sheet->GetPageText(3), U8("種類"));
    EXPECT_EQ(sheet->GetSelection(), 0);
    // The sheet above the list and left of the buttons, close by; start
    // above stop above the narrowing box.
    EXPECT_LE(sheet->GetRect().GetBottom(), List()->GetPosition().y);
    EXPECT_LE(sheet->GetRect().GetRight(), view->StartButton()->GetPosition().x);
    EXPECT_LE(view->StartButton()->GetPosition().x - sheet->GetRect().GetRight(),
              view->ConvertDialogToPixels(wxPoint(8, 0)).x);
    EXPECT_LE(view->StartButton()->GetRect().GetBottom(), view->StopButton()->GetPosition().y);
    EXPECT_LE(view->StopButton()->GetRect().GetBottom(), view->NarrowBox()->GetPosition().y);
    EXPECT_LE(view->NarrowBox()->GetRect().GetBottom(), List()->GetPosition().y);
    EXPECT_LE(List()->GetRect().GetRight(), view->GetClientSize().x);
    EXPECT_LE(List()->GetRect().GetBottom(), view->GetClientSize().y);
}

TEST_F(FrameTest, ListColumnsAreTheResultTableOnesEachWideEnoughForItsWidestCell) {
    CResultList* list = List();
    EXPECT_TRUE(list->InReportView());
    EXPECT_EQ(list->GetItemCount(), 0);
    // The columns the command line's table shows, in its order, then where
    // the drawing matched.
    ASSERT_EQ(list->GetColumnCount(), kResultColumnCount);
    for (int i = 0; i < kResultColumnCount; ++i) {
        wxListItem column;
        column.SetMask(wxLIST_MASK_TEXT | wxLIST_MASK_FORMAT);
        list->GetColumn(i, column);
        EXPECT_EQ(column.GetText(),
                  U8(i < 6 ? kResultColumnHeaders[static_cast<size_t>(i)] : kMatchColumnHeader));
        EXPECT_EQ(column.GetAlign(), wxLIST_FORMAT_LEFT);
        // Room for the header with a sort arrow.
        EXPECT_GT(list->GetColumnWidth(i), list->GetTextExtent(column.GetText()).x + 16) << i;
    }
    const std::vector<int> before = list->ColumnWidths();

    // Rows with the widest cells of the fixed formats: each drawing type,
    // the largest size the column shows, wide dates. Their cells show whole
    // in the columns as they started (only the columns of texts of any
    // length widen to their cells).
    auto epoch = LocalTimeToEpoch(2008, 12, 28, 20, 58, 0);
    ASSERT_TRUE(epoch);
    for (const DrawingType& type : DrawingTypes()) {
        ResultRecord record;
        record.fullPath = "/d/x." + std::string(type.extension);
        record.shownPath = record.fullPath;
        record.size = 99'999'999'999;
        record.creationTime = record.modificationTime = *epoch;
        list->AppendRow(record, type.iconSlot);
    }
    for (ResultColumn column :
         {ResultColumn::Type, ResultColumn::Size, ResultColumn::Created, ResultColumn::Modified}) {
        const int index = static_cast<int>(column);
        EXPECT_EQ(list->GetColumnWidth(index), before[static_cast<size_t>(index)]) << index;
        for (long row = 0; row < list->GetItemCount(); ++row) {
            const wxString cell = list->GetItemText(row, index);
            EXPECT_FALSE(cell.empty());
            EXPECT_GT(list->GetColumnWidth(index), list->GetTextExtent(cell).x + 8)
                << index << " " << cell;
        }
    }

    // One placeholder slot per type (ten at least), in both sizes.
    EXPECT_GE(List()->SmallImages()->GetImageCount(), 10);
    EXPECT_GE(List()->SmallImages()->GetImageCount(), TypeSlotCount());
    EXPECT_EQ(List()->LargeImages()->GetImageCount(), List()->SmallImages()->GetImageCount());
    EXPECT_EQ(List()->SmallImages()->GetSize(), wxSize(16, 16));
    EXPECT_EQ(List()->LargeImages()->GetSize(), wxSize(32, 32));
}

TEST_F(FrameTest, CopyInsideATextFieldCopiesItsText) {
    // The frame's copy and cut keys must not take the field's own copy away.
    wxTextCtrl* keyword = view->NamePage()->KeywordField();
    keyword->ChangeValue("plan");
    keyword->SetFocus();
    Pump();
    if (wxWindow::FindFocus() != keyword) GTEST_SKIP() << "the virtual display gave no focus";
    keyword->SetSelection(0, 4);
    wxCommandEvent cut(wxEVT_MENU, ID_EDIT_CUT);
    frame->GetEventHandler()->ProcessEvent(cut);
    EXPECT_EQ(keyword->GetValue(), "");
}

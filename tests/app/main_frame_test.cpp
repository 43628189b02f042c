#include <wx/display.h>
#include <wx/fontenum.h>
#include <wx/imaglist.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/textctrl.h>

#include "app/criteria_pages.h"
#include "app/ids.h"
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

TEST_F(FrameTest, MenuBarCarriesItsTextsAndCommands) {
    wxMenuBar* bar = frame->GetMenuBar();
    ASSERT_EQ(bar->GetMenuCount(), 4u);
    EXPECT_EQ(bar->GetMenuLabel(0), U8("ﾌｧｲﾙ(&F)"));
    EXPECT_EQ(bar->GetMenuLabel(1), U8("編集(&E)"));
    EXPECT_EQ(bar->GetMenuLabel(2), U8("表示(&V)"));
    EXPECT_EQ(bar->GetMenuLabel(3), U8("ﾍﾙﾌﾟ(&H)"));
    const std::pair<int, const char*> items[] = {
        {22783, "ｱﾌﾟﾘｹｰｼｮﾝから開く(&O)"},
        {ID_APP_EXIT, "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"},
        {ID_EDIT_COPY, "ｺﾋﾟｰ(&C)\tCtrl+C"},
        {22771, "大きいｱｲｺﾝ(&G)"},
        {22774, "小さいｱｲｺﾝ(&D)"},
        {22772, "一覧(&M)"},
        {22773, "詳細(&L)"},
        {22777, "ﾌｧｲﾙ名順(&N)"},
        {22781, "種類順(&T)"},
        {22778, "作成日順(&C)"},
        {22779, "更新日順(&M)"},
        {22780, "ｻｲｽﾞ順(&Z)"},
        {ID_APP_ABOUT, "Plotsieve のﾊﾞｰｼﾞｮﾝ情報(&A)..."},
        {22776, "ﾍﾙﾌﾟ"},
    };
    for (const auto& [id, text] : items) {
        wxMenuItem* item = bar->FindItem(id);
        ASSERT_NE(item, nullptr) << id;
        EXPECT_EQ(item->GetItemLabel(), U8(text)) << id;
    }
    EXPECT_EQ(bar->FindItem(ID_EDIT_COPY)->GetHelp(), U8("選択範囲をｺﾋﾟｰしてｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存"));
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

TEST_F(FrameTest, ListStartsWithSevenColumnsWideEnoughAndPlaceholderIcons) {
    wxListCtrl* list = List();
    EXPECT_TRUE(list->InReportView());
    EXPECT_EQ(list->GetItemCount(), 0);
    const char* headers[] = {"ﾌｧｲﾙ名", "ﾀｲﾌﾟ", "ﾌｫﾙﾀﾞ", "ｻｲｽﾞ", "作成日", "最終更新日", "一致箇所"};
    const int specWidths[] = {120, 50, 120, 70, 70, 70};
    // The widest cell of each fixed format.
    const char* widest[] = {"", "mpz", "", "99999999KB", "00/00/00 00:00", "00/00/00 00:00", ""};
    ASSERT_EQ(list->GetColumnCount(), 7);
    for (int i = 0; i < 7; ++i) {
        wxListItem column;
        column.SetMask(wxLIST_MASK_TEXT | wxLIST_MASK_FORMAT);
        list->GetColumn(i, column);
        EXPECT_EQ(column.GetText(), U8(headers[i]));
        EXPECT_EQ(column.GetAlign(), wxLIST_FORMAT_LEFT);
        if (i < 6) {
            EXPECT_GE(list->GetColumnWidth(i), specWidths[i]) << i;
        }
        // Room for the header with a sort arrow, and for the widest cell.
        EXPECT_GT(list->GetColumnWidth(i), list->GetTextExtent(U8(headers[i])).x + 16) << i;
        EXPECT_GT(list->GetColumnWidth(i), list->GetTextExtent(widest[i]).x + 8) << i;
    }
    EXPECT_EQ(List()->SmallImages()->GetImageCount(), 10);
    EXPECT_EQ(List()->LargeImages()->GetImageCount(), 10);
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

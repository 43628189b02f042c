#include <wx/fontenum.h>
#include <wx/imaglist.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/textctrl.h>

#include "app/criteria_pages.h"
#include "app/ids.h"
#include "tests/app/gui_support.h"

using namespace gui_testing;

TEST_F(FrameTest, StartsAsOneFixedWindowSizedToTheForm) {
    EXPECT_EQ(frame->GetTitle(), U8("Vuva Vu Vazovo！ - Plotsieve"));
    EXPECT_FALSE(frame->HasFlag(wxRESIZE_BORDER));
    EXPECT_FALSE(frame->HasFlag(wxMAXIMIZE_BOX));
    EXPECT_TRUE(frame->HasFlag(wxMINIMIZE_BOX));
    EXPECT_EQ(view->GetSize(), view->ConvertDialogToPixels(wxSize(300, 222)));
    EXPECT_EQ(frame->GetClientSize(), view->GetSize());
    EXPECT_EQ(frame->GetMinSize(), frame->GetMaxSize());

    wxStatusBar* status = frame->GetStatusBar();
    ASSERT_EQ(status->GetFieldsCount(), 2);
    wxRect pane;
    ASSERT_TRUE(status->GetFieldRect(0, pane));
    EXPECT_NEAR(pane.width, 320, 4);
    EXPECT_EQ(StatusText(), U8("ﾚﾃﾞｨ"));

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

TEST_F(FrameTest, FormHoldsTheSheetButtonsAndListAtTheirPlaces) {
    auto at = [this](int x, int y) { return view->ConvertDialogToPixels(wxPoint(x, y)); };
    EXPECT_EQ(view->StartButton()->GetPosition(), at(234, 19));
    EXPECT_EQ(view->StartButton()->GetToolTipText(), U8("検索開始"));
    EXPECT_TRUE(view->StartButton()->GetBitmap().IsOk());
    EXPECT_EQ(view->StopButton()->GetPosition(), at(235, 61));
    EXPECT_EQ(view->StopButton()->GetLabel(), U8("検索中止"));
    EXPECT_EQ(view->NarrowBox()->GetPosition(), at(234, 82));
    EXPECT_EQ(view->NarrowBox()->GetLabel(), U8("絞込検索"));
    EXPECT_EQ(view->ResultList()->GetRect(),
              wxRect(at(6, 94), view->ConvertDialogToPixels(wxSize(287, 123))));

    wxNotebook* sheet = view->CriteriaSheet();
    EXPECT_EQ(sheet->GetPosition(), wxPoint(5, 2));
    ASSERT_EQ(sheet->GetPageCount(), 4u);
    EXPECT_EQ(sheet->GetPageText(0), U8("名前と場所"));
    EXPECT_EQ(sheet->GetPageText(1), U8("日付"));
    EXPECT_EQ(sheet->GetPageText(2), U8("ｻｲｽﾞ"));
    EXPECT_EQ(sheet->GetPageText(3), U8("種類"));
    EXPECT_EQ(sheet->GetSelection(), 0);
    // The sheet stays above the list and left of the buttons.
    EXPECT_LE(sheet->GetRect().GetBottom(), view->ResultList()->GetPosition().y);
    EXPECT_LE(sheet->GetRect().GetRight(), view->StartButton()->GetPosition().x);
}

TEST_F(FrameTest, ListStartsWithSixColumnsAndPlaceholderIcons) {
    wxListCtrl* list = view->ResultList();
    EXPECT_TRUE(list->InReportView());
    EXPECT_EQ(list->GetItemCount(), 0);
    const char* headers[] = {"ﾌｧｲﾙ名", "ﾀｲﾌﾟ", "ﾌｫﾙﾀﾞ", "ｻｲｽﾞ", "作成日", "最終更新日"};
    const int widths[] = {120, 50, 120, 70, 70, 70};
    ASSERT_EQ(list->GetColumnCount(), 6);
    for (int i = 0; i < 6; ++i) {
        wxListItem column;
        column.SetMask(wxLIST_MASK_TEXT | wxLIST_MASK_FORMAT);
        list->GetColumn(i, column);
        EXPECT_EQ(column.GetText(), U8(headers[i]));
        EXPECT_EQ(column.GetAlign(), wxLIST_FORMAT_LEFT);
        EXPECT_EQ(list->GetColumnWidth(i), widths[i]);
    }
    EXPECT_EQ(view->SmallImages()->GetImageCount(), 10);
    EXPECT_EQ(view->LargeImages()->GetImageCount(), 10);
    EXPECT_EQ(view->SmallImages()->GetSize(), wxSize(16, 16));
    EXPECT_EQ(view->LargeImages()->GetSize(), wxSize(32, 32));
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

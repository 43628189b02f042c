// The details pane, the folder command, the list's export and the fields'
// history, driven as a user drives them.
#include "app/details_pane.h"

#include <wx/button.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <filesystem>

#include "app/criteria_pages.h"
#include "app/desktop_open.h"
#include "app/ids.h"
#include "app/result_csv.h"
#include "platform/encoding.h"
#include "tests/app/gui_support.h"
#include "tests/test_support.h"

using namespace gui_testing;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

std::string Sjis(const char* utf8) { return Utf8ToCp932(utf8).value(); }

// A 2 x 1 bitmap of 24 bits a pixel (blue, then red), as a DWG or DXF keeps
// its picture.
std::string SmallBitmap() {
    return std::string("\x28\0\0\0\x02\0\0\0\x01\0\0\0\x01\0\x18\0", 16) + std::string(24, '\0') +
           std::string("\xFF\0\0\0\0\xFF\0\0", 8);
}

// A DXF holding `texts` (UTF-8 here) and, when asked, SmallBitmap as its
// THUMBNAILIMAGE section.
std::string Drawing(std::initializer_list<const char*> texts, bool picture) {
    std::string dxf = "  0\nSECTION\n  2\nENTITIES\n";
    for (const char* text : texts) {
        dxf += "  0\nTEXT\n  8\n0\n  1\n" + Sjis(text) + "\n";
    }
    dxf += "  0\nENDSEC\n";
    if (picture) {
        static const char* digits = "0123456789ABCDEF";
        std::string hex;
        for (unsigned char byte : SmallBitmap()) {
            hex += digits[byte >> 4];
            hex += digits[byte & 15];
        }
        dxf += "  0\nSECTION\n  2\nTHUMBNAILIMAGE\n 90\n" + std::to_string(SmallBitmap().size()) +
               "\n310\n" + hex + "\n  0\nENDSEC\n";
    }
    return dxf + "  0\nEOF\n";
}

class DetailsTest : public FrameTest {
  protected:
    void SetUp() override {
        FrameTest::SetUp();
        SetOpenHook([this](const std::string& path) { opened.push_back(path); });
    }
    void TearDown() override {
        SetOpenHook(nullptr);
        FrameTest::TearDown();
    }
    void Search(const char* keyword) {
        view->NamePage()->PlaceField()->SetValue(U8(dir.path().string()));
        view->NamePage()->KeywordField()->SetValue(U8(keyword));
        SearchAndWait();
        Pump();
    }
    // Selects the row of `name` as a click does, and waits for the pane.
    void Choose(const std::string& name) {
        for (long row = 0; row < List()->GetItemCount(); ++row) {
            List()->SetItemState(row, 0, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
        }
        for (long row = 0; row < List()->GetItemCount(); ++row) {
            if (List()->RecordOfRow(row)->fullPath != (dir.path() / name).string()) continue;
            List()->SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                                 wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
        }
        CDetailsPane* pane = view->DetailsPane();
        ASSERT_TRUE(RunUntil(
            [&] {
                return !pane->IsReading() && pane->ShownPath() == (dir.path() / name).string() &&
                       !pane->Lines()->GetValue().empty();
            },
            20))
            << pane->ShownPath() << " reading " << pane->IsReading() << " lines "
            << pane->Lines()->GetValue().utf8_string();
    }
    // The text of the pane's lines that is marked.
    std::vector<wxString> Marked() const {
        wxTextCtrl* lines = view->DetailsPane()->Lines();
        std::vector<wxString> marked;
        const wxString text = lines->GetValue();
        wxString run;
        for (long at = 0; at < static_cast<long>(text.length()); ++at) {
            wxTextAttr style;
            const bool on = lines->GetStyle(at, style) && style.HasBackgroundColour() &&
                            style.GetBackgroundColour() == wxColour(255, 230, 120);
            if (on) run += text[static_cast<size_t>(at)];
            if (!on && !run.empty()) {
                marked.push_back(run);
                run.clear();
            }
        }
        if (!run.empty()) marked.push_back(run);
        return marked;
    }

    TempDir dir;
    std::vector<std::string> opened;
};

}  // namespace

TEST_F(DetailsTest, PaneShowsThePictureAndEveryLineThatMatchedEachSearchMarked) {
    WriteFileBytes(dir.path() / "a.dxf",
                   Drawing({"1F PLAN", "平面図", "section", "2F plan 平面"}, true));
    WriteFileBytes(dir.path() / "b.dxf", Drawing({"平面図"}, false));
    Search("plan");
    ASSERT_EQ(Rows().size(), 1u);
    Choose("a.dxf");
    CDetailsPane* pane = view->DetailsPane();
    ASSERT_TRUE(pane->Preview()->HasPicture());
    EXPECT_EQ(pane->Preview()->Picture().GetSize(), wxSize(2, 1));
    EXPECT_EQ(pane->Preview()->Picture().GetRed(1, 0), 255);  // bottom-up rows, blue then red
    EXPECT_EQ(pane->Preview()->Picture().GetBlue(0, 0), 255);
    // (The DXF reader leaves out the spaces of a value.)
    EXPECT_EQ(pane->Lines()->GetValue(), U8("TEXT: 1FPLAN\nTEXT: 2Fplan平面"));
    EXPECT_EQ(Marked(), (std::vector<wxString>{"PLAN", "plan"}));
    EXPECT_EQ(pane->PathField()->GetValue(), U8((dir.path() / "a.dxf").string()));
    EXPECT_NE(pane->Facts()->GetLabel().Find(U8("ｻｲｽﾞ")), wxNOT_FOUND);
    // The facts show whole and have the width of the lines below them:
    // beside the buttons a drawing's times were cut off at a text scale of 1.
    Pump();
    EXPECT_GE(pane->Facts()->GetSize().x, pane->Facts()->GetBestSize().x);
    EXPECT_GE(pane->Facts()->GetSize().x, pane->Lines()->GetSize().x);
    EXPECT_FALSE(pane->Facts()->GetRect().Intersects(pane->OpenButton()->GetRect()));

    // Narrowed with 平面: the lines of both searches, both pieces marked.
    Click(view->NarrowBox());
    view->NamePage()->KeywordField()->SetValue(U8("平面"));
    SearchAndWait();
    ASSERT_EQ(Rows().size(), 1u);
    Choose("a.dxf");
    EXPECT_EQ(pane->Lines()->GetValue(), U8("TEXT: 1FPLAN\nTEXT: 平面図\nTEXT: 2Fplan平面"));
    // Pieces side by side make one mark.
    EXPECT_EQ(Marked(), (std::vector<wxString>{"PLAN", U8("平面"), U8("plan平面")}));

    // The buttons open the drawing and its folder.
    Click(pane->OpenButton());
    Click(pane->OpenFolderButton());
    EXPECT_EQ(opened,
              (std::vector<std::string>{(dir.path() / "a.dxf").string(), dir.path().string()}));
}

TEST_F(DetailsTest, ADrawingWithoutAPictureShowsItsIconAndTheNoteAndANewSearchEmptiesThePane) {
    WriteFileBytes(dir.path() / "b.dxf", Drawing({"plan"}, false));
    Search("plan");
    Choose("b.dxf");
    CDetailsPane* pane = view->DetailsPane();
    EXPECT_FALSE(pane->Preview()->HasPicture());
    EXPECT_EQ(pane->Preview()->Note(), U8("ﾌﾟﾚﾋﾞｭｰなし"));
    EXPECT_TRUE(pane->OpenButton()->IsEnabled());
    // Listing every drawing marks nothing and says so.
    Search("");
    EXPECT_TRUE(pane->ShownPath().empty());
    EXPECT_FALSE(pane->OpenButton()->IsEnabled());
    Choose("b.dxf");
    EXPECT_EQ(pane->Lines()->GetValue(), U8("ｷｰﾜｰﾄﾞなしの検索です"));
    // A drawing gone since the search: the reason, no crash.
    Search("plan");
    std::filesystem::remove(dir.path() / "b.dxf");
    Choose("b.dxf");
    EXPECT_NE(pane->Preview()->Note().Find(U8("図面を読めません")), wxNOT_FOUND);
}

TEST_F(DetailsTest, ThePaneCanBeHiddenAndStaysHiddenAtTheNextStart) {
    EXPECT_TRUE(view->IsDetailsPaneShown());
    MenuCommand(ID_VIEW_DETAILS_PANE, 0);
    EXPECT_FALSE(view->IsDetailsPaneShown());
    frame->Close(true);
    ASSERT_TRUE(RunUntil([] { return wxTopLevelWindows.empty(); }, 30));
    frame = new CMainFrame;
    frame->Show();
    view = frame->View();
    Pump();
    EXPECT_FALSE(view->IsDetailsPaneShown());
    MenuCommand(ID_VIEW_DETAILS_PANE, 1);
    EXPECT_TRUE(view->IsDetailsPaneShown());
}

TEST_F(DetailsTest, OpenFolderShowsEachSelectedDrawingsFolderOnce) {
    for (const char* name : {"x/a.dxf", "x/b.dxf", "\x95\xBD/c.dxf"}) {
        std::filesystem::create_directories((dir.path() / name).parent_path());
        WriteFileBytes(dir.path() / name, Drawing({"plan"}, false));
    }
    Search("plan");
    ASSERT_EQ(Rows().size(), 3u);
    MenuCommand(ID_SORT_BY_NAME);
    for (long row = 0; row < 3; ++row) {
        List()->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }
    List()->SetFocus();
    Pump();
    MenuCommand(ID_OPEN_FOLDER);
    EXPECT_EQ(opened, (std::vector<std::string>{(dir.path() / "x").string(),
                                                (dir.path() / "\x95\xBD").string()}));
    EXPECT_EQ(FoldersOf({"/a.dxf", "rel.dxf", "/p/q/r.dxf"}),
              (std::vector<std::string>{"/", ".", "/p/q"}));
}

TEST_F(DetailsTest, TheListIsSavedAsCsvInUtf8WithBomOrInShiftJis) {
    WriteFileBytes(dir.path() / "a.dxf", Drawing({"plan, \"A\""}, false));
    WriteFileBytes(dir.path() / "\x95\xBD\x96\xCA.dxf", Drawing({"plan 平面"}, false));
    Search("plan");
    MenuCommand(ID_SORT_BY_NAME);
    const std::string file = (dir.path() / "list.csv").string();
    ASSERT_TRUE(view->ExportList(file, CsvEncoding::Utf8WithBom));
    const std::string utf8 = testing_support::ReadFileBytes(file);
    ASSERT_TRUE(utf8.starts_with("\xEF\xBB\xBF"));
    std::vector<std::string> lines;
    for (size_t at = 3; at < utf8.size();) {
        size_t end = utf8.find("\r\n", at);
        ASSERT_NE(end, std::string::npos) << "each row ends in CR LF";
        lines.push_back(utf8.substr(at, end - at));
        at = end + 2;
    }
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "ﾌｧｲﾙ名,ﾀｲﾌﾟ,ﾌｫﾙﾀﾞ,ｻｲｽﾞ,作成日,最終更新日,一致箇所,ﾌﾙﾊﾟｽ");
    // The match cell holds a comma and quotes: quoted, the quotes doubled.
    EXPECT_TRUE(lines[1].starts_with("a,dxf,")) << lines[1];
    EXPECT_NE(lines[1].find(",\"TEXT: plan,\"\"A\"\"\"," + (dir.path() / "a.dxf").string()),
              std::string::npos)
        << lines[1];
    // A Shift_JIS name shows decoded.
    EXPECT_TRUE(lines[2].starts_with("平面,dxf,")) << lines[2];

    // Shift_JIS: the name's own bytes in the full path.
    ASSERT_TRUE(view->ExportList(file, CsvEncoding::Cp932));
    const std::string sjis = testing_support::ReadFileBytes(file);
    EXPECT_FALSE(sjis.starts_with("\xEF\xBB\xBF"));
    EXPECT_NE(sjis.find((dir.path() / "\x95\xBD\x96\xCA.dxf").string() + "\r\n"),
              std::string::npos);
    EXPECT_NE(sjis.find(Sjis("一致箇所")), std::string::npos);

    // A file that cannot be written: a message, false.
    EXPECT_FALSE(
        view->ExportList((dir.path() / "missing/list.csv").string(), CsvEncoding::Utf8WithBom));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].Find("missing"), wxNOT_FOUND);
}

TEST_F(DetailsTest, KeywordsAndPlacesSearchedComeBackNewestFirstAtTheNextStart) {
    const std::filesystem::path sjis = dir.path() / "\x95\xBD";
    std::filesystem::create_directories(sjis);
    WriteFileBytes(sjis / "a.dxf", Drawing({"plan"}, false));
    Search("plan");
    view->NamePage()->SetPlacePath(sjis.string());
    view->NamePage()->KeywordField()->SetValue(U8("平面"));
    SearchAndWait();
    for (int i = 0; i < 25; ++i) {
        view->NamePage()->KeywordField()->SetValue(wxString::Format("k%d", i));
        SearchAndWait();
    }
    Cpage1* page = view->NamePage();
    ASSERT_EQ(page->KeywordHistory().size(), Cpage1::kHistoryLength);
    EXPECT_EQ(page->KeywordHistory().front(), "k24");
    EXPECT_EQ(page->PlaceHistory(), (std::vector<std::string>{sjis.string(), dir.path().string()}));
    EXPECT_EQ(page->KeywordField()->GetCount(), Cpage1::kHistoryLength);

    frame->Close(true);
    ASSERT_TRUE(RunUntil([] { return wxTopLevelWindows.empty(); }, 30));
    frame = new CMainFrame;
    frame->Show();
    view = frame->View();
    Pump();
    page = view->NamePage();
    EXPECT_EQ(page->KeywordValue(), "k24");
    EXPECT_EQ(page->PlacePath(), sjis.string());  // the Shift_JIS folder, by its bytes
    EXPECT_EQ(page->PlaceValue(), U8((dir.path() / "平").string()));
    EXPECT_EQ(page->PlaceField()->GetCount(), 2u);
    EXPECT_EQ(page->PlaceField()->GetString(1), U8(dir.path().string()));
    // Choosing an entry of the drop-down takes its place.
    page->PlaceField()->SetSelection(1);
    wxCommandEvent chosen(wxEVT_COMBOBOX, IDC_PLACE);
    chosen.SetEventObject(page->PlaceField());
    chosen.SetInt(1);
    page->PlaceField()->GetEventHandler()->ProcessEvent(chosen);
    EXPECT_EQ(page->PlacePath(), dir.path().string());
    SearchAndWait();
    EXPECT_EQ(StatusText(), U8("0 枚見つかりました"));  // k24 is in no drawing
}

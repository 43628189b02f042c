#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/filefn.h>
#include <wx/menu.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <filesystem>

#include "app/about_dialog.h"
#include "app/criteria_pages.h"
#include "app/desktop_open.h"
#include "app/ids.h"
#include "app/place_chooser.h"
#include "results/file_list.h"
#include "tests/app/gui_support.h"
#include "tests/test_support.h"

using namespace gui_testing;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

class ResultActionsTest : public FrameTest {
  protected:
    void SetUp() override {
        FrameTest::SetUp();
        SetOpenHook([this](const std::string& path) { opened.push_back(path); });
    }
    void TearDown() override {
        SetOpenHook(nullptr);
        FrameTest::TearDown();
    }
    std::filesystem::path Add(const std::string& name, size_t size, int64_t modified) {
        std::filesystem::path path = dir.path() / name;
        std::filesystem::create_directories(path.parent_path());
        WriteFileBytes(path, std::string(size, 'x'));
        std::filesystem::last_write_time(
            path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(modified));
        return path;
    }
    // Lists every drawing of the folder.
    void ListAll() {
        view->NamePage()->PlaceField()->SetValue(wxString::FromUTF8(dir.path().string()));
        view->NamePage()->KeywordField()->SetValue("");
        SearchAndWait();
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const std::string& row : Rows()) {
            size_t tab = row.find('\t');
            names.push_back(row.substr(0, tab) + "." +
                            row.substr(tab + 1, row.find('\t', tab + 1) - tab - 1));
        }
        return names;
    }
    void Command(int id) {
        wxCommandEvent event(wxEVT_MENU, id);
        frame->GetEventHandler()->ProcessEvent(event);
    }
    bool Enabled(int id) {
        wxUpdateUIEvent event(id);
        frame->GetEventHandler()->ProcessEvent(event);
        return event.GetSetEnabled() ? event.GetEnabled() : true;
    }
    void Select(std::initializer_list<long> rows) {
        for (long row : rows) {
            view->ResultList()->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        }
    }

    TempDir dir;
    std::vector<std::string> opened;
};

}  // namespace

TEST_F(ResultActionsTest, SortCommandsOrderRowsByTheirRecords) {
    Add("b/a.dxf", 1000, 1);
    Add("a/z.dxf", 999, 3);
    Add("c/m.dwg", 1999, 2);
    Add("c/n.jwc", 1500, 4);
    ListAll();
    ASSERT_EQ(Rows().size(), 4u);

    // Whole paths: the folder counts before the name.
    Command(ID_SORT_BY_NAME);
    EXPECT_EQ(Names(), (std::vector<std::string>{"z.dxf", "a.dxf", "m.dwg", "n.jwc"}));
    Command(ID_SORT_BY_SIZE);
    EXPECT_EQ(Names(), (std::vector<std::string>{"z.dxf", "a.dxf", "n.jwc", "m.dwg"}));
    Command(ID_SORT_BY_MODIFIED);
    EXPECT_EQ(Names(), (std::vector<std::string>{"n.jwc", "z.dxf", "m.dwg", "a.dxf"}));
    Command(ID_SORT_BY_TYPE);
    std::vector<std::string> byType = Names();
    EXPECT_EQ(byType[0], "m.dwg");
    EXPECT_EQ(byType[3], "n.jwc");
    // Twice the same key: still ascending.
    Command(ID_SORT_BY_SIZE);
    Command(ID_SORT_BY_SIZE);
    EXPECT_EQ(Names(), (std::vector<std::string>{"z.dxf", "a.dxf", "n.jwc", "m.dwg"}));
    Command(ID_SORT_BY_CREATED);
    EXPECT_EQ(Rows().size(), 4u);
}

TEST_F(ResultActionsTest, OpenAndCopyActOnTheSelectedRowsTopDown) {
    Add("a.dxf", 10, 1);
    Add("b.dxf", 10, 1);
    Add("c.dxf", 10, 1);
    ListAll();
    Command(ID_SORT_BY_NAME);
    // The list's commands, as the user gives them after clicking the list.
    view->ResultList()->SetFocus();
    Pump();
    ASSERT_EQ(dynamic_cast<wxTextCtrl*>(wxWindow::FindFocus()), nullptr);
    EXPECT_FALSE(Enabled(ID_OPEN_FILES));
    EXPECT_FALSE(Enabled(ID_EDIT_COPY));
    EXPECT_TRUE(Enabled(ID_VIEW_DETAILS));

    Select({2, 0});
    EXPECT_TRUE(Enabled(ID_OPEN_FILES));
    EXPECT_TRUE(Enabled(ID_EDIT_COPY));
    const std::vector<std::string> selected = {(dir.path() / "a.dxf").string(),
                                               (dir.path() / "c.dxf").string()};
    EXPECT_EQ(view->SelectedPaths(), selected);

    // A double click opens every selected row, not only the clicked one.
    wxListEvent activated(wxEVT_LIST_ITEM_ACTIVATED, IDC_RESULT_LIST);
    activated.SetEventObject(view->ResultList());
    view->ResultList()->GetEventHandler()->ProcessEvent(activated);
    EXPECT_EQ(opened, selected);
    opened.clear();
    Command(ID_OPEN_FILES);
    EXPECT_EQ(opened, selected);

    // Copy puts the files where a file manager's paste finds them.
    Command(ID_EDIT_COPY);
    wxClipboardLocker clipboard;
    ASSERT_TRUE(!!clipboard);
    wxDataFormat gnomeFormat("x-special/gnome-copied-files");
    ASSERT_TRUE(wxTheClipboard->IsSupported(gnomeFormat));
    wxCustomDataObject gnome(gnomeFormat);
    ASSERT_TRUE(wxTheClipboard->GetData(gnome));
    EXPECT_EQ(std::string(static_cast<const char*>(gnome.GetData()), gnome.GetSize()),
              BuildGnomeCopiedFiles(selected));
    wxFileDataObject files;
    ASSERT_TRUE(wxTheClipboard->GetData(files));
    ASSERT_EQ(files.GetFilenames().size(), 2u);
    EXPECT_EQ(files.GetFilenames()[0].utf8_string(), selected[0]);
    EXPECT_EQ(files.GetFilenames()[1].utf8_string(), selected[1]);
}

TEST_F(ResultActionsTest, ViewModesSwitchAndCarryTheirCheckMarks) {
    Add("a.dxf", 10, 1);
    Add("b.dwg", 20, 1);
    ListAll();
    Command(ID_SORT_BY_SIZE);
    Select({1});
    const std::vector<std::string> rows = Rows();
    wxMenuBar* bar = frame->GetMenuBar();
    auto checked = [&] {
        bar->UpdateMenus();
        std::string marks;
        for (int id : {ID_VIEW_LARGE_ICONS, ID_VIEW_SMALL_ICONS, ID_VIEW_LIST, ID_VIEW_DETAILS}) {
            marks += bar->FindItem(id)->IsChecked() ? "x" : "-";
        }
        return marks;
    };
    EXPECT_EQ(checked(), "---x");
    Command(ID_VIEW_LARGE_ICONS);
    EXPECT_EQ(view->ViewMode(), wxLC_ICON);
    EXPECT_EQ(checked(), "x---");
    Command(ID_VIEW_SMALL_ICONS);
    EXPECT_EQ(view->ViewMode(), wxLC_SMALL_ICON);
    Command(ID_VIEW_LIST);
    EXPECT_EQ(view->ViewMode(), wxLC_LIST);
    EXPECT_EQ(checked(), "--x-");
    Command(ID_VIEW_DETAILS);
    Command(ID_VIEW_DETAILS);
    EXPECT_EQ(view->ViewMode(), wxLC_REPORT);
    EXPECT_EQ(checked(), "---x");
    // The rows keep their order, cells, records and selection.
    EXPECT_EQ(Rows(), rows);
    EXPECT_EQ(view->SelectedPaths(), std::vector<std::string>{(dir.path() / "b.dwg").string()});
    EXPECT_EQ(view->ResultList()->GetColumnCount(), 6);
}

TEST_F(ResultActionsTest, HelpOpensThePageUnderTheStartupFolder) {
    EXPECT_EQ(frame->StartupDirectory(), wxGetCwd());
    Command(ID_HELP_PAGE);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], (wxGetCwd() + "/help/help1.htm").utf8_string());
}

TEST_F(ResultActionsTest, AboutBoxShowsTheVersion) {
    CAboutDlg about(frame);
    EXPECT_EQ(about.GetTitle(), U8("Plotsieveのﾊﾞｰｼﾞｮﾝ情報"));
    EXPECT_EQ(about.GetClientSize(), about.ConvertDialogToPixels(wxSize(235, 61)));
    bool version = false;
    for (wxWindow* child : about.GetChildren()) {
        if (auto* text = dynamic_cast<wxStaticText*>(child)) {
            version = version || text->GetLabel() == "Plotsieve Version 1.50";
        }
    }
    EXPECT_TRUE(version);
    ASSERT_NE(about.FindWindow(wxID_OK), nullptr);
    EXPECT_EQ(about.FindWindow(wxID_OK)->GetLabel(), "OK");
}

TEST_F(ResultActionsTest, ChooserGivesAFolderAFileOrEveryDrive) {
    std::filesystem::path file = Add("sub/plan.dxf", 10, 1);
    CPlaceChooser chooser(frame, wxString::FromUTF8(dir.path().string()));
    EXPECT_EQ(chooser.GetTitle(), U8("ディレクトリの選択"));
    chooser.ChoosePath(wxString::FromUTF8((dir.path() / "sub").string()));
    EXPECT_EQ(chooser.Choice().utf8_string(), (dir.path() / "sub").string());
    chooser.ChoosePath(wxString::FromUTF8(file.string()));
    EXPECT_EQ(chooser.Choice().utf8_string(), file.string());
    chooser.ChooseAllDrives();
    EXPECT_EQ(chooser.Choice(), U8("全てのドライブ"));
}

#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/filefn.h>
#include <wx/menu.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/treectrl.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "app/about_dialog.h"
#include "app/criteria_pages.h"
#include "app/desktop_open.h"
#include "app/help_page.h"
#include "app/ids.h"
#include "app/place_chooser.h"
#include "app/place_path.h"
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
    void Command(int id) { MenuCommand(id); }
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
    EXPECT_EQ(List()->SelectedPaths(), selected);

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
    EXPECT_EQ(List()->ViewMode(), wxLC_ICON);
    EXPECT_EQ(checked(), "x---");
    Command(ID_VIEW_SMALL_ICONS);
    EXPECT_EQ(List()->ViewMode(), wxLC_SMALL_ICON);
    Command(ID_VIEW_LIST);
    EXPECT_EQ(List()->ViewMode(), wxLC_LIST);
    EXPECT_EQ(checked(), "--x-");
    Command(ID_VIEW_DETAILS);
    Command(ID_VIEW_DETAILS);
    EXPECT_EQ(List()->ViewMode(), wxLC_REPORT);
    EXPECT_EQ(checked(), "---x");
    // The rows keep their order, cells, records and selection.
    EXPECT_EQ(Rows(), rows);
    EXPECT_EQ(List()->SelectedPaths(), std::vector<std::string>{(dir.path() / "b.dwg").string()});
    EXPECT_EQ(view->ResultList()->GetColumnCount(), 7);
}

TEST_F(ResultActionsTest, HelpIsFoundWhereInstalledNeverUnderTheStartupFolder) {
    // <prefix>/bin holds the program; the installed page and the build
    // folder's copy beside the program.
    TempDir prefix;
    const std::filesystem::path bin = prefix.path() / "bin";
    const std::filesystem::path installed = prefix.path() / "share/plotsieve/help/help1.htm";
    const std::filesystem::path besideProgram = bin / "help/help1.htm";
    std::filesystem::create_directories(installed.parent_path());
    std::filesystem::create_directories(besideProgram.parent_path());
    WriteFileBytes(installed, "<html></html>");
    WriteFileBytes(besideProgram, "<html></html>");
    EXPECT_EQ(FindHelpPage(bin.string()), installed.string());
    std::filesystem::remove(installed);
    EXPECT_EQ(FindHelpPage(bin.string()), besideProgram.string());
    std::filesystem::remove(besideProgram);
    std::filesystem::create_directories(besideProgram);  // a folder is no page
    EXPECT_EQ(FindHelpPage(bin.string()), std::nullopt);

    // A page under the folder the program was started in is not taken.
    Add("help/help1.htm", 10, 1);
    const wxString startedIn = wxGetCwd();
    ASSERT_TRUE(wxSetWorkingDirectory(wxString::FromUTF8(dir.path().string())));
    EXPECT_EQ(FindHelpPage(bin.string()), std::nullopt);
    Command(ID_HELP_PAGE);
    wxSetWorkingDirectory(startedIn);

    // The command opens the page beside this program, or says where it looked.
    if (std::optional<std::string> page = FindHelpPage(ProgramFolder())) {
        EXPECT_EQ(opened, std::vector<std::string>{*page});
        EXPECT_TRUE(messages.empty());
    } else {
        EXPECT_TRUE(opened.empty());
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].Find("share/plotsieve/help/help1.htm"), wxNOT_FOUND);
    }
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
    CPlaceChooser chooser(frame, dir.path().string());
    EXPECT_EQ(chooser.GetTitle(), U8("ディレクトリの選択"));
    EXPECT_EQ(chooser.Choice(), dir.path().string());  // where it starts
    EXPECT_TRUE(chooser.ChoosePath((dir.path() / "sub").string()));
    EXPECT_EQ(chooser.Choice(), (dir.path() / "sub").string());
    EXPECT_TRUE(chooser.ChoosePath(file.string()));
    EXPECT_EQ(chooser.Choice(), file.string());
    EXPECT_FALSE(chooser.ChoosePath((dir.path() / "missing").string()));
    EXPECT_EQ(chooser.Choice(), dir.path().string());
    chooser.ChooseAllDrives();
    EXPECT_EQ(chooser.Choice(), "全てのドライブ");
}

namespace {

// A stand-in for xdg-open: records each argument's bytes, one a line, in
// "arguments" beside itself and exits with `status`. It runs with nothing else
// on its PATH.
std::filesystem::path FakeOpener(const std::filesystem::path& folder, int status) {
    std::filesystem::path opener = folder / "xdg-open";
    WriteFileBytes(opener, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" +
                               (folder / "arguments").string() + "'\nexit " +
                               std::to_string(status) + "\n");
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    return opener;
}

// Sets PATH for the life of the object.
class PathSetting {
  public:
    explicit PathSetting(const std::string& value) : m_old(std::getenv("PATH")) {
        setenv("PATH", value.c_str(), 1);
    }
    ~PathSetting() { setenv("PATH", m_old.c_str(), 1); }

  private:
    std::string m_old;
};

// A file name as Windows writes it in Shift_JIS: 平面図.dxf.
const std::string kCp932Name = "\x95\xBD\x96\xCA\x90\x7D.dxf";

}  // namespace

TEST_F(ResultActionsTest, NameThatIsNotUtf8ShowsDecodedAndIsHandedOnByItsBytes) {
    std::filesystem::path drawing = Add(kCp932Name, 10, 1);
    ListAll();
    ASSERT_EQ(Rows().size(), 1u);
    EXPECT_EQ(Names(), std::vector<std::string>{"平面図.dxf"});
    Select({0});
    List()->SetFocus();
    Pump();
    Command(ID_OPEN_FILES);
    EXPECT_EQ(opened, std::vector<std::string>{drawing.string()});

    // The copied URI list carries the bytes percent-encoded, and nothing
    // after its last line.
    Command(ID_EDIT_COPY);
    wxClipboardLocker clipboard;
    ASSERT_TRUE(!!clipboard);
    wxCustomDataObject uris(wxDataFormat("text/uri-list"));
    ASSERT_TRUE(wxTheClipboard->GetData(uris));
    std::string list(static_cast<const char*>(uris.GetData()), uris.GetSize());
    EXPECT_EQ(list, BuildUriList({drawing.string()}));
    EXPECT_NE(list.find("/%95%BD%96%CA%90%7D.dxf\r\n"), std::string::npos);
    EXPECT_EQ(list.find('\0'), std::string::npos);
    wxCustomDataObject gnome(wxDataFormat("x-special/gnome-copied-files"));
    ASSERT_TRUE(wxTheClipboard->GetData(gnome));
    EXPECT_EQ(std::string(static_cast<const char*>(gnome.GetData()), gnome.GetSize()),
              BuildGnomeCopiedFiles({drawing.string()}));
    // The text form names the file that exists: its URI, not the decoded
    // name (which named no file on disk).
    wxTextDataObject text;
    ASSERT_TRUE(wxTheClipboard->GetData(text));
    EXPECT_EQ(text.GetText(), U8(FileUri(drawing.string()) + "\n"));
}

TEST_F(ResultActionsTest, AShiftJisFolderChosenInTheChooserIsSearchedByItsBytes) {
    // The chooser's tree read the name as Latin-1, the place field received
    // it so, and the start was refused with 「検索場所「…」が見つかりません。」.
    const std::filesystem::path folder = dir.path() / "\x83\x5C\x83\x74\x83\x67";  // ソフト
    Add((folder / "plan.dxf").lexically_relative(dir.path()).string(), 10, 1);
    CPlaceChooser chooser(frame, dir.path().string());
    ASSERT_TRUE(chooser.ChoosePath(folder.string()));
    EXPECT_EQ(chooser.Choice(), folder.string());
    // Its label shows the name decoded.
    wxTreeItemId item = chooser.Tree()->GetSelection();
    ASSERT_TRUE(item.IsOk());
    EXPECT_EQ(chooser.Tree()->GetItemText(item), U8("ソフト"));
    // A path the toolkit read byte by byte (an argument) gives the bytes too;
    // a name that is UTF-8 stays UTF-8.
    wxString asRead = U8(dir.path().string()) + "/";
    for (unsigned char byte : folder.filename().string()) asRead += wxUniChar(unsigned{byte});
    EXPECT_EQ(NativePathOf(asRead + "/plan.dxf"), (folder / "plan.dxf").string());
    Add("caf\xC3\xA9/a.dxf", 1, 1);
    EXPECT_EQ(NativePathOf(U8(dir.path().string()) + U8("/café/a.dxf")),
              (dir.path() / "caf\xC3\xA9/a.dxf").string());

    view->NamePage()->SetPlacePath(chooser.Choice());
    EXPECT_EQ(view->NamePage()->PlaceValue(), U8((dir.path() / "ソフト").string()));
    view->NamePage()->KeywordField()->SetValue("");
    SearchAndWait();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Rows().size(), 1u);
    // Once the user edits the field, its text is the place.
    view->NamePage()->PlaceField()->SetValue(U8(dir.path().string()));
    EXPECT_EQ(view->NamePage()->PlacePath(), dir.path().string());
}

TEST_F(ResultActionsTest, OpeningHandsTheExactBytesToTheOpenerAndShowsItsFailures) {
    SetOpenHook(nullptr);  // the desktop's opener, which this test stands in for
    std::filesystem::path plain = Add("a.dxf", 10, 1);
    std::filesystem::path cp932 = Add(kCp932Name, 10, 1);
    ListAll();
    Command(ID_SORT_BY_NAME);
    Select({0, 1});
    TempDir bin;
    FakeOpener(bin.path(), 3);
    {
        PathSetting path(bin.path().string());
        Command(ID_OPEN_FILES);
        ASSERT_TRUE(RunUntil([this] { return messages.size() == 2; }, 30));
    }
    // The openers run side by side and end in any order.
    std::string arguments = testing_support::ReadFileBytes(bin.path() / "arguments");
    EXPECT_TRUE(arguments == plain.string() + "\n" + cp932.string() + "\n" ||
                arguments == cp932.string() + "\n" + plain.string() + "\n")
        << arguments;
    for (const wxString& message : messages) {
        EXPECT_NE(message.Find(U8("開くプログラムが登録されていません")), wxNOT_FOUND);
    }
    const wxString both = messages[0] + messages[1];
    EXPECT_NE(both.Find("a.dxf"), wxNOT_FOUND);
    EXPECT_NE(both.Find(U8("平面図.dxf")), wxNOT_FOUND);

    // No opener at all: one message, and the second file is not tried.
    messages.clear();
    TempDir empty;
    PathSetting path(empty.path().string());
    Command(ID_OPEN_FILES);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].Find("xdg-open"), wxNOT_FOUND);
}

TEST_F(ResultActionsTest, HeaderClickSortsByTheColumnAndAgainReverses) {
    Add("plan10.dxf", 10, 1);
    Add("plan9.dxf", 3000, 1);
    Add("plan2.dxf", 2000, 1);
    ListAll();
    auto click = [this](int column) {
        wxListEvent event(wxEVT_LIST_COL_CLICK, IDC_RESULT_LIST);
        event.SetEventObject(List());
        event.m_col = column;
        List()->GetEventHandler()->ProcessEvent(event);
    };
    click(0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"plan2.dxf", "plan9.dxf", "plan10.dxf"}));
    EXPECT_EQ(List()->SortColumn(), 0);
    EXPECT_TRUE(List()->SortAscending());
    click(0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"plan10.dxf", "plan9.dxf", "plan2.dxf"}));
    EXPECT_FALSE(List()->SortAscending());
    click(3);
    EXPECT_EQ(Names(), (std::vector<std::string>{"plan10.dxf", "plan2.dxf", "plan9.dxf"}));
    EXPECT_TRUE(List()->SortAscending());
    // The menu's commands keep their order by character codes.
    Command(ID_SORT_BY_NAME);
    EXPECT_EQ(Names(), (std::vector<std::string>{"plan10.dxf", "plan2.dxf", "plan9.dxf"}));
    EXPECT_EQ(List()->SortColumn(), -1);
}

TEST_F(ResultActionsTest, ContextMenuFromTheKeyboardOpensAtTheFocusedRow) {
    for (const char* name : {"a.dxf", "b.dxf", "c.dxf", "d.dxf"}) Add(name, 10, 1);
    ListAll();
    auto focus = [this](long row) {
        List()->SetItemState(row, wxLIST_STATE_FOCUSED | wxLIST_STATE_SELECTED,
                             wxLIST_STATE_FOCUSED | wxLIST_STATE_SELECTED);
        return List()->ContextMenuPoint(wxDefaultPosition);
    };
    wxRect first, third;
    ASSERT_TRUE(List()->GetItemRect(0, first));
    ASSERT_TRUE(List()->GetItemRect(2, third));
    // At the focused row's foot, whichever row that is (the rectangles are
    // in the list's coordinates, headers included).
    const wxPoint atFirst = focus(0), atThird = focus(2);
    EXPECT_TRUE(first.Contains(atFirst)) << atFirst.x << "," << atFirst.y;
    EXPECT_TRUE(third.Contains(atThird)) << atThird.x << "," << atThird.y;
    EXPECT_EQ(atThird.y, third.GetBottom());
    EXPECT_TRUE(wxRect(List()->GetClientSize()).Contains(atThird));
    // From the mouse: where the pointer is.
    wxPoint screen = List()->ClientToScreen(wxPoint(7, 9));
    EXPECT_EQ(List()->ContextMenuPoint(screen), wxPoint(7, 9));
}

TEST_F(ResultActionsTest, ColumnWidthsAndWindowSizeAreKeptBetweenRuns) {
    List()->SetColumnWidth(2, 333);
    frame->SetSize(frame->GetSize() + wxSize(40, 30));
    Pump();
    const wxSize size = frame->GetSize();
    frame->Close(true);
    ASSERT_TRUE(RunUntil([] { return wxTopLevelWindows.empty(); }, 30));
    ASSERT_TRUE(std::filesystem::exists(SettingsFilePath().utf8_string()));

    frame = new CMainFrame;
    frame->Show();
    view = frame->View();
    Pump();
    EXPECT_EQ(List()->GetColumnWidth(2), 333);
    EXPECT_EQ(frame->GetSize(), size);
    // The details view gives them back after another view.
    Command(ID_VIEW_LIST);
    Command(ID_VIEW_DETAILS);
    EXPECT_EQ(List()->GetColumnWidth(2), 333);

    // Damaged settings give the defaults.
    WriteFileBytes(SettingsFilePath().utf8_string(),
                   "[Window]\nWidth=abc\nHeight=-5\n[ResultList]\nColumn0=9999999\nColumn1=40\n");
    WindowSettings damaged = LoadWindowSettings();
    EXPECT_FALSE(damaged.size.IsFullySpecified());
    EXPECT_TRUE(damaged.columnWidths.empty());
}

TEST_F(ResultActionsTest, ColumnsOfLongTextsWidenForTheirCellsAndWhereItMatchedStaysInSight) {
    const std::string deep = "a_rather_long_folder_name/and_another_one/図面/物件_1234";
    Add(deep + "/x.dxf", 10, 1);
    Add("short_name_of_a_drawing_that_goes_on.dxf", 10, 1);
    const int folderBefore = List()->GetColumnWidth(2);
    ListAll();
    wxString longestFolder;
    for (long row = 0; row < List()->GetItemCount(); ++row) {
        wxString folder = List()->GetItemText(row, 2);
        if (folder.length() > longestFolder.length()) longestFolder = folder;
    }
    EXPECT_GT(List()->GetColumnWidth(0),
              List()->GetTextExtent("short_name_of_a_drawing_that_goes_on").x + 16);
    // The folder column shows its longest cell whole where the list has the
    // room, and leaves the start of the column of where it matched inside
    // the list (long folder names pushed it off the screen).
    int matchStart = 0;
    for (int column = 0; column < 6; ++column) matchStart += List()->GetColumnWidth(column);
    const int client = List()->GetClientSize().x;
    EXPECT_LT(matchStart, client);
    const bool whole = List()->GetColumnWidth(2) > List()->GetTextExtent(longestFolder).x;
    const bool atTheRoom = matchStart > client - List()->GetTextExtent(U8("一致箇所")).x - 80;
    EXPECT_TRUE(whole || atTheRoom) << List()->GetColumnWidth(2) << " " << matchStart;
    // What the list widened is not kept for the next run as a choice.
    EXPECT_EQ(List()->ChosenColumnWidths()[2], folderBefore);
    // A column the user widened stays as wide, and is kept.
    List()->SetColumnWidth(2, List()->GetColumnWidth(2) + 50);
    const int chosen = List()->GetColumnWidth(2);
    ListAll();
    EXPECT_EQ(List()->GetColumnWidth(2), chosen);
    EXPECT_EQ(List()->ChosenColumnWidths()[2], chosen);
}

TEST_F(ResultActionsTest, ARightClickSelectsTheRowUnderThePointer) {
    // The menu came up greyed: the row under the pointer was not selected.
    for (const char* name : {"a.dxf", "b.dxf", "c.dxf"}) Add(name, 10, 1);
    ListAll();
    Command(ID_SORT_BY_NAME);
    auto pointAt = [this](long row) {
        wxRect rect;
        EXPECT_TRUE(List()->GetItemRect(row, rect));
        return List()->ClientToScreen(rect.GetPosition() + wxSize(rect.width / 4, rect.height / 2));
    };
    List()->SelectForContextMenu(pointAt(1));
    EXPECT_EQ(List()->SelectedPaths(), std::vector<std::string>{(dir.path() / "b.dxf").string()});
    EXPECT_TRUE(Enabled(ID_OPEN_FILES));
    // Another row: it alone. A selected row of several keeps them all.
    List()->SelectForContextMenu(pointAt(2));
    EXPECT_EQ(List()->SelectedPaths(), std::vector<std::string>{(dir.path() / "c.dxf").string()});
    Select({0});
    List()->SelectForContextMenu(pointAt(0));
    EXPECT_EQ(List()->SelectedPaths().size(), 2u);
    // Below the rows: nothing changes.
    wxPoint below = List()->ClientToScreen(wxPoint(10, List()->GetClientSize().y - 3));
    List()->SelectForContextMenu(below);
    EXPECT_EQ(List()->SelectedPaths().size(), 2u);
}

TEST_F(ResultActionsTest, ANewSearchShowsNoSortArrowAndSortsKeepTheSelection) {
    for (const char* name : {"a.dxf", "b.dxf", "c.dxf"}) Add(name, 10, 1);
    ListAll();
    wxListEvent click(wxEVT_LIST_COL_CLICK, IDC_RESULT_LIST);
    click.SetEventObject(List());
    click.m_col = 0;
    List()->GetEventHandler()->ProcessEvent(click);
    List()->GetEventHandler()->ProcessEvent(click);  // descending: c, b, a
    EXPECT_EQ(Names(), (std::vector<std::string>{"c.dxf", "b.dxf", "a.dxf"}));
    Select({0});
    Command(ID_SORT_BY_NAME);
    EXPECT_EQ(List()->SelectedPaths(), std::vector<std::string>{(dir.path() / "c.dxf").string()});
    List()->GetEventHandler()->ProcessEvent(click);
    ASSERT_EQ(List()->SortColumn(), 0);
    // The header kept its arrow over rows in no column's order.
    ListAll();
    EXPECT_EQ(List()->SortColumn(), -1);
    EXPECT_TRUE(List()->SelectedPaths().empty());
}

TEST_F(ResultActionsTest, TensOfThousandsOfRowsAreAddedWithoutHoldingTheWindow) {
    // Each row cost the toolkit's list tens of microseconds a cell, so a
    // listing of every drawing held the window for seconds.
    std::vector<PendingRow> rows;
    for (int i = 0; i < 20000; ++i) {
        ResultRecord record;
        record.fullPath =
            "/srv/cad/project/" + std::to_string(i % 97) + "/plan" + std::to_string(i) + ".dxf";
        record.shownPath = record.fullPath;
        rows.push_back({record, 1});
    }
    auto start = std::chrono::steady_clock::now();
    List()->AppendRows(rows);
    Pump();
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::milliseconds(500));
    ASSERT_EQ(List()->GetItemCount(), 20000);
    EXPECT_EQ(List()->GetItemText(19999, 0), "plan19999");
    EXPECT_EQ(List()->RecordOfRow(12345)->fullPath, "/srv/cad/project/26/plan12345.dxf");
}

#include "app/main_frame.h"

#include <wx/accel.h>
#include <wx/display.h>
#include <wx/filedlg.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/textdlg.h>

#include <algorithm>
#include <optional>
#include <string>

#include "app/about_dialog.h"
#include "app/criteria_pages.h"
#include "app/desktop_open.h"
#include "app/help_page.h"
#include "app/ids.h"
#include "app/message_box.h"
#include "app/place_path.h"
#include "app/plotsieve_view.h"
#include "app/resources.h"
#include "app/result_list.h"
#include "app/window_settings.h"
#include "platform/file_status.h"

namespace {
wxString U8(const char* text) { return wxString::FromUTF8(text); }
wxString U8(const std::string& text) { return wxString::FromUTF8(text); }
constexpr int kStatusPaneWidth = 320;
// The widest text the search shows in the status bar.
constexpr const char* kWidestStatus = "検索中--- 8888888 枚中 8888888 枚目 (8888888 枚一致)";
}  // namespace

wxBEGIN_EVENT_TABLE(CMainFrame, wxFrame)
    EVT_SEARCH_STATUS(CMainFrame::OnSearchStatus)
    EVT_CLOSE(CMainFrame::OnClose)
    EVT_MENU(ID_APP_EXIT, CMainFrame::OnExit)
    EVT_MENU(ID_APP_ABOUT, CMainFrame::OnAbout)
    EVT_MENU(ID_EDIT_COPY, CMainFrame::OnEditCommand)
    EVT_MENU(ID_EDIT_CUT, CMainFrame::OnEditCommand)
    EVT_UPDATE_UI(ID_EDIT_COPY, CMainFrame::OnCopyUpdate)
    EVT_MENU(ID_HELP_PAGE, CMainFrame::OnHelp)
    EVT_MENU(ID_USE_CACHE, CMainFrame::OnUseCache)
    EVT_MENU(ID_CLEAR_CACHE, CMainFrame::OnClearCache)
    EVT_MENU(ID_SHARED_CACHE, CMainFrame::OnSharedCache)
    EVT_UPDATE_UI(ID_SHARED_CACHE, CMainFrame::OnCacheUpdate)
    EVT_UPDATE_UI(ID_USE_CACHE, CMainFrame::OnCacheUpdate)
    EVT_UPDATE_UI(ID_CLEAR_CACHE, CMainFrame::OnCacheUpdate)
    EVT_MENU(ID_OFFICE_INDEX, CMainFrame::OnOfficeIndex)
    EVT_UPDATE_UI(ID_OFFICE_INDEX, CMainFrame::OnOfficeIndexUpdate)
    EVT_MENU(ID_VIEW_DETAILS_PANE, CMainFrame::OnDetailsPane)
    EVT_UPDATE_UI(ID_VIEW_DETAILS_PANE, CMainFrame::OnDetailsPaneUpdate)
    EVT_MENU(ID_EXPORT_LIST, CMainFrame::OnExportList)
    EVT_UPDATE_UI(ID_EXPORT_LIST, CMainFrame::OnExportListUpdate)
    EVT_MENU(ID_OPEN_FOLDER, CMainFrame::OnViewCommand)
    EVT_UPDATE_UI(ID_OPEN_FOLDER, CMainFrame::OnViewCommandUpdate)
    EVT_MENU_RANGE(ID_VIEW_LARGE_ICONS, ID_OPEN_FILES, CMainFrame::OnViewCommand)
    EVT_UPDATE_UI_RANGE(ID_VIEW_LARGE_ICONS, ID_OPEN_FILES, CMainFrame::OnViewCommandUpdate)
wxEND_EVENT_TABLE()

CMainFrame::CMainFrame(const wxString& place)
    : wxFrame(nullptr, wxID_ANY, U8("Vuva Vu Vazovo！ - Plotsieve")) {
    SetIcons(ApplicationIcons());
    CreateMenus();
    CreateStatusPanes();

    m_view = new CPlotsieveView(this);
    // The form's size is the window's least size; the window may grow, and
    // the result list takes the room.
    SetClientSize(m_view->GetMinSize());
    RestoreSettings();
    // A place given at start comes before the last one searched.
    if (!place.empty()) m_view->NamePage()->SetPlacePath(NativePathOf(place));
}

bool CMainFrame::Show(bool show) {
    const bool changed = wxFrame::Show(show);
    if (show && !m_fittedOnScreen) {
        m_fittedOnScreen = true;
        m_view->FitToShownControls();
        ApplySize();
    }
    return changed;
}

void CMainFrame::CreateStatusPanes() {
    // Two panes: the first for menu prompts and the search's texts, 320
    // pixels or as wide as the longest text needs at the font; the second a
    // quarter of the screen.
    wxStatusBar* status = CreateStatusBar(2);
    status->SetFont(FormFont());
    int textWidth = status->GetTextExtent(U8(kWidestStatus)).GetWidth();
    int screenWidth = wxDisplay(0u).GetGeometry().GetWidth();
    const int widths[2] = {std::max(kStatusPaneWidth, textWidth + 2 * status->GetCharWidth()),
                           screenWidth / 4};
    status->SetStatusWidths(2, widths);
    SetStatusBarPane(0);
    SetStatusText(IdleText(), 0);
}

void CMainFrame::RestoreSettings() {
    WindowSettings settings = LoadWindowSettings();
    m_view->ResultList()->SetColumnWidths(settings.columnWidths);
    m_view->SetUseCache(settings.useCache);
    m_view->SetSharedCache(settings.sharedCache);
    SetOfficeIndex(
        {wxString::FromUTF8(settings.indexConnection), wxString::FromUTF8(settings.indexRootMap)});
    m_view->ShowDetailsPane(settings.detailsPane);
    m_view->NamePage()->SetHistory(settings.keywordHistory, settings.placeHistory);
    m_keptSize = settings.size;
    ApplySize();
}

void CMainFrame::ApplySize() {
    wxSize least = ClientToWindowSize(m_view->GetMinSize());
    SetMinSize(least);
    wxSize size = m_keptSize;
    if (!size.IsFullySpecified()) {
        // Wide enough to show every column of the list, where the screen
        // allows: the list has the room the form leaves.
        CResultList* list = m_view->ResultList();
        int margins = m_view->GetSize().x - list->GetSize().x;
        int listWidth = m_view->GetMinSize().x - margins;
        int columns = 0;
        for (int width : list->ColumnWidths()) columns += width;
        size = least;
        size.x += std::max(0, columns + 2 * list->GetCharHeight() - listWidth);
    }
    // Never below the least size, never beyond the screen.
    size.IncTo(least);
    wxRect screen = wxDisplay(0u).GetClientArea();
    size.DecTo(wxSize(std::max(screen.width, least.x), std::max(screen.height, least.y)));
    SetSize(size);
}

void CMainFrame::SaveSettings() const {
    WindowSettings settings;
    if (!IsMaximized() && !IsIconized() && !IsFullScreen()) settings.size = GetSize();
    settings.columnWidths = m_view->ResultList()->ChosenColumnWidths();
    settings.useCache = m_view->UsesCache();
    settings.sharedCache = m_view->SharedCache();
    settings.indexConnection = m_officeIndex.connection.utf8_string();
    settings.indexRootMap = m_officeIndex.rootMap.utf8_string();
    settings.detailsPane = m_view->IsDetailsPaneShown();
    settings.keywordHistory = m_view->NamePage()->KeywordHistory();
    settings.placeHistory = m_view->NamePage()->PlaceHistory();
    SaveWindowSettings(settings);
}

wxString CMainFrame::IdleText() { return U8("ﾚﾃﾞｨ"); }

void CMainFrame::CreateMenus() {
    auto* file = new wxMenu;
    file->Append(ID_OPEN_FILES, U8("ｱﾌﾟﾘｹｰｼｮﾝから開く(&O)"));
    file->Append(ID_OPEN_FOLDER, U8("ﾌｫﾙﾀﾞを開く(&F)"),
                 U8("選択した図面のﾌｫﾙﾀﾞをﾌｧｲﾙ ﾏﾈｰｼﾞｬで開く"));
    file->AppendSeparator();
    file->Append(ID_EXPORT_LIST, U8("一覧を保存(&S)..."), U8("検索結果の一覧をCSVﾌｧｲﾙに保存"));
    file->AppendSeparator();
    file->AppendCheckItem(ID_USE_CACHE, U8("ｷｬｯｼｭを使う"),
                          U8("読んだ図面の文字を保存し、変わっていない図面は読み直さない"));
    file->Append(ID_CLEAR_CACHE, U8("ｷｬｯｼｭを消去"), U8("保存した図面の文字をすべて消去"));
    file->Append(ID_SHARED_CACHE, U8("共有ｷｬｯｼｭ..."),
                 U8("事務所で作ったｷｬｯｼｭﾌｧｲﾙ (index --cache) を読むだけで使う"));
    file->Append(ID_OFFICE_INDEX, U8("ｵﾌｨｽ索引..."),
                 U8("ﾌｧｲﾙｻｰﾊﾞｰの索引 (PostgreSQL) で検索する場所と接続先を設定"));
    file->AppendSeparator();
    file->Append(ID_APP_EXIT, U8("ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"), U8("ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示"));

    auto* edit = new wxMenu;
    edit->Append(ID_EDIT_COPY, U8("ｺﾋﾟｰ(&C)\tCtrl+C"), U8("選択範囲をｺﾋﾟｰしてｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存"));

    auto* arrange = new wxMenu;
    arrange->Append(ID_SORT_BY_NAME, U8("ﾌｧｲﾙ名順(&N)"));
    arrange->Append(ID_SORT_BY_TYPE, U8("種類順(&T)"));
    arrange->Append(ID_SORT_BY_CREATED, U8("作成日順(&C)"));
    arrange->Append(ID_SORT_BY_MODIFIED, U8("更新日順(&M)"));
    arrange->Append(ID_SORT_BY_SIZE, U8("ｻｲｽﾞ順(&Z)"));
    auto* view = new wxMenu;
    view->AppendCheckItem(ID_VIEW_LARGE_ICONS, U8("大きいｱｲｺﾝ(&G)"));
    view->AppendCheckItem(ID_VIEW_SMALL_ICONS, U8("小さいｱｲｺﾝ(&D)"));
    view->AppendCheckItem(ID_VIEW_LIST, U8("一覧(&M)"));
    view->AppendCheckItem(ID_VIEW_DETAILS, U8("詳細(&L)"));
    view->AppendSeparator();
    view->AppendSubMenu(arrange, U8("ｱｲｺﾝの整列"));
    view->AppendSeparator();
    view->AppendCheckItem(ID_VIEW_DETAILS_PANE, U8("詳細ﾍﾟｲﾝ(&P)"),
                          U8("選択した図面のﾌﾟﾚﾋﾞｭｰと一致した行を一覧の下に表示"));

    auto* help = new wxMenu;
    help->Append(ID_APP_ABOUT, U8("Plotsieve のﾊﾞｰｼﾞｮﾝ情報(&A)..."),
                 U8("ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示"));
    help->Append(ID_HELP_PAGE, U8("ﾍﾙﾌﾟ"));

    auto* bar = new wxMenuBar;
    bar->Append(file, U8("ﾌｧｲﾙ(&F)"));
    bar->Append(edit, U8("編集(&E)"));
    bar->Append(view, U8("表示(&V)"));
    bar->Append(help, U8("ﾍﾙﾌﾟ(&H)"));
    SetMenuBar(bar);

    // The keys. Ctrl+T, cut, and the pane keys have no handler.
    wxAcceleratorEntry keys[] = {
        {wxACCEL_CTRL, 'C', ID_EDIT_COPY},        {wxACCEL_CTRL, 'D', ID_VIEW_SMALL_ICONS},
        {wxACCEL_CTRL, 'G', ID_VIEW_LARGE_ICONS}, {wxACCEL_CTRL, 'L', ID_VIEW_DETAILS},
        {wxACCEL_CTRL, 'M', ID_VIEW_LIST},        {wxACCEL_CTRL, 'T', ID_SELECT_TYPES},
        {wxACCEL_SHIFT, WXK_DELETE, ID_EDIT_CUT}, {wxACCEL_NORMAL, WXK_F6, ID_NEXT_PANE},
        {wxACCEL_SHIFT, WXK_F6, ID_PREV_PANE},    {wxACCEL_CTRL, WXK_INSERT, ID_EDIT_COPY},
        {wxACCEL_CTRL, 'X', ID_EDIT_CUT},
    };
    SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(std::size(keys)), keys));
}

void CMainFrame::DoGiveHelp(const wxString& text, bool show) {
    // A menu item's prompt while it is highlighted; after it, what the pane
    // showed before: the search's last text, or the idle text.
    if (show) {
        SetStatusText(text, 0);
    } else {
        SetStatusText(m_searchText.empty() ? IdleText() : m_searchText, 0);
    }
}

void CMainFrame::OnSearchStatus(wxCommandEvent& event) {
    // The event carries the text to show; its int is the status code.
    m_searchText = event.GetString();
    SetStatusText(m_searchText, 0);
}

void CMainFrame::OnClose(wxCloseEvent&) {
    // A running search is stopped and its worker joined before the form goes.
    if (m_view != nullptr) {
        m_view->StopAndWait();
        SaveSettings();
    }
    Destroy();
}

void CMainFrame::OnExit(wxCommandEvent&) { Close(true); }

void CMainFrame::OnEditCommand(wxCommandEvent& event) {
    // Inside a text field the copy and cut keys act on its text.
    if (auto* field = dynamic_cast<wxTextEntry*>(FindFocus())) {
        if (event.GetId() == ID_EDIT_COPY) field->Copy();
        if (event.GetId() == ID_EDIT_CUT) field->Cut();
        return;
    }
    if (event.GetId() == ID_EDIT_COPY) OnViewCommand(event);
}

void CMainFrame::OnViewCommand(wxCommandEvent& event) {
    // The result list handles the list's commands wherever the focus is.
    if (m_view != nullptr) m_view->ResultList()->GetEventHandler()->ProcessEventLocally(event);
}

void CMainFrame::OnViewCommandUpdate(wxUpdateUIEvent& event) {
    if (m_view != nullptr) m_view->ResultList()->GetEventHandler()->ProcessEventLocally(event);
}

void CMainFrame::OnAbout(wxCommandEvent&) {
    CAboutDlg about(this);
    about.ShowModal();
}

void CMainFrame::OnHelp(wxCommandEvent&) {
    // The page installed with the program, or the build folder's copy.
    const std::string programFolder = ProgramFolder();
    if (std::optional<std::string> page = FindHelpPage(programFolder)) {
        OpenWithDesktop(*page);
        return;
    }
    wxString places;
    for (const std::string& candidate : HelpPageCandidates(programFolder)) {
        places += "\n" + U8(candidate);
    }
    ShowMessage(this, U8("ヘルプのページが見つかりません。探した場所:") + places);
}

void CMainFrame::OnCopyUpdate(wxUpdateUIEvent& event) {
    if (dynamic_cast<wxTextEntry*>(FindFocus()) != nullptr) {
        event.Enable(true);
        return;
    }
    OnViewCommandUpdate(event);
}

void CMainFrame::OnDetailsPane(wxCommandEvent&) {
    m_view->ShowDetailsPane(!m_view->IsDetailsPaneShown());
}

void CMainFrame::OnDetailsPaneUpdate(wxUpdateUIEvent& event) {
    event.Check(m_view->IsDetailsPaneShown());
}

void CMainFrame::OnExportList(wxCommandEvent&) {
    // The encoding follows the file type chosen: UTF-8 with a byte-order
    // mark (what spreadsheet programs in Japan read as UTF-8), or Shift_JIS.
    wxFileDialog dialog(this, U8("一覧を保存"), wxString(), "plotsieve.csv",
                        U8("CSV UTF-8 (BOM付き) (*.csv)|*.csv|CSV Shift_JIS (*.csv)|*.csv"),
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK) return;
    const CsvEncoding encoding =
        dialog.GetFilterIndex() == 1 ? CsvEncoding::Cp932 : CsvEncoding::Utf8WithBom;
    m_view->ExportList(NativePathOf(dialog.GetPath()), encoding);
}

void CMainFrame::OnExportListUpdate(wxUpdateUIEvent& event) {
    event.Enable(m_view->ResultList()->GetItemCount() > 0);
}

void CMainFrame::OnUseCache(wxCommandEvent& event) { m_view->SetUseCache(event.IsChecked()); }

void CMainFrame::OnClearCache(wxCommandEvent&) {
    if (!m_view->ClearCache()) ShowMessage(this, U8("ｷｬｯｼｭを消去できませんでした。"));
}

void CMainFrame::SetOfficeIndex(const OfficeIndexChoice& choice) {
    m_officeIndex = choice;
    m_view->SetOfficeIndex(
        {.target = choice.connection.utf8_string(),
         .mappings = ParseRootMap(choice.rootMap).value_or(std::vector<RootMapping>{})});
}

void CMainFrame::OnOfficeIndex(wxCommandEvent&) {
    OfficeIndexChoice choice = m_officeIndex;
    COfficeIndexDialog dialog(this, choice);
    if (dialog.ShowModal() == wxID_OK) SetOfficeIndex(choice);
}

void CMainFrame::OnOfficeIndexUpdate(wxUpdateUIEvent& event) {
    // Changed between searches, never under one.
    event.Enable(!m_view->IsSearching());
}

void CMainFrame::OnCacheUpdate(wxUpdateUIEvent& event) {
    if (event.GetId() == ID_USE_CACHE) event.Check(m_view->UsesCache());
    // The cache is cleared or changed between searches, never under one.
    if (event.GetId() == ID_CLEAR_CACHE || event.GetId() == ID_SHARED_CACHE) {
        event.Enable(!m_view->IsSearching());
    }
}

void CMainFrame::OnSharedCache(wxCommandEvent&) {
    wxTextEntryDialog dialog(this,
                             U8("事務所で共有するｷｬｯｼｭﾌｧｲﾙ (読むだけ。空欄: 自分のｷｬｯｼｭ)\n"
                                "例: /srv/drawings/plotsieve.sqlite"),
                             U8("共有ｷｬｯｼｭ"), wxString::FromUTF8(m_view->SharedCache()));
    if (dialog.ShowModal() == wxID_OK) SetSharedCache(dialog.GetValue());
}

bool CMainFrame::SetSharedCache(wxString path) {
    path.Trim(true).Trim(false);
    const std::string file = path.utf8_string();
    if (!file.empty() && !ReadFileStatus(file)) {
        ShowMessage(this, wxString::Format(U8("共有ｷｬｯｼｭ「%s」が見つかりません。"), path));
        return false;
    }
    m_view->SetSharedCache(file);
    return true;
}

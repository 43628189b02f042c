#include "app/plotsieve_view.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/dnd.h>
#include <wx/imaglist.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <utility>

#include "app/criteria_pages.h"
#include "app/desktop_open.h"
#include "app/ids.h"
#include "app/message_box.h"
#include "app/resources.h"
#include "app/type_icon.h"
#include "platform/encoding.h"
#include "results/file_list.h"
#include "results/result_record.h"
#include "search/drawing_types.h"

wxDEFINE_EVENT(wxEVT_SEARCH_STATUS, wxThreadEvent);

namespace {
wxString U8(const std::string& text) { return wxString::FromUTF8(text); }
wxString U8(const char* text) { return wxString::FromUTF8(text); }
// Both image lists hold 10 images at least, and one for every type slot.
constexpr int kPlaceholderSlots = 10;
int ImageSlotCount() { return std::max(kPlaceholderSlots, TypeSlotCount()); }

// Names the first character of the keyword that CP932 cannot hold.
wxString UnencodableKeywordMessage(const wxString& keyword) {
    wxString culprit;
    for (wxUniChar c : keyword) {
        if (!Utf8ToCp932(wxString(c).utf8_string())) {
            culprit = wxString(c);
            break;
        }
    }
    return wxString::Format(U8("キーワードの文字「%s」は Shift_JIS (CP932) で表せません。\n"
                               "図面の文字は Shift_JIS で記録されているため、"
                               "この文字を含むキーワードでは検索できません。"),
                            culprit);
}
}  // namespace

wxBEGIN_EVENT_TABLE(CPlotsieveView, wxPanel)
    EVT_BUTTON(IDC_START, CPlotsieveView::OnStart)
    EVT_BUTTON(IDC_STOP, CPlotsieveView::OnStop)
    EVT_CHECKBOX(IDC_NARROW, CPlotsieveView::OnNarrow)
    EVT_BUTTON(IDC_KEYWORD_HELP, CPlotsieveView::OnKeywordHelp)
    EVT_TEXT(IDC_KEYWORD, CPlotsieveView::OnKeywordText)
    EVT_NOTEBOOK_PAGE_CHANGING(IDC_CRITERIA_SHEET, CPlotsieveView::OnSheetPageChanging)
    EVT_MENU_RANGE(ID_VIEW_LARGE_ICONS, ID_VIEW_SMALL_ICONS, CPlotsieveView::OnViewMode)
    EVT_UPDATE_UI_RANGE(ID_VIEW_LARGE_ICONS, ID_VIEW_SMALL_ICONS, CPlotsieveView::OnViewModeUpdate)
    EVT_MENU_RANGE(ID_SORT_BY_NAME, ID_SORT_BY_TYPE, CPlotsieveView::OnSort)
    EVT_MENU(ID_OPEN_FILES, CPlotsieveView::OnOpen)
    EVT_UPDATE_UI(ID_OPEN_FILES, CPlotsieveView::OnSelectionCommandUpdate)
    EVT_MENU(ID_EDIT_COPY, CPlotsieveView::OnCopy)
    EVT_UPDATE_UI(ID_EDIT_COPY, CPlotsieveView::OnSelectionCommandUpdate)
    EVT_LIST_ITEM_ACTIVATED(IDC_RESULT_LIST, CPlotsieveView::OnItemActivated)
    EVT_LIST_BEGIN_DRAG(IDC_RESULT_LIST, CPlotsieveView::OnBeginDrag)
    EVT_CONTEXT_MENU(CPlotsieveView::OnContextMenu)
    wx__DECLARE_EVT1(wxEVT_SEARCH_STATUS, wxID_ANY,
                     wxThreadEventHandler(CPlotsieveView::OnSearchStatus))
wxEND_EVENT_TABLE()

CPlotsieveView::CPlotsieveView(wxWindow* parent)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxBORDER_NONE) {
    SetFont(FormFont());
    CreateControls();
    m_session = std::make_unique<SearchSession>(static_cast<SearchFrontEnd&>(*this));
}

CPlotsieveView::~CPlotsieveView() {
    // The worker reads the pages and queues to this window: it ends first.
    m_session.reset();
}

void CPlotsieveView::CreateControls() {
    // The form is 300 x 222 dialog units of its font.
    SetClientSize(ConvertDialogToPixels(wxSize(300, 222)));

    m_start = new wxButton(this, IDC_START, U8("検索開始"), wxDefaultPosition, wxDefaultSize,
                           wxBU_NOTEXT | wxBU_EXACTFIT);
    m_start->SetBitmap(StartButtonBitmap());
    PlaceInDialogUnits(m_start, 234, 19, 50, 37);
    m_start->SetDefault();
    m_start->SetToolTip(U8("検索開始"));
    m_stop = new wxButton(this, IDC_STOP, U8("検索中止"));
    PlaceInDialogUnits(m_stop, 235, 61, 49, 18);
    m_narrow = new wxCheckBox(this, IDC_NARROW, U8("絞込検索"));
    PlaceInDialogUnits(m_narrow, 234, 82, 41, 10);
    m_list = new wxListCtrl(this, IDC_RESULT_LIST, wxDefaultPosition, wxDefaultSize,
                            wxLC_REPORT | wxBORDER_SUNKEN);
    PlaceInDialogUnits(m_list, 6, 94, 287, 123);

    for (size_t i = 0; i < kResultColumnHeaders.size(); ++i) {
        m_list->AppendColumn(U8(kResultColumnHeaders[i]), wxLIST_FORMAT_LEFT,
                             kResultColumnWidths[i]);
    }
    // Both image lists start with the placeholder in every type slot.
    m_smallImages = new wxImageList(16, 16, true, ImageSlotCount());
    m_largeImages = new wxImageList(32, 32, true, ImageSlotCount());
    wxBitmap small = DocumentIcon(16), large = DocumentIcon(32);
    for (int i = 0; i < ImageSlotCount(); ++i) {
        m_smallImages->Add(small);
        m_largeImages->Add(large);
    }
    m_list->AssignImageList(m_smallImages, wxIMAGE_LIST_SMALL);
    m_list->AssignImageList(m_largeImages, wxIMAGE_LIST_NORMAL);

    // The criteria sheet at (5, 2) pixels, sized to hold its largest page.
    m_sheet = new wxNotebook(this, IDC_CRITERIA_SHEET, wxPoint(5, 2));
    m_page1 = new Cpage1(m_sheet);
    m_page2 = new CPage2(m_sheet);
    m_page3 = new CPage3(m_sheet);
    m_page4 = new CPage4(m_sheet);
    m_sheet->AddPage(m_page1, U8("名前と場所"), true);
    m_sheet->AddPage(m_page2, U8("日付"));
    m_sheet->AddPage(m_page3, U8("ｻｲｽﾞ"));
    m_sheet->AddPage(m_page4, U8("種類"));
    wxSize page = m_page1->ConvertDialogToPixels(wxSize(215, 67));
    m_sheet->SetSize(wxRect(wxPoint(5, 2), m_sheet->CalcSizeFromPage(page)));
    m_sheet->Raise();
}

const ResultRecord* CPlotsieveView::RecordOfRow(long row) const {
    return reinterpret_cast<const ResultRecord*>(m_list->GetItemData(row));
}

// ---------------------------------------------------------------- UI thread

void CPlotsieveView::ShowKeywordHelp(wxWindow* parent) {
    ShowMessage(parent,
                U8("複数の条件を指定する場合（OR条件のみ）、文字を半角の\"|\"で区切ってください。\n"
                   "AND 条件の検索をする場合１つの条件で検索後、絞込検索してください。"),
                U8("ｷｰﾜｰﾄﾞの入力方法"));
}

bool CPlotsieveView::IsSearching() const { return m_session->IsRunning(); }

void CPlotsieveView::StartSearch() {
    // One search at a time: a start while one runs is refused with a message.
    if (m_session->IsRunning()) {
        ShowMessage(this, U8(StartRefusalMessage(StartResult::AlreadyRunning)));
        return;
    }
    // The keyword is taken from the field's value (an input method delivers
    // its text without key events) and must be expressible in CP932, the
    // encoding of the drawings' text.
    wxString keywordValue = m_page1->KeywordValue();
    std::optional<std::string> keyword = Utf8ToCp932(keywordValue.utf8_string());
    if (!keyword) {
        ShowMessage(this, UnencodableKeywordMessage(keywordValue));
        return;
    }
    {
        std::lock_guard lock(m_keywordMutex);
        m_keyword = std::move(*keyword);
    }
    m_narrowFlag = m_narrow->GetValue();
    SearchRequest request;
    request.place = m_page1->PlaceValue().utf8_string();
    request.typeMask = m_page4->TypeMask();
    request.narrow = m_narrowFlag;

    // Reports still queued from the last search are dropped from here on,
    // unless the start is refused.
    ++m_searchNumber;
    StartResult result = m_session->StartSearch(request);
    if (result == StartResult::Started) {
        ClearResults();
        return;
    }
    --m_searchNumber;
    ShowMessage(this, U8(StartRefusalMessage(result)));
    if (result == StartResult::NothingToNarrow) LeaveNarrowingMode();
}

void CPlotsieveView::StopSearch() { m_session->StopSearch(); }

void CPlotsieveView::StopAndWait() {
    m_session->StopSearch();
    m_session->Wait();
}

void CPlotsieveView::ClearResults() {
    m_list->DeleteAllItems();
    m_records.clear();
}

void CPlotsieveView::LeaveNarrowingMode() {
    m_narrow->SetValue(false);
    m_page1->SetNarrowingMode(false);
}

void CPlotsieveView::AppendRow(const ResultRecord& record, int slot) {
    auto owned = std::make_unique<ResultRecord>(record);
    InsertRow(*owned, slot);
    m_records.push_back(std::move(owned));
}

long CPlotsieveView::InsertRow(const ResultRecord& record, int slot) {
    ResultCells cells = FormatResultCells(record);
    long row = m_list->InsertItem(m_list->GetItemCount(), U8(cells.name), slot);
    // The other cells exist in the details view only; a change of view adds
    // the rows again.
    if (m_list->InReportView()) {
        m_list->SetItem(row, 1, U8(cells.type));
        m_list->SetItem(row, 2, U8(cells.folder));
        m_list->SetItem(row, 3, U8(cells.size));
        m_list->SetItem(row, 4, U8(cells.created));
        m_list->SetItem(row, 5, U8(cells.modified));
    }
    m_list->SetItemPtrData(row, reinterpret_cast<wxUIntPtr>(&record));
    return row;
}

void CPlotsieveView::ApplyTypeIcon(int slot, const std::string& path) {
    // Where the desktop has no icon for the type, the placeholder stays.
    wxBitmap small = DesktopTypeIcon(path, 16);
    if (small.IsOk()) m_smallImages->Replace(slot, small);
    wxBitmap large = DesktopTypeIcon(path, 32);
    if (large.IsOk()) m_largeImages->Replace(slot, large);
    if (small.IsOk() || large.IsOk()) m_list->Refresh();
}

void CPlotsieveView::OnStart(wxCommandEvent&) { StartSearch(); }
void CPlotsieveView::OnStop(wxCommandEvent&) { StopSearch(); }

void CPlotsieveView::OnNarrow(wxCommandEvent&) {
    m_narrowFlag = m_narrow->GetValue();
    m_page1->SetNarrowingMode(m_narrowFlag);
}

void CPlotsieveView::OnKeywordHelp(wxCommandEvent&) { ShowKeywordHelp(this); }

void CPlotsieveView::OnKeywordText(wxCommandEvent&) {
    // A change during a search reaches the worker if it has not read the
    // keyword yet; a value that CP932 cannot hold is refused at the next start.
    if (auto keyword = Utf8ToCp932(m_page1->KeywordValue().utf8_string())) {
        std::lock_guard lock(m_keywordMutex);
        m_keyword = std::move(*keyword);
    }
}

void CPlotsieveView::OnSheetPageChanging(wxBookCtrlEvent& event) {
    // Leaving the size page needs numbers in both its fields.
    if (m_sheet->GetPage(event.GetOldSelection()) != m_page3 || m_page3->CheckFields()) return;
    event.Veto();
    // GTK may carry out a change that the program made even when it was
    // refused: the sheet goes back to the size page then.
    CallAfter([this] {
        if (m_sheet->GetCurrentPage() != m_page3) {
            m_sheet->ChangeSelection(static_cast<size_t>(m_sheet->FindPage(m_page3)));
        }
        if (wxTextCtrl* field = m_page3->FirstInvalidField()) field->SetFocus();
    });
}

void CPlotsieveView::OnSearchStatus(wxThreadEvent& event) {
    if (static_cast<unsigned>(event.GetId()) != m_searchNumber) return;
    // The frame shows it in its status bar.
    if (wxWindow* frame = wxGetTopLevelParent(this)) frame->GetEventHandler()->ProcessEvent(event);
}

// ---------------------------------------------------------------- list actions

namespace {

struct ViewModeCommand {
    int id;
    long mode;
};
constexpr ViewModeCommand kViewModes[] = {
    {ID_VIEW_LARGE_ICONS, wxLC_ICON},
    {ID_VIEW_SMALL_ICONS, wxLC_SMALL_ICON},
    {ID_VIEW_LIST, wxLC_LIST},
    {ID_VIEW_DETAILS, wxLC_REPORT},
};

long ModeOfCommand(int id) {
    for (const ViewModeCommand& command : kViewModes) {
        if (command.id == id) return command.mode;
    }
    return wxLC_REPORT;
}

SortKey KeyOfCommand(int id) {
    switch (id) {
        case ID_SORT_BY_TYPE:
            return SortKey::Extension;
        case ID_SORT_BY_CREATED:
            return SortKey::CreationTime;
        case ID_SORT_BY_MODIFIED:
            return SortKey::ModificationTime;
        case ID_SORT_BY_SIZE:
            return SortKey::Size;
        default:
            return SortKey::FullPath;
    }
}

int wxCALLBACK CompareRows(wxIntPtr first, wxIntPtr second, wxIntPtr key) {
    return CompareResultRecords(*reinterpret_cast<const ResultRecord*>(first),
                                *reinterpret_cast<const ResultRecord*>(second),
                                static_cast<SortKey>(key));
}

}  // namespace

std::vector<std::string> CPlotsieveView::SelectedPaths() const {
    std::vector<std::string> paths;
    for (long row = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); row != -1;
         row = m_list->GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
        paths.push_back(RecordOfRow(row)->fullPath);
    }
    return paths;
}

void CPlotsieveView::OpenSelectedFiles() {
    for (const std::string& path : SelectedPaths()) OpenWithDesktop(path);
}

wxDataObject* CPlotsieveView::BuildFileListData() const {
    std::vector<std::string> paths = SelectedPaths();
    auto* data = new wxDataObjectComposite;
    // text/uri-list, which file managers take on a drop or a paste.
    auto* files = new wxFileDataObject;
    for (const std::string& path : paths) files->AddFile(U8(path));
    data->Add(files, true);
    // What GNOME-style file managers read when pasting copied files.
    auto* gnome = new wxCustomDataObject(wxDataFormat("x-special/gnome-copied-files"));
    std::string copied = BuildGnomeCopiedFiles(paths);
    gnome->SetData(copied.size(), copied.data());
    data->Add(gnome);
    // Plain paths, one a line, for text editors and terminals.
    wxString text;
    for (const std::string& path : paths) text += U8(path) + "\n";
    data->Add(new wxTextDataObject(text));
    return data;
}

void CPlotsieveView::CopySelectedFiles() {
    if (SelectedPaths().empty()) return;
    wxClipboardLocker clipboard;
    if (!clipboard) return;
    wxTheClipboard->SetData(BuildFileListData());
    wxTheClipboard->Flush();
}

void CPlotsieveView::SortRows(SortKey key) {
    m_list->SortItems(CompareRows, static_cast<wxIntPtr>(key));
}

void CPlotsieveView::SetViewMode(long mode) {
    if (ViewMode() == mode) return;
    // The toolkit's list lays out its rows for the mode they were added in,
    // so the rows are added again, in their order, with their selection.
    struct Row {
        const ResultRecord* record;
        int slot;
        bool selected;
    };
    std::vector<Row> rows;
    for (long row = 0; row < m_list->GetItemCount(); ++row) {
        wxListItem item;
        item.SetId(row);
        item.SetMask(wxLIST_MASK_IMAGE | wxLIST_MASK_STATE);
        item.SetStateMask(wxLIST_STATE_SELECTED);
        m_list->GetItem(item);
        rows.push_back(
            {RecordOfRow(row), item.GetImage(), (item.GetState() & wxLIST_STATE_SELECTED) != 0});
    }
    m_list->DeleteAllItems();
    m_list->SetSingleStyle(mode);
    for (const Row& row : rows) {
        long index = InsertRow(*row.record, row.slot);
        if (row.selected) m_list->SetItemState(index, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }
}

long CPlotsieveView::ViewMode() const {
    return m_list->GetWindowStyleFlag() & (wxLC_ICON | wxLC_SMALL_ICON | wxLC_LIST | wxLC_REPORT);
}

void CPlotsieveView::OnViewMode(wxCommandEvent& event) {
    SetViewMode(ModeOfCommand(event.GetId()));
}

void CPlotsieveView::OnViewModeUpdate(wxUpdateUIEvent& event) {
    event.Check(ViewMode() == ModeOfCommand(event.GetId()));
}

void CPlotsieveView::OnSort(wxCommandEvent& event) { SortRows(KeyOfCommand(event.GetId())); }
void CPlotsieveView::OnOpen(wxCommandEvent&) { OpenSelectedFiles(); }
void CPlotsieveView::OnCopy(wxCommandEvent&) { CopySelectedFiles(); }

void CPlotsieveView::OnSelectionCommandUpdate(wxUpdateUIEvent& event) {
    event.Enable(m_list->GetSelectedItemCount() > 0);
}

void CPlotsieveView::OnItemActivated(wxListEvent&) { OpenSelectedFiles(); }

void CPlotsieveView::OnBeginDrag(wxListEvent&) {
    std::unique_ptr<wxDataObject> data(BuildFileListData());
    wxDropSource source(*data, m_list);
    source.DoDragDrop(wxDrag_CopyOnly);
}

void CPlotsieveView::OnContextMenu(wxContextMenuEvent& event) {
    if (event.GetEventObject() != m_list &&
        !m_list->IsDescendant(static_cast<wxWindow*>(event.GetEventObject()))) {
        event.Skip();
        return;
    }
    wxMenu menu;
    menu.Append(ID_EDIT_COPY, U8("ｺﾋﾟｰ(&C)"));
    menu.Append(ID_OPEN_FILES, U8("ｱﾌﾟﾘｹｰｼｮﾝから開く(&O)"));
    wxPoint at = event.GetPosition();
    PopupMenu(&menu, at == wxDefaultPosition ? wxDefaultPosition : ScreenToClient(at));
}

// ---------------------------------------------------------------- worker thread

std::string CPlotsieveView::KeywordText() {
    std::lock_guard lock(m_keywordMutex);
    return m_keyword;
}

bool CPlotsieveView::IncludeSubfolders() { return m_page1->IncludeSubfolders(); }
DateCriterion CPlotsieveView::DateLimits() { return m_page2->DateLimits(); }
SizeCriterion CPlotsieveView::SizeLimits() { return m_page3->SizeLimits(); }

void CPlotsieveView::PostStatus(const SearchStatus& status) {
    auto* event = new wxThreadEvent(wxEVT_SEARCH_STATUS, static_cast<int>(m_searchNumber.load()));
    event->SetInt(status.code);
    event->SetExtraLong(static_cast<long>(status.count));
    event->SetString(U8(status.text));
    wxQueueEvent(this, event);
}

void CPlotsieveView::LoadTypeIcon(int slot, const std::string& path) {
    // Applied even after a newer search started: the slot keeps the icon.
    CallAfter([this, slot, path] { ApplyTypeIcon(slot, path); });
}

void CPlotsieveView::AddResultRow(ResultRecord record, int slot) {
    unsigned number = m_searchNumber;
    CallAfter([this, number, slot, record = std::move(record)] {
        if (number == m_searchNumber) AppendRow(record, slot);
    });
}

void CPlotsieveView::EndNarrowingMode() {
    unsigned number = m_searchNumber;
    CallAfter([this, number] {
        if (number == m_searchNumber) LeaveNarrowingMode();
    });
}

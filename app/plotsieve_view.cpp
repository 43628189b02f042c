#include "app/plotsieve_view.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/frame.h>
#include <wx/listctrl.h>
#include <wx/notebook.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <utility>

#include "app/criteria_pages.h"
#include "app/details_pane.h"
#include "app/dialog_units.h"
#include "app/ids.h"
#include "app/message_box.h"
#include "app/place_path.h"
#include "app/resources.h"
#include "app/result_list.h"
#include "platform/encoding.h"
#include "platform/file_status.h"
#include "platform/folder_listing.h"
#include "search/criteria.h"

wxDEFINE_EVENT(wxEVT_SEARCH_STATUS, wxCommandEvent);
wxDEFINE_EVENT(wxEVT_SEARCH_REPORTS, wxThreadEvent);

namespace {
wxString U8(const std::string& text) { return wxString::FromUTF8(text); }
wxString U8(const char* text) { return wxString::FromUTF8(text); }

// Rows added in one go: the list keeps them in a vector and shows those on
// screen, so a batch is a few milliseconds of work and clicks are answered
// between batches.
constexpr size_t kRowsPerBatch = 10000;
// The pause before the next batch when more rows wait.
constexpr int kBatchPauseMs = 5;

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
    EVT_NOTEBOOK_PAGE_CHANGED(IDC_CRITERIA_SHEET, CPlotsieveView::OnSheetPageChanged)
    EVT_SEARCH_REPORTS(CPlotsieveView::OnReports)
    EVT_LIST_ITEM_SELECTED(IDC_RESULT_LIST, CPlotsieveView::OnRowChosen)
    EVT_LIST_ITEM_DESELECTED(IDC_RESULT_LIST, CPlotsieveView::OnRowChosen)
    EVT_LIST_ITEM_FOCUSED(IDC_RESULT_LIST, CPlotsieveView::OnRowChosen)
    EVT_TIMER(wxID_ANY, CPlotsieveView::OnReportTimer)
wxEND_EVENT_TABLE()

CPlotsieveView::CPlotsieveView(wxWindow* parent)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxBORDER_NONE),
      m_reportTimer(this) {
    SetFont(FormFont());
    CreateControls();
    m_session = std::make_unique<SearchSession>(static_cast<SearchFrontEnd&>(*this));
    // A failure of the index is said in a message box; how fresh the index
    // is, in the status bar's second pane.
    m_indexSession = std::make_unique<IndexSearchSession>(
        static_cast<SearchFrontEnd&>(*this),
        [this](const DbError& error) {
            wxString text = U8("ｵﾌｨｽ索引で検索できません。\n") + U8(error.message);
            CallAfter([this, text] { ShowMessage(this, text); });
        },
        [this](std::optional<int64_t> freshAsOf) {
            wxString shown = freshAsOf ? U8("ｵﾌｨｽ索引: " + FormatTimeCell(*freshAsOf) + " 現在")
                                       : U8("ｵﾌｨｽ索引: 走査が未完了");
            CallAfter([this, shown] {
                if (auto* frame = wxDynamicCast(wxGetTopLevelParent(this), wxFrame)) {
                    frame->SetStatusText(shown, 1);
                }
            });
        });
}

CPlotsieveView::~CPlotsieveView() {
    // The worker reads the pages and reports to this window: it ends first.
    m_session.reset();
    m_indexSession.reset();
    m_reportTimer.Stop();
}

void CPlotsieveView::CreateControls() {
    // Creation order is the tab order: the buttons, the box, the list, then
    // the sheet.
    m_start = new wxButton(this, IDC_START, U8("検索開始"), wxDefaultPosition, wxDefaultSize,
                           wxBU_NOTEXT | wxBU_EXACTFIT);
    m_start->SetBitmap(StartButtonBitmap());
    m_start->SetMinSize(LeastSizeInDialogUnits(m_start, 50, 37));
    m_start->SetDefault();
    m_start->SetToolTip(U8("検索開始"));
    m_stop = new wxButton(this, IDC_STOP, U8("検索中止"));
    m_stop->SetMinSize(LeastSizeInDialogUnits(m_stop, 49, 18));
    m_narrow = new wxCheckBox(this, IDC_NARROW, U8("絞込検索"));
    m_narrow->SetMinSize(LeastSizeInDialogUnits(m_narrow, 41, 10));
    m_list = new CResultList(this, IDC_RESULT_LIST);
    m_list->SetMinSize(ConvertDialogToPixels(wxSize(287, 123)));
    m_details = new CDetailsPane(this);
    // At least 287 x 70 dialog units, and room for its picture and fields
    // (in Japanese at a text scale of 1 these were a pixel short).
    wxSize detailsLeast = ConvertDialogToPixels(wxSize(287, 70));
    detailsLeast.IncTo(m_details->GetBestSize());
    m_details->SetMinSize(detailsLeast);

    m_sheet = new wxNotebook(this, IDC_CRITERIA_SHEET);
    m_page1 = new Cpage1(m_sheet);
    m_page2 = new CPage2(m_sheet);
    m_page3 = new CPage3(m_sheet);
    m_page4 = new CPage4(m_sheet);
    m_sheet->AddPage(m_page1, U8("名前と場所"), true);
    m_sheet->AddPage(m_page2, U8("日付"));
    m_sheet->AddPage(m_page3, U8("ｻｲｽﾞ"));
    m_sheet->AddPage(m_page4, U8("種類"));

    // The sheet at the top left, (5, 2) pixels in; the buttons close by on
    // its right (the layout puts them 234 dialog units across, which is
    // where the sheet ends at the layout's font; its tabs and frame do not
    // grow with the text scale as dialog units do); the list under both,
    // taking whatever room the window has beyond its least size.
    const wxSize unit = ConvertDialogToPixels(wxSize(1, 1));
    auto* buttons = new wxBoxSizer(wxVERTICAL);
    buttons->AddSpacer(std::max(0, 19 * unit.y - 2));
    buttons->Add(m_start);
    buttons->AddSpacer(4 * unit.y);
    buttons->Add(m_stop, 0, wxLEFT, unit.x);
    buttons->AddSpacer(3 * unit.y);
    buttons->Add(m_narrow);
    auto* top = new wxBoxSizer(wxHORIZONTAL);
    top->Add(m_sheet, 0, wxLEFT | wxTOP, 2);
    top->AddSpacer(4 * unit.x);
    top->Add(buttons, 0, wxRIGHT, 6 * unit.x);
    auto* form = new wxBoxSizer(wxVERTICAL);
    form->Add(top, 0, wxLEFT, 3);
    form->AddSpacer(2 * unit.y);
    form->Add(m_list, 3, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 6 * unit.x);
    // The details pane under the list, which keeps most of the room.
    form->Add(m_details, 2, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 6 * unit.x);
    SetSizer(form);
    ArrangeControls();
    SetSize(GetMinSize());
}

void CPlotsieveView::ArrangeControls() {
    m_sheet->InvalidateBestSize();
    // At least the form's 300 x 222 dialog units.
    GetSizer()->SetMinSize(ConvertDialogToPixels(wxSize(300, 222)));
    SetMinSize(wxDefaultSize);
    SetMinSize(GetSizer()->GetMinSize());
    Layout();
}

void CPlotsieveView::FitToShownControls() {
    GrowToShownWidths(this);
    m_page2->FitPickers();
    for (size_t page = 0; page < m_sheet->GetPageCount(); ++page) {
        m_sheet->GetPage(page)->InvalidateBestSize();
        m_sheet->GetPage(page)->Layout();
    }
    ArrangeControls();
}

// ---------------------------------------------------------------- UI thread

void CPlotsieveView::ShowKeywordHelp(wxWindow* parent) {
    ShowMessage(parent,
                U8("複数の条件を指定する場合（OR条件のみ）、文字を半角の\"|\"で区切ってください。\n"
                   "AND 条件の検索をする場合１つの条件で検索後、絞込検索してください。"),
                U8("ｷｰﾜｰﾄﾞの入力方法"));
}

bool CPlotsieveView::IsSearching() const {
    return m_session->IsRunning() || m_indexSession->IsRunning();
}

void CPlotsieveView::StartSearch() {
    // One search at a time: a start while one runs is refused with a message.
    if (IsSearching()) {
        ShowMessage(this, U8(StartRefusalMessage(StartResult::AlreadyRunning)));
        return;
    }
    // The last search has ended; what it reported is shown before the next
    // one starts (its end may turn narrowing off).
    m_session->Wait();
    m_indexSession->Wait();
    ShowAllReports();

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
    const SearchRequest request{
        .place = m_page1->PlacePath(), .typeMask = m_page4->TypeMask(), .narrow = m_narrowFlag};

    // The session's refusals of the request itself (no place, no types) come
    // before the window's own faults, and nothing to narrow after them.
    StartResult result = m_session->CheckRequest(request);
    // A place the office index holds is searched through it; the index
    // session keeps the hits a narrowing search of it narrows.
    const bool throughIndex =
        request.narrow
            ? m_lastThroughIndex
            : result == StartResult::Started && m_officeIndex.Covers(AbsolutePath(request.place));
    if (throughIndex && result == StartResult::NothingToNarrow) result = StartResult::Started;
    if (result == StartResult::Started || result == StartResult::NothingToNarrow) {
        wxString fault = CriteriaFault(request);
        if (!fault.empty()) {
            ShowMessage(this, fault);
            return;
        }
    }

    if (throughIndex) {
        if (result == StartResult::Started) {
            m_reports.Clear();
            result = m_indexSession->StartSearch(m_officeIndex, request);
        }
    } else {
        m_session->UseTextCache(CacheSettings());
        if (result == StartResult::Started) {
            m_reports.Clear();
            result = m_session->StartSearch(request);
        }
    }
    if (result == StartResult::Started) {
        m_lastThroughIndex = throughIndex;
        m_endShown = false;
        m_list->Clear();
        // The pane marks the pieces of this search and of those it narrows.
        KeywordList pieces = PrepareKeywords(KeywordText());
        if (!request.narrow) m_searches.clear();
        m_searches.push_back(std::move(pieces));
        UpdateDetails();
        m_page1->RememberSearch();
        return;
    }
    ShowMessage(this, U8(StartRefusalMessage(result)));
    if (result == StartResult::NothingToNarrow) LeaveNarrowingMode();
}

wxString CPlotsieveView::CriteriaFault(const SearchRequest& request) {
    if (std::optional<CPage3::Fault> fault = m_page3->StartFault()) {
        m_sheet->ChangeSelection(static_cast<size_t>(m_sheet->FindPage(m_page3)));
        fault->field->SetFocus();
        return fault->message;
    }
    if (!request.narrow && request.place != kAllDrivesPlace && !ReadFileStatus(request.place)) {
        return wxString::Format(U8("検索場所「%s」が見つかりません。"), ShownPath(request.place));
    }
    return {};
}

std::optional<TextCacheSettings> CPlotsieveView::CacheSettings() const {
    if (!m_useCache) return std::nullopt;
    if (!m_sharedCache.empty()) return TextCacheSettings{.path = m_sharedCache, .neverWrite = true};
    std::string path = DefaultTextCachePath();
    if (path.empty()) return std::nullopt;
    return TextCacheSettings{path};
}

void CPlotsieveView::SetUseCache(bool use) { m_useCache = use; }

bool CPlotsieveView::ClearCache() {
    if (m_session->IsRunning()) return false;
    m_session->Wait();
    // The session's own connection is closed first, then the file emptied.
    m_session->UseTextCache(std::nullopt);
    std::string path = DefaultTextCachePath();
    if (path.empty() || !ReadFileStatus(path)) return true;  // nothing kept
    return TextCache::Clear(path);
}

void CPlotsieveView::StopSearch() {
    m_session->StopSearch();
    m_indexSession->StopSearch();
}

void CPlotsieveView::StopAndWait() {
    StopSearch();
    m_session->Wait();
    m_indexSession->Wait();
}

void CPlotsieveView::LeaveNarrowingMode() {
    m_narrow->SetValue(false);
    m_page1->SetNarrowingMode(false);
}

void CPlotsieveView::OnReports(wxThreadEvent&) {
    // The end of a search is shown at once; anything else at most every
    // kReportInterval.
    auto since = std::chrono::steady_clock::now() - m_lastReport;
    if (m_reports.EndPending() || since >= kReportInterval) {
        ShowReports();
    } else if (!m_reportTimer.IsRunning()) {
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(kReportInterval - since);
        m_reportTimer.StartOnce(std::max(1, static_cast<int>(wait.count())));
    }
}

void CPlotsieveView::OnReportTimer(wxTimerEvent&) { ShowReports(); }

void CPlotsieveView::ShowReports() {
    m_reportTimer.Stop();
    m_lastReport = std::chrono::steady_clock::now();
    ReportBatch batch = m_reports.Take(kRowsPerBatch);
    m_list->AppendRows(batch.rows);
    for (const PendingIcon& icon : batch.icons) m_list->ApplyTypeIcon(icon.slot, icon.path);
    if (batch.status) ShowStatus(*batch.status, batch.hitsAtStatus);
    if (batch.endNarrowing) LeaveNarrowingMode();
    if (batch.ended) m_endShown = true;
    // More rows wait: a short pause lets the toolkit's input in first.
    if (batch.more) m_reportTimer.StartOnce(kBatchPauseMs);
}

void CPlotsieveView::ShowAllReports() {
    do {
        ShowReports();
    } while (m_reportTimer.IsRunning());
}

void CPlotsieveView::ShowStatus(const SearchStatus& status, int64_t hitsSoFar) {
    // The frame shows it in its status bar, with the hits so far.
    wxCommandEvent event(wxEVT_SEARCH_STATUS);
    event.SetString(U8(StatusBarText(status, hitsSoFar)));
    event.SetInt(status.code);
    event.SetExtraLong(static_cast<long>(std::min<int64_t>(status.count, LONG_MAX)));
    if (wxWindow* frame = wxGetTopLevelParent(this)) frame->GetEventHandler()->ProcessEvent(event);
}

void CPlotsieveView::ShowDetailsPane(bool show) {
    if (show == IsDetailsPaneShown()) return;
    m_details->Show(show);
    ArrangeControls();
    if (wxWindow* frame = wxGetTopLevelParent(this)) frame->Layout();
    if (show) UpdateDetails();
}

bool CPlotsieveView::IsDetailsPaneShown() const { return m_details->IsShown(); }

void CPlotsieveView::OnRowChosen(wxListEvent& event) {
    event.Skip();
    // A click changes the selection and the focus in several events: the
    // pane follows once they are all in.
    if (m_detailsDue) return;
    m_detailsDue = true;
    CallAfter([this] {
        m_detailsDue = false;
        UpdateDetails();
    });
}

void CPlotsieveView::UpdateDetails() {
    if (!IsDetailsPaneShown()) return;
    // The focused row when it is selected, else the first selected one.
    long row = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED);
    if (row < 0 || m_list->GetItemState(row, wxLIST_STATE_SELECTED) == 0) {
        row = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    }
    const ResultRecord* record = row >= 0 ? m_list->RecordOfRow(row) : nullptr;
    if (record != nullptr && record->fullPath == m_details->ShownPath()) return;
    m_details->ShowDrawing(record != nullptr ? std::optional<ResultRecord>(*record) : std::nullopt,
                           m_searches);
}

bool CPlotsieveView::ExportList(const std::string& path, CsvEncoding encoding) {
    const std::string csv = BuildResultCsv(m_list->AllRecords(), encoding);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    bool written = file != nullptr && std::fwrite(csv.data(), 1, csv.size(), file) == csv.size();
    int error = errno;
    if (file != nullptr && std::fclose(file) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) {
        ShowMessage(this, wxString::Format(U8("一覧を「%s」に保存できませんでした。\n%s"),
                                           ShownPath(path), U8(std::strerror(error))));
    }
    return written;
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

void CPlotsieveView::OnSheetPageChanged(wxBookCtrlEvent& event) {
    event.Skip();
    // A page switched from the keyboard (Ctrl+PageDown and the like) leaves
    // the focus on a control of the page now hidden: it moves to the page
    // shown, as it would in a dialog.
    const int old = event.GetOldSelection();
    const int shown = event.GetSelection();
    if (old == wxNOT_FOUND || shown == wxNOT_FOUND) return;
    wxWindow* oldPage = m_sheet->GetPage(static_cast<size_t>(old));
    wxWindow* focus = FindFocus();
    if (focus != nullptr && (focus == oldPage || oldPage->IsDescendant(focus))) {
        m_sheet->GetPage(static_cast<size_t>(shown))->SetFocus();
    }
}

// ---------------------------------------------------------------- worker thread

std::string CPlotsieveView::KeywordText() {
    std::lock_guard lock(m_keywordMutex);
    return m_keyword;
}

bool CPlotsieveView::IncludeSubfolders() { return m_page1->IncludeSubfolders(); }
DateCriterion CPlotsieveView::DateLimits() { return m_page2->DateLimits(); }
SizeCriterion CPlotsieveView::SizeLimits() { return m_page3->SizeLimits(); }

void CPlotsieveView::WakeWindow() { wxQueueEvent(this, new wxThreadEvent(wxEVT_SEARCH_REPORTS)); }

void CPlotsieveView::PostStatus(const SearchStatus& status) {
    if (m_reports.AddStatus(status)) WakeWindow();
}

void CPlotsieveView::LoadTypeIcon(int slot, const std::string& path) {
    if (m_reports.AddIcon(slot, path)) WakeWindow();
}

void CPlotsieveView::AddResultRow(ResultRecord record, int slot) {
    if (m_reports.AddRow(std::move(record), slot)) WakeWindow();
}

void CPlotsieveView::EndNarrowingMode() {
    if (m_reports.AddEndNarrowing()) WakeWindow();
}

void CPlotsieveView::ReportNotice(const std::string& text) {
    // Said once, in the status bar's second pane, while the search goes on.
    wxString shown = U8("ｷｬｯｼｭ: " + text);
    CallAfter([this, shown] {
        if (auto* frame = wxDynamicCast(wxGetTopLevelParent(this), wxFrame)) {
            frame->SetStatusText(shown, 1);
        }
    });
}

void CPlotsieveView::SearchEnded() {
    if (m_reports.AddEnd()) WakeWindow();
}

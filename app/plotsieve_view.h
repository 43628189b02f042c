#pragma once

#include <wx/panel.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "results/sort.h"
#include "search/front_end.h"
#include "search/search_session.h"

class Cpage1;
class CPage2;
class CPage3;
class CPage4;
class wxBookCtrlEvent;
class wxButton;
class wxCheckBox;
class wxContextMenuEvent;
class wxDataObject;
class wxImageList;
class wxListCtrl;
class wxListEvent;
class wxUpdateUIEvent;
class wxNotebook;
class wxThreadEvent;

// The worker's status report on its way to the main frame: the code in
// GetInt(), the value in GetExtraLong(), the text (UTF-8 copy) in GetString().
wxDECLARE_EVENT(wxEVT_SEARCH_STATUS, wxThreadEvent);

// The search form: the criteria sheet, the start and stop buttons, the
// narrowing box and the result list. It is the search's front end: the
// worker's reads are answered from values the handlers keep up to date, and
// its reports are queued to this window, so they are carried out on the UI
// thread in the order the worker made them.
class CPlotsieveView : public wxPanel, private SearchFrontEnd {
  public:
    explicit CPlotsieveView(wxWindow* parent);
    ~CPlotsieveView() override;

    // The handlers of the start and stop buttons.
    void StartSearch();
    void StopSearch();
    // Stops a running search and waits until its worker has ended.
    void StopAndWait();
    bool IsSearching() const;

    static void ShowKeywordHelp(wxWindow* parent);

    // The list's actions. Each works on the selected rows, from the top of
    // the list down, and reads the paths from the rows' records.
    std::vector<std::string> SelectedPaths() const;
    void OpenSelectedFiles();
    void CopySelectedFiles();
    // The copy and drag data: URI list, GNOME copied files and plain paths.
    wxDataObject* BuildFileListData() const;
    // Sorts the rows once, ascending.
    void SortRows(SortKey key);
    // wxLC_ICON, wxLC_SMALL_ICON, wxLC_LIST or wxLC_REPORT.
    void SetViewMode(long mode);
    long ViewMode() const;

    Cpage1* NamePage() const { return m_page1; }
    CPage2* DatePage() const { return m_page2; }
    CPage3* SizePage() const { return m_page3; }
    CPage4* TypePage() const { return m_page4; }
    wxNotebook* CriteriaSheet() const { return m_sheet; }
    wxButton* StartButton() const { return m_start; }
    wxButton* StopButton() const { return m_stop; }
    wxCheckBox* NarrowBox() const { return m_narrow; }
    wxListCtrl* ResultList() const { return m_list; }
    wxImageList* SmallImages() const { return m_smallImages; }
    wxImageList* LargeImages() const { return m_largeImages; }
    // The record a row owns.
    const ResultRecord* RecordOfRow(long row) const;

  private:
    // SearchFrontEnd, called on the worker thread.
    std::string KeywordText() override;
    bool IncludeSubfolders() override;
    DateCriterion DateLimits() override;
    SizeCriterion SizeLimits() override;
    void PostStatus(const SearchStatus& status) override;
    void LoadTypeIcon(int slot, const std::string& path) override;
    void AddResultRow(ResultRecord record, int slot) override;
    void EndNarrowingMode() override;

    // Their halves on the UI thread.
    void AppendRow(const ResultRecord& record, int slot);
    // A row for a record that m_records owns, at the end of the list.
    long InsertRow(const ResultRecord& record, int slot);
    void ApplyTypeIcon(int slot, const std::string& path);
    void LeaveNarrowingMode();
    void ClearResults();

    void CreateControls();
    void OnStart(wxCommandEvent& event);
    void OnStop(wxCommandEvent& event);
    void OnNarrow(wxCommandEvent& event);
    void OnKeywordHelp(wxCommandEvent& event);
    void OnKeywordText(wxCommandEvent& event);
    void OnSheetPageChanging(wxBookCtrlEvent& event);
    void OnSearchStatus(wxThreadEvent& event);
    void OnViewMode(wxCommandEvent& event);
    void OnViewModeUpdate(wxUpdateUIEvent& event);
    void OnSort(wxCommandEvent& event);
    void OnOpen(wxCommandEvent& event);
    void OnCopy(wxCommandEvent& event);
    void OnSelectionCommandUpdate(wxUpdateUIEvent& event);
    void OnItemActivated(wxListEvent& event);
    void OnBeginDrag(wxListEvent& event);
    void OnContextMenu(wxContextMenuEvent& event);

    Cpage1* m_page1 = nullptr;
    CPage2* m_page2 = nullptr;
    CPage3* m_page3 = nullptr;
    CPage4* m_page4 = nullptr;
    wxNotebook* m_sheet = nullptr;
    wxButton* m_start = nullptr;
    wxButton* m_stop = nullptr;
    wxCheckBox* m_narrow = nullptr;
    wxListCtrl* m_list = nullptr;
    wxImageList* m_smallImages = nullptr;  // owned by the list
    wxImageList* m_largeImages = nullptr;  // owned by the list

    bool m_narrowFlag = false;
    std::vector<std::unique_ptr<ResultRecord>> m_records;  // one per row
    // Reports carry the number of the search that made them; a report of an
    // earlier search that is still queued when the next one starts is dropped.
    std::atomic<unsigned> m_searchNumber{0};
    std::mutex m_keywordMutex;
    std::string m_keyword;  // CP932, the keyword field's last value that CP932 holds
    std::unique_ptr<SearchSession> m_session;

    wxDECLARE_EVENT_TABLE();
};

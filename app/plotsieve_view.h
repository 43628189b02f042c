#pragma once

#include <wx/panel.h>
#include <wx/timer.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>

#include "app/result_csv.h"
#include "app/search_reports.h"
#include "index/index_search_session.h"
#include "match/keywords.h"
#include "search/front_end.h"
#include "search/search_session.h"

class CDetailsPane;
class CResultList;
class wxListEvent;
class Cpage1;
class CPage2;
class CPage3;
class CPage4;
class wxBookCtrlEvent;
class wxButton;
class wxCheckBox;
class wxNotebook;
class wxThreadEvent;

// A status text of the search on its way to the main frame's status bar: the
// text in GetString(), the status code in GetInt(), the count in
// GetExtraLong().
wxDECLARE_EVENT(wxEVT_SEARCH_STATUS, wxCommandEvent);
#define EVT_SEARCH_STATUS(func) wx__DECLARE_EVT0(wxEVT_SEARCH_STATUS, wxCommandEventHandler(func))

// The worker has reported something the window has not shown yet.
wxDECLARE_EVENT(wxEVT_SEARCH_REPORTS, wxThreadEvent);
#define EVT_SEARCH_REPORTS(func) wx__DECLARE_EVT0(wxEVT_SEARCH_REPORTS, wxThreadEventHandler(func))

// The search form: the criteria sheet, the start and stop buttons, the
// narrowing box and the result list. It is the search's front end: the
// worker's reads are answered from values the handlers keep up to date, and
// its reports gather in a queue that the window empties at its own pace: the
// latest status text at most every kReportInterval, rows in batches, the end
// of a search at once. So the window answers clicks at any moment of a
// search, however fast the worker reports.
class CPlotsieveView : public wxPanel, private SearchFrontEnd {
  public:
    static constexpr std::chrono::milliseconds kReportInterval{40};

    explicit CPlotsieveView(wxWindow* parent);
    ~CPlotsieveView() override;

    // The handlers of the start and stop buttons.
    void StartSearch();
    void StopSearch();
    // Stops a running search and waits until its worker has ended.
    void StopAndWait();
    bool IsSearching() const;
    // No search runs and everything the last one reported is shown.
    bool IsIdle() const { return !IsSearching() && m_endShown; }

    static void ShowKeywordHelp(wxWindow* parent);

    // Whether searches keep and reuse extracted text in the user's text cache
    // (from the next start on).
    void SetUseCache(bool use);
    // A cache file others write (index --cache FILE), read and never written
    // in place of the user's own; empty: the user's own.
    void SetSharedCache(std::string path) { m_sharedCache = std::move(path); }
    const std::string& SharedCache() const { return m_sharedCache; }
    bool UsesCache() const { return m_useCache; }
    // Empties the user's text cache; false when it cannot be done (a search
    // runs, or the file cannot be opened).
    bool ClearCache();

    // The office index: a place at or below a mapped root is searched
    // through it (from the next start on), and a narrowing search goes where
    // the search it narrows went.
    void SetOfficeIndex(OfficeIndexSettings settings) { m_officeIndex = std::move(settings); }
    const OfficeIndexSettings& OfficeIndex() const { return m_officeIndex; }

    // Lays the form out again with the sizes its controls have on screen;
    // called once the window is shown (the form's least size may grow).
    void FitToShownControls();

    // The details pane under the list: shown or not.
    void ShowDetailsPane(bool show);
    bool IsDetailsPaneShown() const;
    // Shows the chosen row's drawing in the pane now (it follows the list's
    // selection by itself, a moment after it changes).
    void UpdateDetails();
    // The keyword pieces of the search whose hits the list shows, and of the
    // narrowing searches before it, oldest first.
    const std::vector<KeywordList>& Searches() const { return m_searches; }

    // Writes the list's rows, in their order, as a CSV file; false after a
    // message naming the reason when it cannot be written.
    bool ExportList(const std::string& path, CsvEncoding encoding);

    Cpage1* NamePage() const { return m_page1; }
    CPage2* DatePage() const { return m_page2; }
    CPage3* SizePage() const { return m_page3; }
    CPage4* TypePage() const { return m_page4; }
    wxNotebook* CriteriaSheet() const { return m_sheet; }
    wxButton* StartButton() const { return m_start; }
    wxButton* StopButton() const { return m_stop; }
    wxCheckBox* NarrowBox() const { return m_narrow; }
    CResultList* ResultList() const { return m_list; }
    CDetailsPane* DetailsPane() const { return m_details; }

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
    void SearchEnded() override;
    void ReportNotice(const std::string& text) override;
    void WakeWindow();
    std::optional<TextCacheSettings> CacheSettings() const;

    // Their halves on the UI thread.
    void ShowReports();
    void ShowAllReports();
    void ShowStatus(const SearchStatus& status, int64_t hitsSoFar);
    void LeaveNarrowingMode();
    // The message that refuses a start for criteria the search cannot use, or
    // an empty text; the field at fault gets the focus.
    wxString CriteriaFault(const SearchRequest& request);

    void CreateControls();
    void ArrangeControls();
    void OnStart(wxCommandEvent& event);
    void OnStop(wxCommandEvent& event);
    void OnNarrow(wxCommandEvent& event);
    void OnKeywordHelp(wxCommandEvent& event);
    void OnKeywordText(wxCommandEvent& event);
    void OnSheetPageChanging(wxBookCtrlEvent& event);
    void OnSheetPageChanged(wxBookCtrlEvent& event);
    void OnReports(wxThreadEvent& event);
    void OnRowChosen(wxListEvent& event);
    void OnReportTimer(wxTimerEvent& event);

    Cpage1* m_page1 = nullptr;
    CPage2* m_page2 = nullptr;
    CPage3* m_page3 = nullptr;
    CPage4* m_page4 = nullptr;
    wxNotebook* m_sheet = nullptr;
    wxButton* m_start = nullptr;
    wxButton* m_stop = nullptr;
    wxCheckBox* m_narrow = nullptr;
    CResultList* m_list = nullptr;
    CDetailsPane* m_details = nullptr;
    bool m_detailsDue = false;  // an update of the pane is on its way
    std::vector<KeywordList> m_searches;

    bool m_narrowFlag = false;
    bool m_endShown = true;  // the end of the last search is shown
    SearchReports m_reports;
    wxTimer m_reportTimer;
    std::chrono::steady_clock::time_point m_lastReport;
    std::mutex m_keywordMutex;
    std::string m_keyword;  // CP932, the keyword field's last value that CP932 holds
    std::unique_ptr<SearchSession> m_session;
    bool m_useCache = true;
    std::string m_sharedCache;
    OfficeIndexSettings m_officeIndex;
    std::unique_ptr<IndexSearchSession> m_indexSession;
    bool m_lastThroughIndex = false;  // the last search started went through the index

    wxDECLARE_EVENT_TABLE();
};

#pragma once

#include <wx/frame.h>

#include "app/office_index_dialog.h"

class CPlotsieveView;

// The main window: the search form it holds, which takes the room the window
// has beyond the form's least size; a status bar of two panes whose first
// shows the search's progress; the menu bar and its keys. Its size and
// the result list's column widths are kept between runs.
class CMainFrame : public wxFrame {
  public:
    // `place` fills the place field (empty: left empty).
    explicit CMainFrame(const wxString& place = wxString());

    CPlotsieveView* View() const { return m_view; }

    static wxString IdleText();

    // The first show lays the form out with its controls' sizes on screen.
    bool Show(bool show = true) override;

    // The office index as the dialog keeps it: handed to the form, and kept
    // between runs.
    void SetOfficeIndex(const OfficeIndexChoice& choice);
    // The shared cache file (trimmed; empty: the user's own cache); false,
    // with a message, when a file is named that is not there.
    bool SetSharedCache(wxString path);
    const OfficeIndexChoice& OfficeIndex() const { return m_officeIndex; }

  private:
    void CreateMenus();
    void CreateStatusPanes();
    void RestoreSettings();
    // The window's size: the one kept from the last run, or wide enough for
    // the list's columns; never below the form's least size.
    void ApplySize();
    void SaveSettings() const;
    void DoGiveHelp(const wxString& text, bool show) override;

    void OnSearchStatus(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnExit(wxCommandEvent& event);
    void OnEditCommand(wxCommandEvent& event);
    void OnViewCommand(wxCommandEvent& event);
    void OnViewCommandUpdate(wxUpdateUIEvent& event);
    void OnAbout(wxCommandEvent& event);
    void OnHelp(wxCommandEvent& event);
    void OnCopyUpdate(wxUpdateUIEvent& event);
    void OnUseCache(wxCommandEvent& event);
    void OnClearCache(wxCommandEvent& event);
    void OnCacheUpdate(wxUpdateUIEvent& event);
    void OnOfficeIndex(wxCommandEvent& event);
    void OnSharedCache(wxCommandEvent& event);
    void OnOfficeIndexUpdate(wxUpdateUIEvent& event);
    void OnDetailsPane(wxCommandEvent& event);
    void OnDetailsPaneUpdate(wxUpdateUIEvent& event);
    void OnExportList(wxCommandEvent& event);
    void OnExportListUpdate(wxUpdateUIEvent& event);

    CPlotsieveView* m_view = nullptr;
    // The search's last text in the status bar, which comes back when a menu
    // closes; empty: the idle text.
    wxString m_searchText;
    bool m_fittedOnScreen = false;
    wxSize m_keptSize = wxDefaultSize;
    OfficeIndexChoice m_officeIndex;  // as the dialog last kept it

    wxDECLARE_EVENT_TABLE();
};

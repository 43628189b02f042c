#pragma once

#include <wx/frame.h>

class CPlotsieveView;
class wxThreadEvent;

// The main window: fixed size, taken from the search form it holds; a status
// bar of two panes whose first shows the search's progress; menu bar and
// accelerators 128.
class CMainFrame : public wxFrame {
  public:
    // `place` fills the place field (empty: left empty).
    explicit CMainFrame(const wxString& place = wxString());

    CPlotsieveView* View() const { return m_view; }
    // The folder the program was started in.
    const wxString& StartupDirectory() const { return m_startupDirectory; }

    static wxString IdleText();
    // The help page: help/help1.htm under the start-up folder.
    wxString HelpPagePath() const;

  private:
    void CreateMenus();
    void DoGiveHelp(const wxString& text, bool show) override;

    void OnSearchStatus(wxThreadEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnExit(wxCommandEvent& event);
    void OnEditCommand(wxCommandEvent& event);
    void OnViewCommand(wxCommandEvent& event);
    void OnViewCommandUpdate(wxUpdateUIEvent& event);
    void OnAbout(wxCommandEvent& event);
    void OnHelp(wxCommandEvent& event);
    void OnCopyUpdate(wxUpdateUIEvent& event);

    CPlotsieveView* m_view = nullptr;
    wxString m_startupDirectory;

    wxDECLARE_EVENT_TABLE();
};

#pragma once

#include <wx/dialog.h>

#include <optional>

class wxGenericDirCtrl;

// The place chooser behind "選択": a tree of folders and files from the file
// system's root, and the choice "全てのドライブ" (every mounted file system).
class CPlaceChooser : public wxDialog {
  public:
    CPlaceChooser(wxWindow* parent, const wxString& start);

    // What the user chose: a folder or file path, or "全てのドライブ".
    wxString Choice() const;
    void ChooseAllDrives();
    void ChoosePath(const wxString& path);
    wxGenericDirCtrl* Tree() const { return m_tree; }

  private:
    void OnAllDrives(wxCommandEvent& event);

    wxGenericDirCtrl* m_tree;
    bool m_allDrives = false;
};

// Shows the chooser; nothing when the user cancels.
std::optional<wxString> BrowseForPlace(wxWindow* parent, const wxString& start);

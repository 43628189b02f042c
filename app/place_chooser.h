#pragma once

#include <wx/dialog.h>

#include <optional>
#include <string>

class wxTreeCtrl;
class wxTreeEvent;
class wxTreeItemId;

// The place chooser behind "選択": a tree of the folders and files from the
// file system's root, read as their bytes (a name that is not UTF-8, such as
// Shift_JIS from Windows, shows decoded and is chosen as the folder holds
// it), and the choice "全てのドライブ" (every mounted file system).
class CPlaceChooser : public wxDialog {
  public:
    // `start`: the path (native bytes) shown chosen at first, where it exists.
    CPlaceChooser(wxWindow* parent, const std::string& start);

    // What the user chose: a folder or file path (native bytes), or
    // "全てのドライブ"; empty when nothing is chosen.
    std::string Choice() const;
    void ChooseAllDrives();
    // Opens the tree down to `path` (native bytes) and chooses it; false, and
    // the deepest folder on the way chosen, when it is not there.
    bool ChoosePath(const std::string& path);
    wxTreeCtrl* Tree() const { return m_tree; }

  private:
    void OnAllDrives(wxCommandEvent& event);
    void OnExpanding(wxTreeEvent& event);
    void OnActivated(wxTreeEvent& event);
    // Lists the folder of `item` under it, once.
    void FillFolder(const wxTreeItemId& item);
    std::string PathOf(const wxTreeItemId& item) const;

    wxTreeCtrl* m_tree;
    bool m_allDrives = false;
};

// Shows the chooser; nothing when the user cancels.
std::optional<std::string> BrowseForPlace(wxWindow* parent, const std::string& start);

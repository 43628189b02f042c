#include "app/place_chooser.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/imaglist.h>
#include <wx/sizer.h>
#include <wx/treectrl.h>

#include <utility>

#include "app/place_path.h"
#include "app/resources.h"
#include "platform/folder_listing.h"
#include "search/criteria.h"

namespace {

// What an item of the tree stands for.
class PlaceItem : public wxTreeItemData {
  public:
    PlaceItem(std::string path, bool folder) : path(std::move(path)), isFolder(folder) {}
    std::string path;  // native bytes
    bool isFolder;
    bool filled = false;  // its entries are listed under it
};

enum PlaceIcon { kFolderIcon, kFileIcon };

// The last component of a native path as the tree shows it.
wxString LabelOf(const std::string& name) { return ShownPath(name); }

}  // namespace

CPlaceChooser::CPlaceChooser(wxWindow* parent, const std::string& start)
    : wxDialog(parent, wxID_ANY, wxString::FromUTF8("ディレクトリの選択"), wxDefaultPosition,
               wxDefaultSize, wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER) {
    SetFont(FormFont());
    // Files are shown too: a single drawing can be chosen as the place.
    m_tree = new wxTreeCtrl(this, wxID_ANY, wxDefaultPosition, wxSize(360, 320),
                            wxTR_DEFAULT_STYLE | wxTR_SINGLE);
    const wxSize iconSize(16, 16);
    auto* icons = new wxImageList(iconSize.x, iconSize.y, true, 2);
    icons->Add(wxArtProvider::GetBitmap(wxART_FOLDER, wxART_LIST, iconSize));
    icons->Add(wxArtProvider::GetBitmap(wxART_NORMAL_FILE, wxART_LIST, iconSize));
    m_tree->AssignImageList(icons);
    wxTreeItemId root = m_tree->AddRoot("/", kFolderIcon, -1, new PlaceItem("/", true));
    m_tree->SetItemHasChildren(root, true);
    m_tree->Bind(wxEVT_TREE_ITEM_EXPANDING, &CPlaceChooser::OnExpanding, this);
    m_tree->Bind(wxEVT_TREE_ITEM_ACTIVATED, &CPlaceChooser::OnActivated, this);
    auto* allDrives = new wxButton(this, wxID_ANY, wxString::FromUTF8(kAllDrivesPlace));
    allDrives->Bind(wxEVT_BUTTON, &CPlaceChooser::OnAllDrives, this);

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(allDrives, 0, wxALL | wxALIGN_LEFT, 6);
    sizer->Add(m_tree, 1, wxLEFT | wxRIGHT | wxEXPAND, 6);
    sizer->Add(CreateButtonSizer(wxOK | wxCANCEL), 0, wxALL | wxEXPAND, 6);
    SetSizerAndFit(sizer);
    FillFolder(root);
    m_tree->Expand(root);
    if (!start.empty() && start != kAllDrivesPlace) ChoosePath(AbsolutePath(start));
}

std::string CPlaceChooser::PathOf(const wxTreeItemId& item) const {
    auto* data = item.IsOk() ? static_cast<PlaceItem*>(m_tree->GetItemData(item)) : nullptr;
    return data != nullptr ? data->path : std::string();
}

void CPlaceChooser::FillFolder(const wxTreeItemId& item) {
    auto* data = static_cast<PlaceItem*>(m_tree->GetItemData(item));
    if (data == nullptr || !data->isFolder || data->filled) return;
    data->filled = true;
    ReadResult<FolderListing> listing = ListFolder(data->path);
    if (!listing) {
        m_tree->SetItemHasChildren(item, false);
        return;
    }
    const std::string prefix = data->path.ends_with('/') ? data->path : data->path + "/";
    // Folders first, then files; hidden entries (a leading dot) are left out.
    for (bool folders : {true, false}) {
        for (const FolderEntry& entry : listing->entries) {
            if (entry.isFolder != folders || entry.name.starts_with('.')) continue;
            wxTreeItemId child =
                m_tree->AppendItem(item, LabelOf(entry.name), folders ? kFolderIcon : kFileIcon, -1,
                                   new PlaceItem(prefix + entry.name, folders));
            if (folders) m_tree->SetItemHasChildren(child, true);
        }
    }
    if (m_tree->GetChildrenCount(item, false) == 0) m_tree->SetItemHasChildren(item, false);
}

bool CPlaceChooser::ChoosePath(const std::string& path) {
    m_allDrives = false;
    wxTreeItemId item = m_tree->GetRootItem();
    size_t start = 0;
    bool found = true;
    while (start < path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        if (slash > start) {
            FillFolder(item);
            const std::string wanted = path.substr(0, slash);
            wxTreeItemIdValue cookie;
            wxTreeItemId next;
            for (wxTreeItemId child = m_tree->GetFirstChild(item, cookie); child.IsOk();
                 child = m_tree->GetNextChild(item, cookie)) {
                if (PathOf(child) == wanted) next = child;
            }
            if (!next.IsOk()) {
                found = false;
                break;
            }
            m_tree->Expand(item);
            item = next;
        }
        start = slash + 1;
    }
    m_tree->SelectItem(item);
    m_tree->EnsureVisible(item);
    return found;
}

std::string CPlaceChooser::Choice() const {
    if (m_allDrives) return kAllDrivesPlace;
    return PathOf(m_tree->GetSelection());
}

void CPlaceChooser::ChooseAllDrives() { m_allDrives = true; }

void CPlaceChooser::OnAllDrives(wxCommandEvent&) {
    ChooseAllDrives();
    EndModal(wxID_OK);
}

void CPlaceChooser::OnExpanding(wxTreeEvent& event) { FillFolder(event.GetItem()); }

void CPlaceChooser::OnActivated(wxTreeEvent& event) {
    // A double click on a file chooses it; on a folder it opens or closes it.
    auto* data = static_cast<PlaceItem*>(m_tree->GetItemData(event.GetItem()));
    if (data != nullptr && !data->isFolder) {
        EndModal(wxID_OK);
        return;
    }
    event.Skip();
}

std::optional<std::string> BrowseForPlace(wxWindow* parent, const std::string& start) {
    CPlaceChooser chooser(parent, start);
    if (chooser.ShowModal() != wxID_OK) return std::nullopt;
    std::string choice = chooser.Choice();
    if (choice.empty()) return std::nullopt;
    return choice;
}

#include "app/place_chooser.h"

#include <wx/button.h>
#include <wx/dirctrl.h>
#include <wx/sizer.h>

#include "app/resources.h"
#include "search/criteria.h"

CPlaceChooser::CPlaceChooser(wxWindow* parent, const wxString& start)
    : wxDialog(parent, wxID_ANY, wxString::FromUTF8("ディレクトリの選択"), wxDefaultPosition,
               wxDefaultSize, wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER) {
    SetFont(FormFont());
    // Files are shown too: a single drawing can be chosen as the place.
    m_tree = new wxGenericDirCtrl(this, wxID_ANY, start.empty() ? wxString("/") : start,
                                  wxDefaultPosition, wxSize(360, 320), wxDIRCTRL_3D_INTERNAL);
    auto* allDrives = new wxButton(this, wxID_ANY, wxString::FromUTF8(kAllDrivesPlace));
    allDrives->Bind(wxEVT_BUTTON, &CPlaceChooser::OnAllDrives, this);

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(allDrives, 0, wxALL | wxALIGN_LEFT, 6);
    sizer->Add(m_tree, 1, wxLEFT | wxRIGHT | wxEXPAND, 6);
    sizer->Add(CreateButtonSizer(wxOK | wxCANCEL), 0, wxALL | wxEXPAND, 6);
    SetSizerAndFit(sizer);
}

wxString CPlaceChooser::Choice() const {
    if (m_allDrives) return wxString::FromUTF8(kAllDrivesPlace);
    return m_tree->GetPath();
}

void CPlaceChooser::ChooseAllDrives() { m_allDrives = true; }

void CPlaceChooser::ChoosePath(const wxString& path) {
    m_allDrives = false;
    m_tree->SetPath(path);
}

void CPlaceChooser::OnAllDrives(wxCommandEvent&) {
    ChooseAllDrives();
    EndModal(wxID_OK);
}

std::optional<wxString> BrowseForPlace(wxWindow* parent, const wxString& start) {
    CPlaceChooser chooser(parent, start);
    if (chooser.ShowModal() != wxID_OK) return std::nullopt;
    return chooser.Choice();
}

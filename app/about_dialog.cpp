#include "app/about_dialog.h"

#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "app/dialog_units.h"
#include "app/resources.h"
#include "plotsieve_version.h"

CAboutDlg::CAboutDlg(wxWindow* parent)
    : wxDialog(parent, 100, wxString::FromUTF8("Plotsieveのﾊﾞｰｼﾞｮﾝ情報")) {
    SetFont(FormFont());
    SetClientSize(ConvertDialogToPixels(wxSize(235, 61)));
    auto* icon = new wxStaticBitmap(
        this, wxID_ANY, ApplicationIcons().GetIcon(32, wxIconBundle::FALLBACK_NEAREST_LARGER));
    PlaceInDialogUnits(icon, 15, 15, 20, 20);
    auto* text = new wxStaticText(this, wxID_ANY, "Plotsieve Version " PLOTSIEVE_VERSION);
    PlaceInDialogUnits(text, 41, 16, 119, 8);
    auto* ok = new wxButton(this, wxID_OK, "OK");
    PlaceInDialogUnits(ok, 178, 7, 50, 14);
    ok->SetDefault();
    SetEscapeId(wxID_OK);
}

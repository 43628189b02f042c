#include <wx/app.h>
#include <wx/filename.h>
#include <wx/uilocale.h>

#include "app/main_frame.h"
#include "search/criteria.h"

// The application: one main window holding the search form.
class CPlotsieveApp : public wxApp {
  public:
    bool OnInit() override;
};

wxIMPLEMENT_APP(CPlotsieveApp);

bool CPlotsieveApp::OnInit() {
    SetAppName("Plotsieve");
    // Dates in the pickers follow the desktop's language (year first on a
    // Japanese desktop).
    wxUILocale::UseDefault();
    // plotsieve [PLACE]: the first argument that is no switch fills the place
    // field. The switches of an embedding server ("-Embedding", "/Automation",
    // "-Unregserver", "-Unregister") have no meaning here and are ignored.
    wxString place;
    for (int i = 1; i < argc; ++i) {
        wxString argument = argv[i];
        if (argument.StartsWith("-") || argument.StartsWith("/")) {
            wxString name = argument.Mid(1).Lower();
            if (name == "embedding" || name == "automation" || name == "unregserver" ||
                name == "unregister") {
                continue;
            }
        }
        if (place.empty()) place = argument;
    }
    if (!place.empty() && place != wxString::FromUTF8(kAllDrivesPlace)) {
        wxFileName name(place);
        name.MakeAbsolute();
        place = name.GetFullPath();
    }
    auto* frame = new CMainFrame(place);
    frame->Show();
    return true;
}

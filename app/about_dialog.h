#pragma once

#include <wx/dialog.h>

// The About box: the application icon, "Plotsieve Version 1.50" and OK.
class CAboutDlg : public wxDialog {
  public:
    explicit CAboutDlg(wxWindow* parent);
};

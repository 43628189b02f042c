#pragma once

#include <wx/dialog.h>
#include <wx/string.h>

#include <optional>
#include <string>
#include <vector>

#include "index/index_query.h"

class wxTextCtrl;

// What the office index dialog edits: the connection (a libpq URI or
// connection string; empty: no index) and the root map, one "SRV=LOCAL" a
// line (the index's place SRV, and where this machine sees it).
struct OfficeIndexChoice {
    wxString connection;
    wxString rootMap;
};

// The mappings of a root map's lines (empty lines skipped); nothing, with
// the first line that is no mapping in `badLine`, when one is not.
std::optional<std::vector<RootMapping>> ParseRootMap(const wxString& rootMap,
                                                     wxString* badLine = nullptr);

// "ｵﾌｨｽ索引" in the ﾌｧｲﾙ menu: the connection and the root map. OK keeps
// them in the choice when every line of the map is a mapping; otherwise a
// message names the line and the dialog stays.
class COfficeIndexDialog : public wxDialog {
  public:
    COfficeIndexDialog(wxWindow* parent, OfficeIndexChoice& choice);

    bool TransferDataToWindow() override;
    bool TransferDataFromWindow() override;

    wxTextCtrl* ConnectionField() const { return m_connection; }
    wxTextCtrl* RootMapField() const { return m_rootMap; }

  private:
    OfficeIndexChoice& m_choice;
    wxTextCtrl* m_connection = nullptr;
    wxTextCtrl* m_rootMap = nullptr;
};

#include "app/office_index_dialog.h"

#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/tokenzr.h>

#include "app/message_box.h"

namespace {
wxString U8(const char* text) { return wxString::FromUTF8(text); }
}  // namespace

std::optional<std::vector<RootMapping>> ParseRootMap(const wxString& rootMap, wxString* badLine) {
    std::vector<RootMapping> mappings;
    wxStringTokenizer lines(rootMap, "\n", wxTOKEN_STRTOK);
    while (lines.HasMoreTokens()) {
        wxString line = lines.GetNextToken();
        line.Trim(true).Trim(false);
        if (line.empty()) continue;
        std::optional<RootMapping> mapping = ParseRootMapping(line.utf8_string());
        if (!mapping) {
            if (badLine != nullptr) *badLine = line;
            return std::nullopt;
        }
        mappings.push_back(*mapping);
    }
    return mappings;
}

COfficeIndexDialog::COfficeIndexDialog(wxWindow* parent, OfficeIndexChoice& choice)
    : wxDialog(parent, wxID_ANY, U8("ｵﾌｨｽ索引"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_choice(choice) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(
        new wxStaticText(this, wxID_ANY,
                         U8("接続先 (例: postgresql://reader@server/plotsieve、空欄: 使わない)")),
        0, wxALL, 8);
    m_connection = new wxTextCtrl(this, wxID_ANY);
    m_connection->SetMinSize(wxSize(ConvertDialogToPixels(wxSize(240, 0)).x, -1));
    sizer->Add(m_connection, 0, wxEXPAND | wxLEFT | wxRIGHT, 8);
    sizer->Add(new wxStaticText(this, wxID_ANY,
                                U8("場所の対応 (1行に1つ、索引の場所=このPCでの場所)\n"
                                   "例: /srv/drawings=/mnt/drawings")),
               0, wxALL, 8);
    m_rootMap = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition,
                               ConvertDialogToPixels(wxSize(240, 50)), wxTE_MULTILINE);
    sizer->Add(m_rootMap, 1, wxEXPAND | wxLEFT | wxRIGHT, 8);
    sizer->Add(CreateSeparatedButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 8);
    SetSizerAndFit(sizer);
}

bool COfficeIndexDialog::TransferDataToWindow() {
    m_connection->ChangeValue(m_choice.connection);
    m_rootMap->ChangeValue(m_choice.rootMap);
    return true;
}

bool COfficeIndexDialog::TransferDataFromWindow() {
    wxString badLine;
    if (!ParseRootMap(m_rootMap->GetValue(), &badLine)) {
        ShowMessage(this,
                    wxString::Format(U8("「%s」は「索引の場所=このPCでの場所」の形ではありません。"
                                        "どちらも / で始まるﾌｫﾙﾀﾞです。"),
                                     badLine));
        m_rootMap->SetFocus();
        return false;
    }
    m_choice.connection = m_connection->GetValue().Trim(true).Trim(false);
    m_choice.rootMap = m_rootMap->GetValue();
    return true;
}

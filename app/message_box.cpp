#include "app/message_box.h"

#include <wx/msgdlg.h>

#include <utility>

namespace {
MessageHook& Hook() {
    static MessageHook hook;
    return hook;
}
}  // namespace

void ShowMessage(wxWindow* parent, const wxString& text, const wxString& caption) {
    if (Hook()) {
        Hook()(text, caption);
        return;
    }
    wxMessageBox(text, caption, wxOK, parent);
}

void SetMessageHook(MessageHook hook) { Hook() = std::move(hook); }

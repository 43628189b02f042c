#include "app/desktop_open.h"

#include <wx/mimetype.h>
#include <wx/utils.h>

#include <utility>

namespace {
OpenHook& Hook() {
    static OpenHook hook;
    return hook;
}
}  // namespace

void OpenWithDesktop(const std::string& path) {
    if (Hook()) {
        Hook()(path);
        return;
    }
    wxLaunchDefaultApplication(wxString::FromUTF8(path));
}

void SetOpenHook(OpenHook hook) { Hook() = std::move(hook); }

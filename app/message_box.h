#pragma once

#include <wx/string.h>

#include <functional>

class wxWindow;

// Every message box of the program goes through here: a modal box with one OK
// button. Tests replace the box with a hook that records the text instead.
void ShowMessage(wxWindow* parent, const wxString& text, const wxString& caption = "Plotsieve");

// Replaces the modal box; an empty function restores it.
using MessageHook = std::function<void(const wxString& text, const wxString& caption)>;
void SetMessageHook(MessageHook hook);

#pragma once

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <string>
#include <vector>

// What the window keeps between runs, in plotsieve.conf in the user's
// configuration folder ($XDG_CONFIG_HOME/plotsieve, by default
// ~/.config/plotsieve): its size, the result list's column widths, whether the
// details pane shows, and the last keywords and places searched.
struct WindowSettings {
    wxSize size = wxDefaultSize;            // the main window's size; default: none kept
    std::vector<int> columnWidths;          // pixels, by column; empty: none kept
    std::string sharedCache;                // a cache file others write, read only; empty: none
    bool useCache = true;                   // searches keep and reuse text in the text cache
    bool detailsPane = true;                // the details pane under the list shows
    std::vector<wxString> keywordHistory;   // newest first
    std::vector<std::string> placeHistory;  // newest first, native path bytes
    // The office index: its connection (empty: none) and its root map, one
    // "SRV=LOCAL" a line.
    std::string indexConnection;
    std::string indexRootMap;
};

// The file the settings live in.
wxString SettingsFilePath();

// The kept settings; defaults for anything missing or out of range (sizes
// below 1 or above 100000 pixels). A missing or unreadable file gives
// defaults.
WindowSettings LoadWindowSettings();

// Writes the settings, creating the folder; false when it cannot be written.
bool SaveWindowSettings(const WindowSettings& settings);

#include "app/window_settings.h"

#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <memory>

namespace {

constexpr int kLargestPixels = 100000;
constexpr int kMostColumns = 32;

bool Plausible(long pixels) { return pixels >= 1 && pixels <= kLargestPixels; }

std::unique_ptr<wxFileConfig> OpenSettings() {
    // An explicit file, so the settings go where the desktop's rules say and
    // not to a dot-file in the home folder.
    return std::make_unique<wxFileConfig>(wxEmptyString, wxEmptyString, SettingsFilePath(),
                                          wxEmptyString, wxCONFIG_USE_LOCAL_FILE);
}

}  // namespace

wxString SettingsFilePath() {
    wxString base;
    // The base folder must be absolute; a relative value is ignored.
    if (!wxGetEnv("XDG_CONFIG_HOME", &base) || !wxFileName(base).IsAbsolute()) {
        base = wxGetHomeDir() + "/.config";
    }
    return base + "/plotsieve/plotsieve.conf";
}

WindowSettings LoadWindowSettings() {
    WindowSettings settings;
    if (!wxFileName::FileExists(SettingsFilePath())) return settings;
    wxLogNull quiet;  // a damaged file gives defaults, not an error box
    std::unique_ptr<wxFileConfig> config = OpenSettings();
    long width = 0, height = 0;
    if (config->Read("/Window/Width", &width) && config->Read("/Window/Height", &height) &&
        Plausible(width) && Plausible(height)) {
        settings.size = wxSize(static_cast<int>(width), static_cast<int>(height));
    }
    config->Read("/Search/UseCache", &settings.useCache, true);
    wxString connection, rootMap;
    config->Read("/OfficeIndex/Connection", &connection);
    config->Read("/OfficeIndex/RootMap", &rootMap);
    settings.indexConnection = connection.utf8_string();
    settings.indexRootMap = rootMap.utf8_string();
    for (int column = 0; column < kMostColumns; ++column) {
        long pixels = 0;
        if (!config->Read(wxString::Format("/ResultList/Column%d", column), &pixels)) break;
        if (!Plausible(pixels)) {
            settings.columnWidths.clear();
            break;
        }
        settings.columnWidths.push_back(static_cast<int>(pixels));
    }
    return settings;
}

bool SaveWindowSettings(const WindowSettings& settings) {
    wxFileName file(SettingsFilePath());
    wxLogNull quiet;  // settings that cannot be kept are no reason to bother the user
    if (!file.DirExists() && !file.Mkdir(wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL)) return false;
    std::unique_ptr<wxFileConfig> config = OpenSettings();
    if (settings.size.IsFullySpecified()) {
        config->Write("/Window/Width", settings.size.GetWidth());
        config->Write("/Window/Height", settings.size.GetHeight());
    }
    config->Write("/Search/UseCache", settings.useCache);
    config->Write("/OfficeIndex/Connection", wxString::FromUTF8(settings.indexConnection));
    config->Write("/OfficeIndex/RootMap", wxString::FromUTF8(settings.indexRootMap));
    config->DeleteGroup("/ResultList");
    for (size_t column = 0; column < settings.columnWidths.size(); ++column) {
        config->Write(wxString::Format("/ResultList/Column%zu", column),
                      settings.columnWidths[column]);
    }
    return config->Flush();
}

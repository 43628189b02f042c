#include "app/window_settings.h"

#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <memory>
#include <optional>

#include "bytes/utf8.h"

namespace {

constexpr int kLargestPixels = 100000;
constexpr int kMostColumns = 32;

constexpr int kMostHistory = 20;

bool Plausible(long pixels) { return pixels >= 1 && pixels <= kLargestPixels; }

// A place's bytes in the file: "t:" and the path where it is UTF-8, "x:" and
// its bytes in hexadecimal otherwise (the file holds UTF-8 text).
wxString EncodePlace(const std::string& path) {
    if (IsValidUtf8(path)) return "t:" + wxString::FromUTF8(path);
    static const char* digits = "0123456789abcdef";
    std::string hex = "x:";
    for (unsigned char byte : path) {
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

std::optional<std::string> DecodePlace(const wxString& value) {
    if (value.StartsWith("t:")) return value.Mid(2).utf8_string();
    if (!value.StartsWith("x:") || value.length() % 2 != 0) return std::nullopt;
    std::string bytes;
    auto digit = [](wxUniChar c) -> int {
        const auto code = c.GetValue();
        if (code >= '0' && code <= '9') return static_cast<int>(code - '0');
        if (code >= 'a' && code <= 'f') return static_cast<int>(code - 'a' + 10);
        return -1;
    };
    for (size_t i = 2; i < value.length(); i += 2) {
        const int high = digit(value[i]), low = digit(value[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes += static_cast<char>(high << 4 | low);
    }
    return bytes;
}

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
    wxString sharedCache;
    config->Read("/Search/SharedCache", &sharedCache);
    settings.sharedCache = sharedCache.utf8_string();
    wxString connection, rootMap;
    config->Read("/OfficeIndex/Connection", &connection);
    config->Read("/OfficeIndex/RootMap", &rootMap);
    settings.indexConnection = connection.utf8_string();
    settings.indexRootMap = rootMap.utf8_string();
    config->Read("/Window/DetailsPane", &settings.detailsPane, true);
    for (int entry = 0; entry < kMostHistory; ++entry) {
        wxString value;
        if (!config->Read(wxString::Format("/History/Keyword%d", entry), &value)) break;
        settings.keywordHistory.push_back(value);
    }
    for (int entry = 0; entry < kMostHistory; ++entry) {
        wxString value;
        if (!config->Read(wxString::Format("/History/Place%d", entry), &value)) break;
        if (std::optional<std::string> place = DecodePlace(value); place && !place->empty()) {
            settings.placeHistory.push_back(*place);
        }
    }
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
    config->Write("/Search/SharedCache", wxString::FromUTF8(settings.sharedCache));
    config->Write("/OfficeIndex/Connection", wxString::FromUTF8(settings.indexConnection));
    config->Write("/OfficeIndex/RootMap", wxString::FromUTF8(settings.indexRootMap));
    config->Write("/Window/DetailsPane", settings.detailsPane);
    config->DeleteGroup("/History");
    for (size_t entry = 0; entry < settings.keywordHistory.size() && entry < kMostHistory;
         ++entry) {
        config->Write(wxString::Format("/History/Keyword%zu", entry),
                      settings.keywordHistory[entry]);
    }
    for (size_t entry = 0; entry < settings.placeHistory.size() && entry < kMostHistory; ++entry) {
        config->Write(wxString::Format("/History/Place%zu", entry),
                      EncodePlace(settings.placeHistory[entry]));
    }
    config->DeleteGroup("/ResultList");
    for (size_t column = 0; column < settings.columnWidths.size(); ++column) {
        config->Write(wxString::Format("/ResultList/Column%zu", column),
                      settings.columnWidths[column]);
    }
    return config->Flush();
}

#include "app/help_page.h"

#include <wx/filename.h>
#include <wx/stdpaths.h>

#include <filesystem>

#include "platform/file_status.h"

std::vector<std::string> HelpPageCandidates(const std::string& programFolder) {
    // The installed copy's path from the program's folder ("../share/...").
    return {programFolder + "/" PLOTSIEVE_HELP_PAGE, programFolder + "/help/help1.htm"};
}

std::optional<std::string> FindHelpPage(const std::string& programFolder) {
    for (const std::string& candidate : HelpPageCandidates(programFolder)) {
        ReadResult<FileStatus> status = ReadFileStatus(candidate);
        if (status && !status->isFolder) {
            // Opened without the "bin/.." detour.
            return std::filesystem::path(candidate).lexically_normal().string();
        }
    }
    return std::nullopt;
}

std::string ProgramFolder() {
    wxFileName program(wxStandardPaths::Get().GetExecutablePath());
    return program.GetPath().utf8_string();
}

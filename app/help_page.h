#pragma once

#include <optional>
#include <string>
#include <vector>

// Where the help page is looked for, in order, given the folder that holds
// the program: the installed copy, <prefix>/share/plotsieve/help/help1.htm
// beside <prefix>/bin, then the build folder's copy, help/help1.htm beside the
// program. The folder the program was started in plays no part.
std::vector<std::string> HelpPageCandidates(const std::string& programFolder);

// The first candidate that is a file, or nothing.
std::optional<std::string> FindHelpPage(const std::string& programFolder);

// The folder of the running program.
std::string ProgramFolder();

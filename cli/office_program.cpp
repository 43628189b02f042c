#include "cli/office_program.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

char** g_arguments = nullptr;

// This program's own file, as the kernel knows it.
std::string OwnProgramFile() {
    std::string path(4096, '\0');
    ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<size_t>(length) >= path.size()) return {};
    path.resize(static_cast<size_t>(length));
    return path;
}

// Where the office program is: beside this one (a build folder), else where
// the install puts it relative to the programs' folder.
std::string OfficeProgramFile() {
    std::string own = OwnProgramFile();
    size_t slash = own.rfind('/');
    if (slash == std::string::npos) return {};
    std::string folder = own.substr(0, slash + 1);
    std::string beside = folder + "plotsieve-office";
    if (access(beside.c_str(), X_OK) == 0) return beside;
    return folder + PLOTSIEVE_OFFICE_FROM_BINDIR;
}

}  // namespace

void RememberProgramArguments(char** argv) { g_arguments = argv; }

int HandOverToOfficeProgram() {
    std::string office = OfficeProgramFile();
    if (office.empty() || g_arguments == nullptr) {
        std::fputs("plotsieve-cli: cannot find the office program (plotsieve-office)\n", stderr);
        return 2;
    }
    std::fflush(nullptr);
    execv(office.c_str(), g_arguments);
    std::fprintf(stderr, "plotsieve-cli: cannot start %s: %s\n", office.c_str(),
                 std::strerror(errno));
    return 2;
}

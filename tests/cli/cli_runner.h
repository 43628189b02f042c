#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

// Runs plotsieve-cli as a user does, collecting its output and exit status.
struct CliRun {
    int status = -1;
    std::string out;
};

// `args` are already shell-quoted; stderr goes to `errFile`.
inline CliRun RunCli(const std::string& args, const std::string& errFile = "/dev/null") {
    std::string command = std::string("'") + PLOTSIEVE_CLI + "' " + args + " 2>'" + errFile + "'";
    CliRun result;
    FILE* pipe = popen(command.c_str(), "r");
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.out.append(buffer.data(), n);
    int raw = pclose(pipe);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return result;
}

inline std::string Quote(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

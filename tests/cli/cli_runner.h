#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// Runs plotsieve-cli as a user does, in a clean environment: only PATH, a
// UTF-8 locale and a time zone nine hours east of UTC (so that local times
// and their offsets show in the output). Run by root, it runs without root's
// right to read and list every file, so that permission errors are real.

// The environment every run gets.
inline std::vector<std::string> CleanEnvironment() {
    return {"PATH=/usr/bin:/bin", "LC_ALL=C.UTF-8", "TZ=JST-9", "HOME=/nonexistent"};
}

// True when the runs obey file permissions: not root, or root whose rights to
// bypass them can be dropped (setpriv, where the container allows it).
inline bool RunsObeyPermissions() {
    if (geteuid() != 0) return true;
    static const bool dropped = std::system(
                                    "setpriv --bounding-set=-dac_override,-dac_read_search true "
                                    ">/dev/null 2>&1") == 0;
    return dropped;
}

// The words before the program's own arguments.
inline std::vector<std::string> CliLauncher() {
    std::vector<std::string> words;
    if (geteuid() == 0 && RunsObeyPermissions()) {
        words = {"/usr/bin/setpriv", "--bounding-set=-dac_override,-dac_read_search", "--"};
    }
    words.push_back(PLOTSIEVE_CLI);
    return words;
}

struct CliRun {
    int status = -1;  // the exit status, -1 when ended by a signal
    int signal = 0;   // the signal that ended it, 0 when it exited
    std::string out;
    std::string err;
};

// One run of the program with its stdout on a pipe the test reads, and its
// stderr in a file.
class CliProcess {
  public:
    // `cwd`: the folder it starts in (empty: the test's own). `stdoutFile`:
    // a file that takes stdout instead of the pipe (such as /dev/full).
    // `environment`: variables added to the clean environment. `launcher`:
    // the words before the arguments (CliLauncher(), or another user's).
    CliProcess(const std::vector<std::string>& args, const std::string& cwd = "",
               const std::string& stdoutFile = "",
               const std::vector<std::string>& addedEnvironment = {},
               std::vector<std::string> launcher = CliLauncher()) {
        std::vector<std::string> words = std::move(launcher);
        words.insert(words.end(), args.begin(), args.end());
        std::vector<std::string> environment = CleanEnvironment();
        environment.insert(environment.end(), addedEnvironment.begin(), addedEnvironment.end());
        std::vector<char*> argv, envp;
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        for (std::string& e : environment) envp.push_back(e.data());
        envp.push_back(nullptr);
        char errTemplate[] = "/tmp/plotsieve-cli-err-XXXXXX";
        int errFd = mkstemp(errTemplate);
        m_errPath = errTemplate;
        int pipeFds[2];
        if (pipe(pipeFds) != 0) return;
        m_pid = fork();
        if (m_pid == 0) {
            // Only async-signal-safe calls between fork and exec.
            if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(127);
            int outFd = stdoutFile.empty() ? pipeFds[1] : open(stdoutFile.c_str(), O_WRONLY);
            dup2(outFd, STDOUT_FILENO);
            dup2(errFd, STDERR_FILENO);
            int nullFd = open("/dev/null", O_RDONLY);
            dup2(nullFd, STDIN_FILENO);
            close(pipeFds[0]);
            signal(SIGPIPE, SIG_DFL);
            signal(SIGINT, SIG_DFL);
            execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        close(pipeFds[1]);
        close(errFd);
        m_outFd = pipeFds[0];
    }
    ~CliProcess() {
        if (m_outFd >= 0) close(m_outFd);
        if (m_pid > 0) Finish();
        if (!m_errPath.empty()) std::remove(m_errPath.c_str());
    }
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    // Reads stdout until at least `count` more bytes came or it ended.
    std::string Read(size_t count) {
        std::string got;
        std::array<char, 4096> buffer;
        while (got.size() < count && m_outFd >= 0) {
            ssize_t n = read(m_outFd, buffer.data(), buffer.size());
            if (n <= 0) break;
            got.append(buffer.data(), static_cast<size_t>(n));
        }
        m_run.out += got;
        return got;
    }
    // Closes the reading end, as `| head` does when it has read enough.
    void CloseOutput() {
        if (m_outFd >= 0) close(m_outFd);
        m_outFd = -1;
    }
    void Signal(int number) { kill(m_pid, number); }

    // Reads the rest and waits for the end.
    CliRun Finish() {
        Read(SIZE_MAX);
        int raw = 0;
        if (m_pid > 0) waitpid(m_pid, &raw, 0);
        m_pid = -1;
        m_run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        m_run.signal = WIFSIGNALED(raw) ? WTERMSIG(raw) : 0;
        std::ifstream err(m_errPath, std::ios::binary);
        std::stringstream text;
        text << err.rdbuf();
        m_run.err = text.str();
        return m_run;
    }

  private:
    pid_t m_pid = -1;
    int m_outFd = -1;
    std::string m_errPath;
    CliRun m_run;
};

// Runs the program to its end.
inline CliRun Cli(const std::vector<std::string>& args, const std::string& cwd = "") {
    CliProcess process(args, cwd);
    return process.Finish();
}

// The same with variables added to its environment.
inline CliRun CliWithEnvironment(const std::vector<std::string>& args,
                                 const std::vector<std::string>& environment) {
    CliProcess process(args, "", "", environment);
    return process.Finish();
}

// The words that run the program as another user (uid and gid `id`, no
// supplementary groups), for a root that can switch users; empty otherwise.
inline std::vector<std::string> OtherUserLauncher(unsigned id) {
    if (geteuid() != 0) return {};
    std::string as = std::to_string(id);
    static const bool switches = std::system(("setpriv --reuid=" + as + " --regid=" + as +
                                              " --clear-groups true >/dev/null 2>&1")
                                                 .c_str()) == 0;
    if (!switches) return {};
    return {"/usr/bin/setpriv", "--reuid=" + as, "--regid=" + as, "--clear-groups", "--",
            PLOTSIEVE_CLI};
}

// Older form: `args` already shell-quoted; stderr goes to `errFile`.
inline CliRun RunCli(const std::string& args, const std::string& errFile = "/dev/null") {
    std::string command = "env -i";
    for (const std::string& e : CleanEnvironment()) command += " '" + e + "'";
    for (const std::string& w : CliLauncher()) command += " '" + w + "'";
    command += " " + args + " 2>'" + errFile + "'";
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

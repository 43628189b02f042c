#include "cli/command_line.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "plotsieve_version.h"

namespace {

// getopt_long's code for a long option: above every character, so that it
// never meets a short option's letter.
constexpr int kLongCodeBase = 256;

}  // namespace

OptionScanner::OptionScanner(const CommandDef& command, int argc, char** argv)
    : m_command(command), m_argc(argc), m_argv(argv) {
    // A leading ':' makes getopt_long tell a missing value (':') from an
    // unknown option ('?').
    m_shortOptions = ":";
    for (const CommandOption& taken : command.options) {
        const OptionDef& option = FindOption(taken.id);
        int hasValue = option.value.empty() ? no_argument : required_argument;
        if (option.shortName != 0) {
            m_shortOptions += option.shortName;
            if (hasValue == required_argument) m_shortOptions += ':';
        }
        if (!option.longName.empty()) {
            m_longOptions.push_back({option.longName.data(), hasValue, nullptr,
                                     kLongCodeBase + static_cast<int>(option.id)});
        }
    }
    m_longOptions.push_back({nullptr, 0, nullptr, 0});
    optind = 0;  // a fresh scan (GNU getopt)
    opterr = 0;  // messages are ours
}

OptionStep OptionScanner::Next() {
    int code = getopt_long(m_argc, m_argv, m_shortOptions.c_str(), m_longOptions.data(), nullptr);
    OptionStep step;
    if (code == -1) return step;
    if (code == ':' || code == '?') {
        step.kind = OptionStep::Kind::UsageError;
        step.error = code == ':' ? OptionInError(true) + " needs a value"
                                 : "unknown option: " + OptionInError(false);
        return step;
    }
    step.kind = OptionStep::Kind::Option;
    step.value = optarg ? optarg : "";
    if (code >= kLongCodeBase) {
        step.id = static_cast<OptionId>(code - kLongCodeBase);
        return step;
    }
    for (const CommandOption& taken : m_command.options) {
        if (FindOption(taken.id).shortName == code) step.id = taken.id;
    }
    return step;
}

std::optional<std::string> OptionScanner::TakeArgument() {
    if (optind >= m_argc) return std::nullopt;
    return m_argv[optind++];
}

std::vector<std::string> OptionScanner::Operands() const {
    return std::vector<std::string>(m_argv + optind, m_argv + m_argc);
}

// An unknown short option sets optopt to its letter, an unknown long one to 0;
// a missing value sets it to the option's code, and then the option is the
// last argument taken.
std::string OptionScanner::OptionInError(bool missingValue) const {
    std::string last = optind > 0 && optind <= m_argc ? m_argv[optind - 1] : "";
    bool longForm = last.rfind("--", 0) == 0;
    if (optopt > 0 && optopt < kLongCodeBase && !(missingValue && longForm)) {
        return std::string("-") + static_cast<char>(optopt);
    }
    return last.substr(0, last.find('='));
}

int WriteToStdout(const std::string& text, const char* what) {
    errno = 0;
    bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    if (std::fflush(stdout) == 0 && written) return 0;
    int error = errno != 0 ? errno : EIO;
    std::fprintf(stderr, "plotsieve-cli: cannot write the %s: %s\n", what, std::strerror(error));
    return 2;
}

int PrintHelp(const CommandDef& command) { return WriteToStdout(UsageText(command), "help"); }

int PrintVersion() {
    return WriteToStdout(std::string("plotsieve-cli ") + PLOTSIEVE_VERSION + "\n", "version");
}

int ReportUsageError(const CommandDef& command, const std::string& message) {
    std::string name(command.name);
    std::fprintf(stderr,
                 "plotsieve-cli %s: %s\n"
                 "Try 'plotsieve-cli %s --help' for more information.\n",
                 name.c_str(), message.c_str(), name.c_str());
    return 2;
}

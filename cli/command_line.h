#pragma once

#include <getopt.h>

#include <optional>
#include <string>
#include <vector>

#include "cli/option_table.h"

// One step through a command's arguments.
struct OptionStep {
    enum class Kind {
        Option,      // an option the command takes, with its value
        End,         // no options are left; the operands remain
        UsageError,  // an unknown option, or one without its value
    };
    Kind kind = Kind::End;
    OptionId id = OptionId::Help;  // the option, for Kind::Option
    std::string value;             // its value as given, empty for a switch
    std::string error;             // the message, for Kind::UsageError ("--format needs a value")
};

// Reads a command's options with getopt_long in the GNU way: options and
// operands in any order, "--" ends the options, a long option's value after
// "=" or as the next argument, a short one's attached or next ("-k配置",
// "-k 配置"). The command's options come from its row of the option table;
// any other is a usage error. argv[0] is the command's own name. getopt keeps
// its place in globals: one scanner at a time.
class OptionScanner {
  public:
    OptionScanner(const CommandDef& command, int argc, char** argv);

    OptionStep Next();

    // The argument after the last one read, taken as an option's second value
    // (--between T1 T2); nothing when no argument is left.
    std::optional<std::string> TakeArgument();

    // The arguments that are no options, once Next has given End.
    std::vector<std::string> Operands() const;

  private:
    std::string OptionInError(bool missingValue) const;

    const CommandDef& m_command;
    int m_argc;
    char** m_argv;
    std::vector<option> m_longOptions;
    std::string m_shortOptions;
};

// Writes `text` to stdout and flushes it: 0, or 2 after "plotsieve-cli:
// cannot write the WHAT: REASON" on stderr when it cannot be written (a full
// disk, /dev/full).
int WriteToStdout(const std::string& text, const char* what);

// The command's usage on stdout (--help): 0, or 2 (said on stderr) when it
// cannot be written.
int PrintHelp(const CommandDef& command);

// "plotsieve-cli VERSION" on stdout (--version): 0, or 2 (said on stderr)
// when it cannot be written.
int PrintVersion();

// "plotsieve-cli NAME: MESSAGE" on stderr, and a line that points to the
// command's --help; gives 2, the exit status of a usage error.
int ReportUsageError(const CommandDef& command, const std::string& message);

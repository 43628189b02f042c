#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Every option of plotsieve-cli is defined once, in one table: its long and
// short name, the name of its value and its help. Each command lists the
// options it takes, in the order its usage shows them. The command's
// getopt_long table (cli/command_line.h) and its usage text are built from
// that list, and a test holds the shell completions to it; adding or renaming
// an option is one row here and the code that acts on it.

enum class OptionId {
    Keyword,
    And,
    AllDrives,
    NoSubfolders,
    Types,
    Created,
    Modified,
    Before,
    After,
    Between,
    MinKb,
    MaxKb,
    Sort,
    Format,
    Paths0,
    ShowMatch,
    Quiet,
    Threads,
    Timing,
    NoCache,
    Cache,
    CacheReadOnly,
    IndexUrl,
    Map,
    To,
    Watch,
    Rescan,
    Raw,
    Kinds,
    ShowKind,
    Listen,
    Root,
    Users,
    MaxSearches,
    TimeLimit,
    Output,
    Version,
    Help,
};

// How the usage writes an option that shares its row with the next one.
enum class RowJoin {
    None,   // the option ends its row
    Bar,    // "--created | --modified": one of them
    Comma,  // "--min-kb N, --max-kb N": either or both
};

struct OptionDef {
    OptionId id;
    std::string_view longName =
        {};              // without "--"; empty for an option with a short name only (-0)
    char shortName = 0;  // 0 for none
    // The value's name in the usage ("TEXT", "name|type|size"); empty for a
    // switch, which takes no value.
    std::string value = {};
    // The help's lines, "\n" between them; empty when the option shares a
    // row whose last option has the help.
    std::string help = {};
    RowJoin joinNext = RowJoin::None;
};

// The option of `id`.
const OptionDef& FindOption(OptionId id);

enum class CommandId { Search, Extract, Preview, Index, Cache, Serve };

// One option as a command takes it.
struct CommandOption {
    OptionId id;
    std::string_view help = {};  // the command's own wording; empty: the option's help
    bool listed = true;          // false: taken, but not shown in the usage text
};

// A row of the usage text: a name on the left, its help's lines on the right.
struct UsageRow {
    std::string left;
    std::string help;
};

// Where the usage's rows put their names and their help.
struct UsageLayout {
    bool shortColumn;  // long names line up after a column kept for "-k, "
    size_t helpColumn;
};

struct CommandDef {
    CommandId id;
    std::string_view name;                // "search"
    std::string_view synopsis;            // what follows "usage: plotsieve-cli search "
    std::string_view intro = {};          // the lines between the synopsis and the rows
    std::vector<UsageRow> operands = {};  // rows before the options (cache's actions)
    std::vector<CommandOption> options;   // the options the command takes, in the usage's order
    std::string_view outro = {};          // the lines after the rows
    UsageLayout layout;
};

// The commands, in the order the program's usage lists them.
const std::vector<CommandDef>& CommandTable();

// The command of `id`.
const CommandDef& FindCommand(CommandId id);

// The command's --help text: the synopsis, the intro, a row for each operand
// and each listed option (a name that reaches the help column puts a single
// help line three spaces after it, and longer help on the lines below), the
// outro.
std::string UsageText(const CommandDef& command);

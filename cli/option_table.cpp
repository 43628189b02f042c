#include "cli/option_table.h"

#include <cassert>

#include "bytes/text_kind.h"
#include "cli/common_options.h"
#include "cli/search_options.h"

namespace {

// Search and index: a column for the short names, the help at column 26.
constexpr UsageLayout kWideLayout{.shortColumn = true, .helpColumn = 26};
// Extract and cache: the names from the indent on, the help at column 17.
constexpr UsageLayout kNarrowLayout{.shortColumn = false, .helpColumn = 17};
// The width a help may fill.
constexpr size_t kScreenWidth = 80;

// The words, a space between them, on lines no wider than `width`.
std::string WrapWords(const std::vector<std::string_view>& words, size_t width) {
    std::string text;
    size_t lineStart = 0;
    for (std::string_view word : words) {
        if (text.size() > lineStart && text.size() - lineStart + 1 + word.size() > width) {
            text += '\n';
            lineStart = text.size();
        } else if (text.size() > lineStart) {
            text += ' ';
        }
        text += word;
    }
    return text;
}

std::string KindNames(size_t width) {
    std::vector<std::string_view> names;
    for (int k = 0; k < kTextKindCount; ++k)
        names.push_back(TextKindName(static_cast<TextKind>(k)));
    return WrapWords(names, width);
}

// The options of search (and index, which takes some of them).
std::vector<OptionDef> SearchOptionRows() {
    using enum OptionId;
    return {
        {.id = Keyword,
         .longName = "keyword",
         .shortName = 'k',
         .value = "TEXT",
         .help = "keywords, \"|\" between OR pieces; repeated, more OR pieces\n"
                 "(default: every drawing)"},
        {.id = And,
         .longName = "and",
         .value = "TEXT",
         .help = "narrow the hits with another keyword text (repeatable)"},
        {.id = AllDrives, .longName = "all-drives", .help = "search every mounted file system"},
        {.id = NoSubfolders, .longName = "no-subfolders", .help = "only the folder itself"},
        {.id = Types,
         .longName = "types",
         .value = "LIST",
         .help = "any of " + TypeNames() + " (default: all)"},
        {.id = Created, .longName = "created", .joinNext = RowJoin::Bar},
        {.id = Modified, .longName = "modified"},
        {.id = Before, .longName = "before", .value = "T", .joinNext = RowJoin::Bar},
        {.id = After, .longName = "after", .value = "T", .joinNext = RowJoin::Bar},
        {.id = Between,
         .longName = "between",
         .value = "T1 T2",
         .help = "T is local time YYYY-MM-DD[ HH:MM[:SS]] (or with T for the\n"
                 "space, and an offset such as +09:00 or Z)"},
        {.id = MinKb, .longName = "min-kb", .value = "N", .joinNext = RowJoin::Comma},
        {.id = MaxKb,
         .longName = "max-kb",
         .value = "N",
         .help = "size limits in kilobytes of 1000 bytes"},
        {.id = Sort,
         .longName = "sort",
         .value = JoinNames(SortKeyNames(), "|"),
         .help = "(rows are then written at the end)"},
        {.id = Format, .longName = "format", .value = JoinNames(FormatNames(), "|")},
        {.id = Paths0, .shortName = '0', .help = "the same as --format paths0"},
        {.id = ShowMatch,
         .longName = "show-match",
         .help = "a last cell with where each drawing matched"},
        {.id = Quiet,
         .longName = "quiet",
         .shortName = 'q',
         .help = "no progress and no final count on stderr"},
        {.id = Threads,
         .longName = "threads",
         .value = "N",
         .help = "extraction threads (default: one per core)"},
        {.id = Timing, .longName = "timing", .help = "report the time of each phase on stderr"},
        {.id = NoCache,
         .longName = "no-cache",
         .help = "read every drawing; keep nothing in the text cache"},
        {.id = Cache,
         .longName = "cache",
         .value = "FILE",
         .help = "the text cache's file (default: the user's cache folder)"},
        {.id = CacheReadOnly,
         .longName = "cache-read-only",
         .help = "read the cache but never write it (a cache another\n"
                 "process writes and renames into place)"},
    };
}

// The options of serve of its own.
std::vector<OptionDef> ServeOptionRows() {
    using enum OptionId;
    return {
        {.id = Listen,
         .longName = "listen",
         .value = "ADDR:PORT",
         .help = "where to listen (default: 127.0.0.1:8080, this machine alone;\n"
                 "[::1]:PORT for IPv6; port 0: any free port)"},
        {.id = Root,
         .longName = "root",
         .value = "NAME=PATH[=SHARE]",
         .help = "a folder tree to search and hand drawings out of, named\n"
                 "NAME; SHARE is how users' PCs reach it (\\\\server\\drawings),\n"
                 "shown and copied with each row (repeatable; at least one)"},
        {.id = Users,
         .longName = "users",
         .value = "FILE",
         .help = "let in only the users of FILE (NAME:HASH lines, crypt(3)\n"
                 "yescrypt or SHA-512 hashes), through HTTP Basic"},
        {.id = MaxSearches,
         .longName = "max-searches",
         .value = "N",
         .help = "searches at once; more wait their turn (default: one per core)"},
        {.id = TimeLimit,
         .longName = "time-limit",
         .value = "SECONDS",
         .help = "the longest a search may run before it is stopped (default: 300)"},
    };
}

// The options of the office index: search's --index and --map, index's --to,
// --watch and --rescan.
std::vector<OptionDef> OfficeIndexOptionRows() {
    using enum OptionId;
    return {
        {.id = IndexUrl,
         .longName = "index",
         .value = "URL",
         .help = "search the office index on PostgreSQL (a libpq URI or\n"
                 "connection string) instead of reading the drawings"},
        {.id = Map,
         .longName = "map",
         .value = "SRV=LOCAL",
         .help = "the index's place SRV is seen here at LOCAL (repeatable)"},
        {.id = To,
         .longName = "to",
         .value = "URL",
         .help = "write the office index on PostgreSQL (a libpq URI or\n"
                 "connection string) instead of the text cache"},
        {.id = Watch,
         .longName = "watch",
         .help = "with --to: stay running and keep the index current"},
        {.id = Rescan,
         .longName = "rescan",
         .value = "MIN",
         .help = "with --watch: scan trees no watch sees (network mounts)\n"
                 "again every MIN minutes (default: 10)"},
    };
}

// The options of extract, and those of every command.
std::vector<OptionDef> OtherOptionRows() {
    using enum OptionId;
    return {
        {.id = Raw,
         .longName = "raw",
         .help = "print the stored CP932 bytes instead, each line ended by CR LF"},
        {.id = Kinds,
         .longName = "kinds",
         .value = "LIST",
         .help = "only the lines of these kinds (comma-separated, any case):\n" +
                 KindNames(kScreenWidth - kNarrowLayout.helpColumn)},
        {.id = ShowKind,
         .longName = "show-kind",
         .help = "begin each printed line with its kind and a tab"},
        {.id = Output,
         .longName = "output",
         .shortName = 'o',
         .value = "FILE",
         .help = "write to FILE (\"-\": standard output)"},
        {.id = Version, .longName = "version", .help = "print the version and exit"},
        {.id = Help, .longName = "help", .shortName = 'h', .help = "print this help and exit"},
    };
}

std::vector<OptionDef> MakeOptionTable() {
    std::vector<OptionDef> table = SearchOptionRows();
    for (OptionDef& row : ServeOptionRows()) table.push_back(std::move(row));
    for (OptionDef& row : OfficeIndexOptionRows()) table.push_back(std::move(row));
    for (OptionDef& row : OtherOptionRows()) table.push_back(std::move(row));
    return table;
}

const std::vector<OptionDef>& OptionTable() {
    static const std::vector<OptionDef> table = MakeOptionTable();
    return table;
}

std::vector<CommandDef> MakeCommandTable() {
    using enum OptionId;
    constexpr std::string_view kCacheFileHelp =
        "the cache's file (default: the user's cache folder)";
    return {
        {.id = CommandId::Search,
         .name = "search",
         .synopsis = "[OPTIONS] [PLACE]",
         .intro = "Lists the drawings under PLACE (a folder, a drawing, or \"全てのドライブ\"; "
                  "default: the\n"
                  "current folder) whose text holds a keyword.\n",
         .options = {{Keyword},  {And},     {AllDrives}, {NoSubfolders},  {Types},    {Created},
                     {Modified}, {Before},  {After},     {Between},       {MinKb},    {MaxKb},
                     {Sort},     {Format},  {Paths0},    {ShowMatch},     {Quiet},    {Threads},
                     {Timing},   {NoCache}, {Cache},     {CacheReadOnly}, {IndexUrl}, {Map},
                     {Version},  {Help}},
         .outro = "Exit status: 0 hits, 1 none, 2 usage error, refused request, unreadable "
                  "place,\n"
                  "folder or file, or failed output. Ctrl-C stops the search (killed by "
                  "SIGINT).\n",
         .layout = kWideLayout},
        {.id = CommandId::Extract,
         .name = "extract",
         .synopsis = "[--raw] [--kinds LIST] [--show-kind] FILE...",
         .intro = "Prints what the keyword test sees of each drawing: every line of its text "
                  "after\n"
                  "the clean-up of its kind (MTEXT codes, %% codes and \\U+ escapes), converted "
                  "to\n"
                  "UTF-8, one line per line (an MTEXT paragraph break starts a new line).\n",
         .options = {{Raw}, {Kinds}, {ShowKind}, {Version}, {Help}},
         .outro = "Options and files come in any order; \"--\" ends the options.\n"
                  "Exit status: 0, or 2 when a file could not be read (the others are still\n"
                  "printed), for a usage error, or when the output could not be written.\n",
         .layout = kNarrowLayout},
        {.id = CommandId::Preview,
         .name = "preview",
         .synopsis = "FILE -o OUT",
         .intro = "Writes the picture a DWG or DXF drawing keeps of itself as a PNG file (a "
                  "stored\n"
                  "bitmap converted to PNG, a stored PNG as it is).\n",
         .options = {{Output, "the PNG file to write (\"-\": standard output)"}, {Version}, {Help}},
         .outro = "Exit status: 0 written, 1 the drawing keeps no picture (or one that is damaged "
                  "or\n"
                  "too large), 2 a usage error, an unreadable drawing or a failed write.\n",
         .layout = kNarrowLayout},
        {.id = CommandId::Index,
         .name = "index",
         .synopsis = "[OPTIONS] [PLACE...]",
         .intro = "Reads every drawing under PLACE (default: the current folder) into the text "
                  "cache,\n"
                  "so that later searches need not read them. With --cache FILE, a new file is "
                  "built\n"
                  "and renamed onto FILE when done, so that searches reading FILE with\n"
                  "--cache-read-only never see half a write. With --to URL, the drawings under "
                  "each\n"
                  "PLACE go to the office index on PostgreSQL instead, for search --index.\n",
         .options = {{Cache, kCacheFileHelp},
                     {To},
                     {Watch},
                     {Rescan},
                     {Types},
                     {NoSubfolders},
                     {Threads},
                     {Quiet},
                     {Help}},
         .layout = kWideLayout},
        {.id = CommandId::Cache,
         .name = "cache",
         .synopsis = "stats|clear [--cache FILE]",
         .operands = {{"stats", "rows, the file's size and the hit rate of the last search"},
                      {"clear", "empty the cache"}},
         .options = {{Cache, kCacheFileHelp}, {.id = Help, .listed = false}},
         .layout = kNarrowLayout},
        {.id = CommandId::Serve,
         .name = "serve",
         .synopsis = "[OPTIONS] --root NAME=PATH[=SHARE]...",
         .intro = "Serves the search page and its API over HTTP: everyone who reaches the "
                  "address\n"
                  "searches the roots from a browser. Read-only; without --index the drawings "
                  "are\n"
                  "read here, through one text cache all searches share.\n",
         .options = {{Listen},
                     {Root},
                     {IndexUrl,
                      "answer searches from the office index on PostgreSQL (a libpq\n"
                      "URI or connection string) instead of reading the roots"},
                     {Map,
                      "the index's place SRV is this machine's LOCAL, where a root's\n"
                      "PATH lies (repeatable; default: the same paths)"},
                     {Cache,
                      "the text cache all searches share (default: the user's cache\n"
                      "folder)"},
                     {NoCache},
                     {Threads, "extraction threads of each search (default: one per core)"},
                     {MaxSearches},
                     {TimeLimit},
                     {Users},
                     {Version},
                     {Help}},
         .outro = "HTTP Basic sends passwords readable on the way: beyond this machine, put a "
                  "TLS\n"
                  "reverse proxy in front. Ctrl-C or SIGTERM stops the server.\n"
                  "Exit status: 0 when stopped, 2 for a usage error or an address that cannot be "
                  "taken.\n",
         .layout = kWideLayout},
    };
}

// The left of an option's row: "-k, --keyword TEXT", "    --and TEXT", "-0".
std::string OptionName(const OptionDef& option, const UsageLayout& layout, bool startsRow) {
    std::string name;
    if (option.shortName != 0) {
        name = std::string("-") + option.shortName;
        if (!option.longName.empty()) name += ", ";
    } else if (startsRow && layout.shortColumn) {
        name = "    ";
    }
    if (!option.longName.empty()) name += "--" + std::string(option.longName);
    if (!option.value.empty()) name += " " + option.value;
    return name;
}

// The rows of the options a command lists, joined rows made one.
std::vector<UsageRow> OptionRows(const CommandDef& command) {
    std::vector<UsageRow> rows;
    bool joining = false;
    for (const CommandOption& taken : command.options) {
        if (!taken.listed) continue;
        const OptionDef& option = FindOption(taken.id);
        if (!joining) rows.push_back({});
        UsageRow& row = rows.back();
        row.left += OptionName(option, command.layout, !joining);
        row.help = taken.help.empty() ? option.help : std::string(taken.help);
        joining = option.joinNext != RowJoin::None;
        if (option.joinNext == RowJoin::Bar) row.left += " | ";
        if (option.joinNext == RowJoin::Comma) row.left += ", ";
    }
    return rows;
}

void AppendRow(std::string& text, const UsageRow& row, const UsageLayout& layout) {
    std::string line = "  " + row.left;
    std::vector<std::string> lines;
    for (size_t start = 0; start < row.help.size();) {
        size_t end = row.help.find('\n', start);
        if (end == std::string::npos) end = row.help.size();
        lines.push_back(row.help.substr(start, end - start));
        start = end + 1;
    }
    size_t next = 0;
    if (!lines.empty() && line.size() + 2 <= layout.helpColumn) {
        line.append(layout.helpColumn - line.size(), ' ');
        line += lines[next++];
    } else if (lines.size() == 1) {
        line += "   " + lines[next++];
    }
    text += line + "\n";
    for (; next < lines.size(); ++next) {
        text += std::string(layout.helpColumn, ' ') + lines[next] + "\n";
    }
}

}  // namespace

const OptionDef& FindOption(OptionId id) {
    for (const OptionDef& option : OptionTable()) {
        if (option.id == id) return option;
    }
    assert(false && "every OptionId has a row");
    return OptionTable().front();
}

const std::vector<CommandDef>& CommandTable() {
    static const std::vector<CommandDef> table = MakeCommandTable();
    return table;
}

const CommandDef& FindCommand(CommandId id) {
    for (const CommandDef& command : CommandTable()) {
        if (command.id == id) return command;
    }
    assert(false && "every CommandId has a row");
    return CommandTable().front();
}

std::string UsageText(const CommandDef& command) {
    std::string text = "usage: plotsieve-cli " + std::string(command.name) + " " +
                       std::string(command.synopsis) + "\n" + std::string(command.intro);
    for (const UsageRow& row : command.operands) AppendRow(text, row, command.layout);
    for (const UsageRow& row : OptionRows(command)) AppendRow(text, row, command.layout);
    return text + std::string(command.outro);
}

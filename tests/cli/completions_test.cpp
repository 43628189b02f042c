// The bash and zsh completions (cli/completions/) against the option table:
// each completes every option the table gives a command, and nothing else;
// and against the tables of drawing types and text kinds: the values of
// --types and --kinds, and the drawings a place may name.
// Bash runs its completion function as it does for "plotsieve-cli search -";
// zsh sources its completion with _arguments replaced by a function that
// prints the argument descriptions it is given, so both shells do their own quoting and
// brace expansion.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "bytes/text_kind.h"
#include "cli/option_table.h"
#include "search/drawing_types.h"
#include "tests/test_support.h"

using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

const std::string kCompletions = PLOTSIEVE_COMPLETIONS;

// Runs `script` with `shell`, the words after it as its arguments; its stdout.
std::string RunScript(const std::string& shell, const std::string& script,
                      const std::vector<std::string>& words) {
    TempDir dir;
    WriteFileBytes(dir.path() / "script", script);
    std::string command = shell + " '" + (dir.path() / "script").string() + "'";
    for (const std::string& word : words) command += " '" + word + "'";
    std::string out;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0) << command;
    return out;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

// What bash offers for the word being completed after "plotsieve-cli" and
// `words`, a trailing "=" (a value to come) taken off.
std::set<std::string> BashOffers(const std::vector<std::string>& words) {
    const char* script =
        "source \"$1\"; shift\n"
        "COMP_WORDS=(plotsieve-cli \"$@\"); COMP_CWORD=$#; COMPREPLY=()\n"
        "_plotsieve_cli\n"
        "printf '%s\\n' \"${COMPREPLY[@]}\"\n";
    std::vector<std::string> arguments{kCompletions + "/plotsieve-cli.bash"};
    arguments.insert(arguments.end(), words.begin(), words.end());
    std::set<std::string> offers;
    for (std::string word : Lines(RunScript("bash --norc --noprofile", script, arguments))) {
        if (!word.empty() && word.back() == '=') word.pop_back();
        if (!word.empty()) offers.insert(word);
    }
    return offers;
}

// The argument descriptions the zsh completion hands _arguments for `command` (none: the
// program's own), each line "program DESCRIPTION" or "command DESCRIPTION".
std::vector<std::string> ZshArgumentLines(const std::string& command) {
    const char* script =
        "command=$2; words=()\n"
        "_arguments() {\n"
        "    if [[ $1 == -C ]]; then\n"
        "        shift; print -rl -- \"program \"$^@\n"
        "        state=command; words=($command); return 0\n"
        "    fi\n"
        "    shift 2; print -rl -- \"command \"$^@; return 0\n"
        "}\n"
        "source \"$1\"\n";
    return Lines(RunScript("zsh -f", script, {kCompletions + "/_plotsieve-cli", command}));
}

// The option an _arguments description names: "(-q --quiet)-q[...]" is -q,
// "*--and=[...]:keywords" is --and; nothing for an operand's description ("1:...").
std::optional<std::string> ArgumentOption(std::string argument) {
    if (argument.starts_with("(")) argument.erase(0, argument.find(')') + 1);
    if (argument.starts_with("*")) argument.erase(0, 1);
    if (!argument.starts_with("-")) return std::nullopt;
    return argument.substr(0, argument.find_first_of("[=+:", 1));
}

std::set<std::string> ZshOffers(const std::string& command) {
    std::set<std::string> offers;
    for (const std::string& line : ZshArgumentLines(command)) {
        if (!line.starts_with("command ")) continue;
        if (std::optional<std::string> option = ArgumentOption(line.substr(8)))
            offers.insert(*option);
    }
    return offers;
}

// Every spelling of every option the table gives the command.
std::set<std::string> TableSpellings(const CommandDef& command) {
    std::set<std::string> spellings;
    for (const CommandOption& taken : command.options) {
        const OptionDef& option = FindOption(taken.id);
        if (!option.longName.empty()) spellings.insert("--" + std::string(option.longName));
        if (option.shortName != 0) spellings.insert(std::string("-") + option.shortName);
    }
    return spellings;
}

// The words of the zsh description of `option` for `command`, listed after "compadd -"
// ("--types=[...]:types:_sequence compadd - dxf dwg ...").
std::set<std::string> ZshListedValues(const std::string& command, const std::string& option) {
    std::set<std::string> values;
    for (const std::string& line : ZshArgumentLines(command)) {
        if (!line.starts_with("command " + option + "=")) continue;
        size_t at = line.find("compadd - ");
        if (at == std::string::npos) continue;
        std::istringstream words(line.substr(at + 10));
        for (std::string word; words >> word;) values.insert(word);
    }
    return values;
}

// The pattern that zsh's `command` description of the place ("1::place:_files -g
// \"PATTERN\"") hands _files.
std::string ZshPlacePattern(const std::string& command) {
    for (const std::string& line : ZshArgumentLines(command)) {
        if (!line.starts_with("command 1::place:_files -g \"")) continue;
        size_t start = line.find('"') + 1;
        return line.substr(start, line.rfind('"') - start);
    }
    return "";
}

}  // namespace

TEST(Completions, BashAndZshCompleteEachCommandsOptionsAndNoOthers) {
    for (const CommandDef& command : CommandTable()) {
        std::string name(command.name);
        std::set<std::string> table = TableSpellings(command);
        EXPECT_EQ(BashOffers({name, "-"}), table) << "bash, " << name;
        EXPECT_EQ(ZshOffers(name), table) << "zsh, " << name;
    }
}

TEST(Completions, BashAndZshCompleteTheCommandsOfTheTable) {
    std::set<std::string> table;
    for (const CommandDef& command : CommandTable()) table.insert(std::string(command.name));

    std::set<std::string> bash;
    for (const std::string& word : BashOffers({""})) {
        if (!word.starts_with("-")) bash.insert(word);
    }
    EXPECT_EQ(bash, table);

    // The program's description "1:command:((search\:"..." extract\:"..."))".
    std::set<std::string> zsh;
    const std::regex name(R"(([a-z]+)\\:)");
    for (const std::string& line : ZshArgumentLines("")) {
        if (!line.starts_with("program 1:command:")) continue;
        for (std::sregex_iterator it(line.begin(), line.end(), name), end; it != end; ++it) {
            zsh.insert((*it)[1]);
        }
    }
    EXPECT_EQ(zsh, table);
}

TEST(Completions, BashAndZshCompleteTheTypeGroupsAndTextKindsOfTheTables) {
    std::set<std::string> groups;
    for (const DrawingTypeGroup& group : DrawingTypeGroups())
        groups.insert(std::string(group.cliName));
    for (const char* command : {"search", "index"}) {
        EXPECT_EQ(BashOffers({command, "--types", ""}), groups) << "bash, " << command;
        EXPECT_EQ(ZshListedValues(command, "--types"), groups) << "zsh, " << command;
    }
    std::set<std::string> kinds;
    for (int k = 0; k < kTextKindCount; ++k) {
        kinds.insert(std::string(TextKindName(static_cast<TextKind>(k))));
    }
    EXPECT_EQ(BashOffers({"extract", "--kinds", ""}), kinds);
    EXPECT_EQ(ZshListedValues("extract", "--kinds"), kinds);
}

TEST(Completions, APlaceCompletesToFoldersAndTheDrawingsOfEveryType) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "plans");
    std::set<std::string> drawings;
    for (const DrawingType& type : DrawingTypes()) {
        std::string upper(type.extension);
        for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        for (const std::string& name : {"a." + std::string(type.extension), "B." + upper}) {
            WriteFileBytes(dir.path() / name, "");
            drawings.insert(name);
        }
    }
    for (const char* other : {"notes.txt", "a.dxf.bak", "sfc", "a.p2"}) {
        WriteFileBytes(dir.path() / other, "");
    }

    const std::string prefix = dir.path().string() + "/";
    std::set<std::string> bash;
    for (const std::string& path : BashOffers({"search", prefix})) {
        bash.insert(path.substr(path.rfind('/') + 1));
    }
    std::set<std::string> expected = drawings;
    expected.insert("plans");
    EXPECT_EQ(bash, expected);

    // zsh: the place description's pattern, as _files -g globs it (regular files).
    const std::string pattern = ZshPlacePattern("search");
    ASSERT_FALSE(pattern.empty());
    const char* script =
        "setopt extendedglob nullglob; cd \"$1\"; pattern=$2; print -rl -- ${~pattern}\n";
    std::set<std::string> zsh;
    for (const std::string& name :
         Lines(RunScript("zsh -f", script, {dir.path().string(), pattern}))) {
        if (!name.empty()) zsh.insert(name);
    }
    EXPECT_EQ(zsh, drawings) << pattern;
}

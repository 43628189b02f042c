// The getopt tables and usage texts built from the option table.
#include "cli/option_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/common_options.h"

namespace {

// Arguments as main() hands them on, writable as getopt wants them.
class Arguments {
  public:
    Arguments(std::initializer_list<std::string> words) : m_words(words) {
        for (std::string& word : m_words) m_argv.push_back(word.data());
        m_argv.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(m_words.size()); }
    char** argv() { return m_argv.data(); }

  private:
    std::vector<std::string> m_words;
    std::vector<char*> m_argv;
};

// The steps a scan of `arguments` under `command` gives, up to its end or
// its first error.
std::vector<OptionStep> Scan(CommandId command, Arguments arguments) {
    OptionScanner scanner(FindCommand(command), arguments.argc(), arguments.argv());
    std::vector<OptionStep> steps;
    do {
        steps.push_back(scanner.Next());
    } while (steps.back().kind == OptionStep::Kind::Option);
    return steps;
}

bool Takes(const CommandDef& command, OptionId id) {
    for (const CommandOption& taken : command.options) {
        if (taken.id == id) return true;
    }
    return false;
}

}  // namespace

TEST(OptionScanner, EachCommandTakesItsOwnOptionsInBothFormsAndRefusesTheOthers) {
    for (const CommandDef& command : CommandTable()) {
        std::string name(command.name);
        for (int k = 0; k <= static_cast<int>(OptionId::Help); ++k) {
            const OptionDef& option = FindOption(static_cast<OptionId>(k));
            ASSERT_EQ(option.id, static_cast<OptionId>(k)) << "a row for every option";
            std::string value = option.value.empty() ? "" : "v";
            // Each form as written, and the option's name in a message.
            std::vector<std::pair<std::string, std::string>> spellings;
            if (!option.longName.empty()) {
                std::string longForm = "--" + std::string(option.longName);
                spellings.push_back({longForm + (value.empty() ? "" : "=" + value), longForm});
            }
            if (option.shortName != 0) {
                std::string shortForm = std::string("-") + option.shortName;
                spellings.push_back({shortForm + value, shortForm});
            }
            for (const auto& [spelling, optionName] : spellings) {
                std::vector<OptionStep> steps = Scan(command.id, {name, spelling});
                if (Takes(command, option.id)) {
                    ASSERT_EQ(steps.size(), 2u) << name << " " << spelling;
                    EXPECT_EQ(steps[0].id, option.id) << name << " " << spelling;
                    EXPECT_EQ(steps[0].value, value) << name << " " << spelling;
                } else {
                    ASSERT_EQ(steps.back().kind, OptionStep::Kind::UsageError) << name << spelling;
                    EXPECT_EQ(steps.back().error, "unknown option: " + optionName);
                }
            }
        }
    }
}

TEST(OptionScanner, OperandsInAnyOrderASecondValueAndUsageErrors) {
    Arguments between{"search", "place", "--between", "2020-01-01", "2020-12-31", "-q", "x"};
    OptionScanner scanner(FindCommand(CommandId::Search), between.argc(), between.argv());
    OptionStep step = scanner.Next();
    EXPECT_EQ(step.id, OptionId::Between);
    EXPECT_EQ(step.value, "2020-01-01");
    EXPECT_EQ(scanner.TakeArgument(), "2020-12-31");
    EXPECT_EQ(scanner.Next().id, OptionId::Quiet);
    EXPECT_EQ(scanner.Next().kind, OptionStep::Kind::End);
    EXPECT_EQ(scanner.Operands(), (std::vector<std::string>{"place", "x"}));
    Arguments oneTime{"search", "--between", "2020-01-01"};
    OptionScanner lastScanner(FindCommand(CommandId::Search), oneTime.argc(), oneTime.argv());
    EXPECT_EQ(lastScanner.Next().id, OptionId::Between);
    EXPECT_EQ(lastScanner.TakeArgument(), std::nullopt);

    // "--" ends the options; the words after it are operands, dashes and all.
    Arguments ended{"index", "-q", "--", "--types"};
    OptionScanner endScanner(FindCommand(CommandId::Index), ended.argc(), ended.argv());
    EXPECT_EQ(endScanner.Next().id, OptionId::Quiet);
    EXPECT_EQ(endScanner.Next().kind, OptionStep::Kind::End);
    EXPECT_EQ(endScanner.Operands(), std::vector<std::string>{"--types"});

    EXPECT_EQ(Scan(CommandId::Search, {"search", "x", "--format"}).back().error,
              "--format needs a value");
    EXPECT_EQ(Scan(CommandId::Search, {"search", "-k"}).back().error, "-k needs a value");
    EXPECT_EQ(Scan(CommandId::Search, {"search", "-q0x"}).back().error, "unknown option: -x");
    EXPECT_EQ(Scan(CommandId::Extract, {"extract", "--kinds=TEXT", "--bogus=1"}).back().error,
              "unknown option: --bogus");
}

TEST(UsageText, RowsLineUpAtTheHelpColumnOrPutTheHelpAfterOrBelowALongName) {
    CommandDef command{
        .id = CommandId::Cache,
        .name = "demo",
        .synopsis = "[OPTIONS]",
        .intro = "Intro.\n",
        .operands = {{"a", "one"},
                     {"long-operand", "one"},
                     {"long-operand", "one\ntwo"},
                     {"bare", ""}},
        .options = {{.id = OptionId::Quiet, .help = "q"},
                    {.id = OptionId::Help, .listed = false},
                    {OptionId::Created},
                    {OptionId::Modified},
                    {OptionId::MinKb},
                    {.id = OptionId::MaxKb, .help = "size\nin kB"},
                    {.id = OptionId::AllDrives, .help = "all"}},
        .outro = "Outro.\n",
        .layout = {.shortColumn = true, .helpColumn = 14},
    };
    EXPECT_EQ(UsageText(command),
              "usage: plotsieve-cli demo [OPTIONS]\n"
              "Intro.\n"
              "  a           one\n"
              "  long-operand   one\n"
              "  long-operand\n"
              "              one\n"
              "              two\n"
              "  bare\n"
              "  -q, --quiet   q\n"
              "      --created | --modified\n"
              "      --min-kb N, --max-kb N\n"
              "              size\n"
              "              in kB\n"
              "      --all-drives   all\n"
              "Outro.\n");

    command.layout = {.shortColumn = false, .helpColumn = 16};
    std::string narrow = UsageText(command);
    EXPECT_NE(narrow.find("\n  -q, --quiet   q\n"), std::string::npos) << narrow;
    EXPECT_NE(narrow.find("\n  --created | --modified\n"), std::string::npos) << narrow;
    EXPECT_NE(narrow.find("\n  --all-drives  all\n"), std::string::npos) << narrow;
}

TEST(UsageText, TheTypeListOfSearchAndIndexIsOneTypesTakesAndChoosesEveryType) {
    for (CommandId id : {CommandId::Search, CommandId::Index}) {
        std::string usage = UsageText(FindCommand(id));
        size_t at = usage.find("--types LIST");
        ASSERT_NE(at, std::string::npos);
        at = usage.find("any of ", at) + 7;
        std::string list = usage.substr(at, usage.find(' ', at) - at);
        std::optional<unsigned> mask = ParseTypes(list);
        ASSERT_TRUE(mask) << list;
        EXPECT_EQ(*mask & TYPE_ALL, static_cast<unsigned>(TYPE_ALL)) << list;
    }
}

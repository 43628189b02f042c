#include <cstdio>
#include <cstring>
#include <string>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/office_program.h"

namespace {

constexpr const char* kUsage =
    "usage: plotsieve-cli COMMAND [ARGS]\n"
    "commands:\n"
    "  search [OPTIONS] [PLACE]   list the drawings whose text holds a keyword\n"
    "  extract [OPTIONS] FILE...  print what the keyword test sees of drawings\n"
    "  preview FILE -o OUT        write the picture a drawing keeps as PNG\n"
    "  index [OPTIONS] [PLACE...] read the drawings into the text cache or the office index\n"
    "  cache stats|clear          the text cache's figures, or empty it\n"
    "  serve [OPTIONS]            serve the search page and its API over HTTP\n"
    "Run a command with --help for its options; --version prints the version.\n";

// A usage error of the program itself: one line, and where help is.
int ReportUsageError(const std::string& message) {
    std::fprintf(stderr,
                 "plotsieve-cli: %s\n"
                 "Try 'plotsieve-cli --help' for more information.\n",
                 message.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    RememberProgramArguments(argv);
    if (argc < 2) return ReportUsageError("a command is needed (search, extract, index, cache)");
    // Each command sees its own name as argv[0], as getopt expects.
    if (std::strcmp(argv[1], "extract") == 0) return RunExtractCommand(argc - 1, argv + 1);
    if (std::strcmp(argv[1], "preview") == 0) return RunPreviewCommand(argc - 1, argv + 1);
    if (std::strcmp(argv[1], "search") == 0) return RunSearchCommand(argc - 1, argv + 1);
    if (std::strcmp(argv[1], "index") == 0) return RunIndexCommand(argc - 1, argv + 1);
    if (std::strcmp(argv[1], "cache") == 0) return RunCacheCommand(argc - 1, argv + 1);
    if (std::strcmp(argv[1], "serve") == 0) return RunServeCommand(argc - 1, argv + 1);
    if (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0) {
        return WriteToStdout(kUsage, "help");
    }
    if (std::strcmp(argv[1], "--version") == 0) return PrintVersion();
    return ReportUsageError(std::string("unknown command '") + argv[1] + "'");
}

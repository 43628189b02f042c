#include <cstdio>
#include <cstring>

#include "cli/command_line.h"
#include "cli/commands.h"

namespace {

void PrintUsage(FILE* to) {
    std::fputs(
        "usage: plotsieve-cli COMMAND [ARGS]\n"
        "commands:\n"
        "  search [OPTIONS] [PLACE]   list the drawings whose text holds a keyword\n"
        "  extract [OPTIONS] FILE...  print what the keyword test sees of drawings\n"
        "  preview FILE -o OUT        write the picture a drawing keeps as PNG\n"
        "  index [OPTIONS] [PLACE]    read every drawing under PLACE into the text cache\n"
        "  cache stats|clear          the text cache's figures, or empty it\n"
        "Run a command with --help for its options; --version prints the version.\n",
        to);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    // Each command sees its own name as argv[0], as getopt expects.
    if (std::strcmp(argv[1], "extract") == 0) return RunExtractCommand(argc - 1, argv + 1);
    if (std::strcmp(argv[1], "preview") == 0) return RunPreviewCommand(argc - 1, argv + 1);
    if (std::strcmp(argv[1], "search") == 0) return RunSearchCommand(argc - 1, argv + 1);
    if (std::strcmp(argv[1], "index") == 0) return RunIndexCommand(argc - 1, argv + 1);
    if (std::strcmp(argv[1], "cache") == 0) return RunCacheCommand(argc - 1, argv + 1);
    if (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0) {
        PrintUsage(stdout);
        return std::fflush(stdout) == 0 ? 0 : 2;
    }
    if (std::strcmp(argv[1], "--version") == 0) return PrintVersion();
    std::fprintf(stderr, "plotsieve-cli: unknown command '%s'\n", argv[1]);
    PrintUsage(stderr);
    return 2;
}

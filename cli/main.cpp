#include <cstdio>
#include <cstring>

#include "cli/commands.h"

namespace {

void PrintUsage(FILE* to) {
    std::fputs(
        "usage: plotsieve-cli COMMAND [ARGS]\n"
        "commands:\n"
        "  search [OPTIONS] PLACE     list the drawings whose text holds a keyword\n"
        "  extract [OPTIONS] FILE...  print what the keyword test sees of drawings\n"
        "Run a command with --help for its options.\n",
        to);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "extract") == 0) return RunExtractCommand(argc - 2, argv + 2);
    if (std::strcmp(argv[1], "search") == 0) return RunSearchCommand(argc - 2, argv + 2);
    if (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0) {
        PrintUsage(stdout);
        return 0;
    }
    std::fprintf(stderr, "plotsieve-cli: unknown command '%s'\n", argv[1]);
    PrintUsage(stderr);
    return 2;
}

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "platform/encoding.h"
#include "platform/fs.h"
#include "search/extract_text.h"

namespace {

void PrintUsage(FILE* to) {
    std::fputs(
        "usage: plotsieve-cli extract [--raw] FILE...\n"
        "Prints the text each drawing stores, one value per line, converted to UTF-8.\n"
        "  --raw   print the exact CP932 bytes, each value ended by CR LF\n",
        to);
}

void Write(std::string_view bytes) { std::fwrite(bytes.data(), 1, bytes.size(), stdout); }

// The extracted text for a terminal: CP932 to UTF-8, each CR LF as one LF.
std::string ForDisplay(const std::string& text) {
    std::string lines;
    lines.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        lines += text[i];
    }
    return Cp932ToUtf8(lines);
}

}  // namespace

int RunExtractCommand(int argc, char** argv) {
    bool raw = false;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (!optionsEnded && arg == "--raw") {
            raw = true;
        } else if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "-h" || arg == "--help")) {
            PrintUsage(stdout);
            return 0;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "plotsieve-cli extract: unknown option '%s'\n", arg.c_str());
            PrintUsage(stderr);
            return 2;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        PrintUsage(stderr);
        return 2;
    }

    int status = 0;
    for (size_t k = 0; k < files.size(); ++k) {
        const std::string& path = files[k];
        if (files.size() > 1) {
            if (k > 0 && !raw) Write("\n");
            Write("==> " + path + " <==\n");
        }
        ExtractedText text;
        if (!ExtractText(path, text)) {
            std::fflush(stdout);
            std::fprintf(stderr, "plotsieve-cli: cannot read '%s': %s\n", path.c_str(),
                         LastReadError().c_str());
            status = 2;
            continue;
        }
        std::string joined = text.Joined();
        Write(raw ? joined : ForDisplay(joined));
    }
    std::fflush(stdout);
    return status;
}

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "bytes/text_kind.h"
#include "cli/commands.h"
#include "platform/encoding.h"
#include "platform/fs.h"
#include "search/extract_text.h"
#include "search/text_cleanup.h"

namespace {

void PrintUsage(FILE* to) {
    std::fputs(
        "usage: plotsieve-cli extract [--raw] [--kinds LIST] [--show-kind] FILE...\n"
        "Prints what the keyword test sees of each drawing: every line of its text after\n"
        "the clean-up of its kind (MTEXT codes, %% codes and \\U+ escapes), converted to\n"
        "UTF-8, one line per line (an MTEXT paragraph break starts a new line).\n"
        "  --raw          print the stored CP932 bytes instead, each line ended by CR LF\n"
        "  --kinds LIST   only the lines of these kinds (comma-separated, any case):\n"
        "                 TEXT MTEXT ATTRIB ATTDEF ATTDEF_TAG ATTDEF_PROMPT DIMENSION\n"
        "                 MULTILEADER TABLE_CELL MOJI JW_DIMENSION JW_BLOCK JW_MEMO\n"
        "                 JW_TITLE MCD_TEXT DRACAD_TEXT\n"
        "  --show-kind    begin each printed line with its kind and a tab\n",
        to);
}

void Write(std::string_view bytes) { std::fwrite(bytes.data(), 1, bytes.size(), stdout); }

// The kinds a comma-separated list names, as a set indexed by kind; nothing
// when a name is unknown (`bad` then holds it).
std::optional<std::vector<bool>> ParseKinds(std::string_view list, std::string& bad) {
    std::vector<bool> chosen(kTextKindCount, false);
    while (true) {
        size_t comma = list.find(',');
        std::string_view name = list.substr(0, comma);
        std::optional<TextKind> kind = TextKindFromName(name);
        if (!kind) {
            bad = std::string(name);
            return std::nullopt;
        }
        chosen[static_cast<size_t>(*kind)] = true;
        if (comma == std::string_view::npos) return chosen;
        list.remove_prefix(comma + 1);
    }
}

struct ExtractOptions {
    bool raw = false;
    bool showKind = false;
    std::vector<bool> kinds = std::vector<bool>(kTextKindCount, true);
};

// The lines of `text` as the options ask for them, CP932: raw, each line and
// CR LF; otherwise each line after clean-up and LF, a line break inside a
// cleaned line starting a printed line of its own (with its own kind prefix).
std::string FormatLines(const ExtractedText& text, const ExtractOptions& options) {
    std::string out;
    std::string cleaned;
    for (size_t i = 0; i < text.size(); ++i) {
        TextLine line = text[i];
        if (!options.kinds[static_cast<size_t>(line.kind)]) continue;
        std::string prefix;
        if (options.showKind) {
            prefix = TextKindName(line.kind);
            prefix += '\t';
        }
        if (options.raw) {
            out += prefix;
            out.append(line.text);
            out += "\r\n";
            continue;
        }
        cleaned.clear();
        AppendCleanLine(line.kind, line.text, cleaned);
        out += prefix;
        for (char ch : cleaned) {
            out += ch;
            if (ch == '\n') out += prefix;
        }
        out += '\n';
    }
    return out;
}

}  // namespace

int RunExtractCommand(int argc, char** argv) {
    ExtractOptions options;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i];
        if (!optionsEnded && arg == "--raw") {
            options.raw = true;
        } else if (!optionsEnded && arg == "--show-kind") {
            options.showKind = true;
        } else if (!optionsEnded && (arg == "--kinds" || arg.rfind("--kinds=", 0) == 0)) {
            std::string list;
            if (arg != "--kinds") {
                list = arg.substr(std::strlen("--kinds="));
            } else if (i + 1 < argc) {
                list = argv[++i];
            } else {
                std::fprintf(stderr, "plotsieve-cli extract: --kinds needs a list of kinds\n");
                PrintUsage(stderr);
                return 2;
            }
            std::string bad;
            std::optional<std::vector<bool>> kinds = ParseKinds(list, bad);
            if (!kinds) {
                std::fprintf(stderr, "plotsieve-cli extract: unknown kind '%s'\n", bad.c_str());
                PrintUsage(stderr);
                return 2;
            }
            options.kinds = std::move(*kinds);
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
            if (k > 0 && !options.raw) Write("\n");
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
        std::string lines = FormatLines(text, options);
        Write(options.raw ? lines : Cp932ToUtf8(lines));
    }
    std::fflush(stdout);
    return status;
}

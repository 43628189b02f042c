#include <getopt.h>
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "bytes/text_kind.h"
#include "cli/commands.h"
#include "cli/option_errors.h"
#include "cli/output_stream.h"
#include "match/text_cleanup.h"
#include "platform/encoding.h"
#include "platform/read_result.h"
#include "plotsieve_version.h"
#include "search/extract_text.h"

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
        "  --show-kind    begin each printed line with its kind and a tab\n"
        "  --version      print the version and exit\n"
        "  -h, --help     print this help and exit\n"
        "Options and files come in any order; \"--\" ends the options.\n"
        "Exit status: 0, or 2 when a file could not be read (the others are still\n"
        "printed), for a usage error, or when the output could not be written.\n",
        to);
}

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

// Values of the options, all long-only but --help.
enum ExtractOption { OPT_RAW = 256, OPT_KINDS, OPT_SHOW_KIND, OPT_VERSION };

const option kExtractOptions[] = {
    {"raw", no_argument, nullptr, OPT_RAW},
    {"kinds", required_argument, nullptr, OPT_KINDS},
    {"show-kind", no_argument, nullptr, OPT_SHOW_KIND},
    {"version", no_argument, nullptr, OPT_VERSION},
    {"help", no_argument, nullptr, 'h'},
    {nullptr, 0, nullptr, 0},
};

int UsageError(const std::string& message) {
    std::fprintf(stderr, "plotsieve-cli extract: %s\n", message.c_str());
    PrintUsage(stderr);
    return 2;
}

}  // namespace

int RunExtractCommand(int argc, char** argv) {
    ExtractOptions options;
    optind = 0;  // a fresh scan (GNU getopt)
    opterr = 0;  // messages are ours
    for (int code; (code = getopt_long(argc, argv, ":h", kExtractOptions, nullptr)) != -1;) {
        switch (code) {
            case OPT_RAW:
                options.raw = true;
                break;
            case OPT_SHOW_KIND:
                options.showKind = true;
                break;
            case OPT_KINDS: {
                std::string bad;
                std::optional<std::vector<bool>> kinds = ParseKinds(optarg, bad);
                if (!kinds) return UsageError("unknown kind '" + bad + "'");
                options.kinds = std::move(*kinds);
                break;
            }
            case OPT_VERSION:
                std::printf("plotsieve-cli %s\n", PLOTSIEVE_VERSION);
                return std::fflush(stdout) == 0 ? 0 : 2;
            case 'h':
                PrintUsage(stdout);
                return std::fflush(stdout) == 0 ? 0 : 2;
            case ':':
                return UsageError(OptionInError(argc, argv, true) + " needs a value");
            default:
                return UsageError("unknown option: " + OptionInError(argc, argv, false));
        }
    }
    std::vector<std::string> files(argv + optind, argv + argc);
    if (files.empty()) {
        PrintUsage(stderr);
        return 2;
    }
    // A closed pipe shows as EPIPE on the write, which ends the command quietly.
    signal(SIGPIPE, SIG_IGN);
    OutputStream out(stdout);

    int status = 0;
    for (size_t k = 0; k < files.size() && !out.Failed(); ++k) {
        const std::string& path = files[k];
        if (files.size() > 1) {
            if (k > 0 && !options.raw) out.Write("\n");
            out.Write("==> " + path + " <==\n");
        }
        ExtractedText text;
        if (ReadResult<void> read = ExtractText(path, text); !read) {
            out.Flush();
            std::fprintf(stderr, "plotsieve-cli: cannot read '%s': %s\n", path.c_str(),
                         read.Error().reason.c_str());
            status = 2;
            continue;
        }
        std::string lines = FormatLines(text, options);
        out.Write(options.raw ? lines : Cp932ToUtf8(lines));
        out.Flush();
    }
    out.Flush();
    if (out.Error() == EPIPE) return 0;
    if (out.Failed()) {
        std::fprintf(stderr, "plotsieve-cli: cannot write the text: %s\n",
                     std::strerror(out.Error()));
        return 2;
    }
    return status;
}

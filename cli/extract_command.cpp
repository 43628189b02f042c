#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "bytes/text_kind.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/output_stream.h"
#include "cli/stop_signals.h"
#include "match/text_cleanup.h"
#include "platform/encoding.h"
#include "platform/read_result.h"
#include "search/drawing_types.h"
#include "search/extract_text.h"

namespace {

// The kinds a comma-separated list names, as a set indexed by kind; or the
// first name that is no kind.
struct KindsOrUnknown {
    std::optional<std::vector<bool>> kinds = {};
    std::string unknown = {};
};

KindsOrUnknown ParseKinds(std::string_view list) {
    std::vector<bool> chosen(kTextKindCount, false);
    while (true) {
        size_t comma = list.find(',');
        std::string_view name = list.substr(0, comma);
        std::optional<TextKind> kind = TextKindFromName(name);
        if (!kind) return {.unknown = std::string(name)};
        chosen[static_cast<size_t>(*kind)] = true;
        if (comma == std::string_view::npos) return {.kinds = std::move(chosen)};
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

// What the arguments after "extract" ask for.
struct ExtractCommandLine {
    enum class Action { Extract, Help, Version, UsageError, NoFiles };
    Action action = Action::Extract;
    ExtractOptions options;
    std::vector<std::string> files;
    std::string error;  // the usage error's message
};

ExtractCommandLine ParseExtractCommandLine(int argc, char** argv) {
    ExtractCommandLine line;
    auto refuse = [&line](std::string message) {
        line.action = ExtractCommandLine::Action::UsageError;
        line.error = std::move(message);
        return line;
    };
    OptionScanner scanner(FindCommand(CommandId::Extract), argc, argv);
    for (OptionStep step = scanner.Next(); step.kind != OptionStep::Kind::End;
         step = scanner.Next()) {
        if (step.kind == OptionStep::Kind::UsageError) return refuse(step.error);
        switch (step.id) {
            case OptionId::Raw:
                line.options.raw = true;
                break;
            case OptionId::ShowKind:
                line.options.showKind = true;
                break;
            case OptionId::Kinds: {
                KindsOrUnknown parsed = ParseKinds(step.value);
                if (!parsed.kinds) return refuse("unknown kind '" + parsed.unknown + "'");
                line.options.kinds = std::move(*parsed.kinds);
                break;
            }
            default:
                line.action = step.id == OptionId::Help ? ExtractCommandLine::Action::Help
                                                        : ExtractCommandLine::Action::Version;
                return line;
        }
    }
    line.files = scanner.Operands();
    if (line.files.empty()) line.action = ExtractCommandLine::Action::NoFiles;
    return line;
}

// "drawings are .dxf, .dwg, ... files": the types read, for a file of none.
std::string DrawingExtensions() {
    std::string list;
    for (const DrawingType& type : DrawingTypes()) {
        list += (list.empty() ? "." : ", .") + std::string(type.extension);
    }
    return "drawings are " + list + " files";
}

// Writes `bytes` and hands them to the system, as one write a second stop
// signal waits for.
void WriteWhole(OutputStream& out, std::string_view bytes) {
    WriteUnderWay writing;
    out.Write(bytes);
    out.Flush();
}

// Prints each file's lines, a "==> FILE <==" line before each when there are
// several, and names each file that cannot be read, or is of no drawing type,
// on stderr. A stop signal ends the printing after the file being printed.
// Returns 2 when a file could not be read, else 0.
int PrintFiles(const ExtractCommandLine& line, OutputStream& out) {
    int status = 0;
    const std::vector<std::string>& files = line.files;
    for (size_t k = 0; k < files.size() && !out.Failed() && StopSignal() == 0; ++k) {
        const std::string& path = files[k];
        if (files.size() > 1) {
            WriteWhole(out, (k > 0 && !line.options.raw ? "\n==> " : "==> ") + path + " <==\n");
        }
        ExtractedText text;
        ReadResult<void> read = ExtractText(path, text);
        if (read && DrawingTypeOfPath(path) == nullptr) {
            read = ReadError{.reason = "not a drawing (" + DrawingExtensions() + ")"};
        }
        if (!read) {
            std::fprintf(stderr, "plotsieve-cli: cannot read '%s': %s\n", path.c_str(),
                         read.Error().reason.c_str());
            status = 2;
            continue;
        }
        std::string lines = FormatLines(text, line.options);
        WriteWhole(out, line.options.raw ? lines : Cp932ToUtf8(lines));
    }
    return status;
}

}  // namespace

int RunExtractCommand(int argc, char** argv) {
    const CommandDef& command = FindCommand(CommandId::Extract);
    ExtractCommandLine line = ParseExtractCommandLine(argc, argv);
    switch (line.action) {
        case ExtractCommandLine::Action::Help:
            return PrintHelp(command);
        case ExtractCommandLine::Action::Version:
            return PrintVersion();
        case ExtractCommandLine::Action::UsageError:
            return ReportUsageError(command, line.error);
        case ExtractCommandLine::Action::NoFiles:
            return ReportUsageError(command, "no FILE given");
        case ExtractCommandLine::Action::Extract:
            break;
    }
    // A closed pipe shows as EPIPE on the write, which ends the command
    // quietly; a stop signal after the file being printed, by that signal.
    signal(SIGPIPE, SIG_IGN);
    CatchStopSignals();
    EndOnSecondSignal();
    OutputStream out(stdout);
    int status = PrintFiles(line, out);
    out.Flush();
    if (out.Error() == EPIPE) return 0;
    if (int stop = StopSignal(); stop != 0 && !out.Failed()) return EndBySignal(stop);
    if (out.Failed()) {
        std::fprintf(stderr, "plotsieve-cli: cannot write the text: %s\n",
                     std::strerror(out.Error()));
        return 2;
    }
    return status;
}

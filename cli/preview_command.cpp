#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "dwg/preview_png.h"
#include "search/drawing_preview.h"

namespace {

// What the arguments after "preview" ask for.
struct PreviewCommandLine {
    enum class Action { Write, Help, Version, UsageError };
    Action action = Action::Write;
    std::string drawing;
    std::string output;  // "-": standard output
    std::string error;   // the usage error's message
};

PreviewCommandLine ParsePreviewCommandLine(int argc, char** argv) {
    PreviewCommandLine line;
    auto refuse = [&line](std::string message) {
        line.action = PreviewCommandLine::Action::UsageError;
        line.error = std::move(message);
        return line;
    };
    OptionScanner scanner(FindCommand(CommandId::Preview), argc, argv);
    for (OptionStep step = scanner.Next(); step.kind != OptionStep::Kind::End;
         step = scanner.Next()) {
        if (step.kind == OptionStep::Kind::UsageError) return refuse(step.error);
        switch (step.id) {
            case OptionId::Output:
                if (step.value.empty()) return refuse("--output needs a file name");
                line.output = step.value;
                break;
            default:
                line.action = step.id == OptionId::Help ? PreviewCommandLine::Action::Help
                                                        : PreviewCommandLine::Action::Version;
                return line;
        }
    }
    std::vector<std::string> operands = scanner.Operands();
    if (operands.size() != 1) return refuse("one drawing is needed");
    if (line.output.empty()) return refuse("-o OUT names the PNG file to write");
    line.drawing = operands[0];
    return line;
}

// Writes `png` to `path` ("-": standard output); the reason when it fails.
std::string WritePng(const std::string& path, const std::vector<uint8_t>& png) {
    const bool toStdout = path == "-";
    FILE* file = toStdout ? stdout : std::fopen(path.c_str(), "wb");
    if (file == nullptr) return std::strerror(errno);
    bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    int error = errno;
    if (toStdout) {
        written = std::fflush(file) == 0 && written;
    } else {
        written = std::fclose(file) == 0 && written;
    }
    if (!written) error = errno;
    return written ? std::string() : std::strerror(error);
}

}  // namespace

int RunPreviewCommand(int argc, char** argv) {
    const CommandDef& command = FindCommand(CommandId::Preview);
    PreviewCommandLine line = ParsePreviewCommandLine(argc, argv);
    switch (line.action) {
        case PreviewCommandLine::Action::Help:
            return PrintHelp(command);
        case PreviewCommandLine::Action::Version:
            return PrintVersion();
        case PreviewCommandLine::Action::UsageError:
            return ReportUsageError(command, line.error);
        case PreviewCommandLine::Action::Write:
            break;
    }
    ReadResult<DrawingPreview> preview = ReadDrawingPreview(line.drawing);
    if (!preview) {
        std::fprintf(stderr, "plotsieve-cli: cannot read '%s': %s\n", line.drawing.c_str(),
                     preview.Error().reason.c_str());
        return 2;
    }
    if (preview->format == PreviewFormat::Wmf) {
        std::fprintf(stderr,
                     "plotsieve-cli: '%s' keeps its picture only as a Windows metafile, which is "
                     "not converted\n",
                     line.drawing.c_str());
        return 1;
    }
    std::vector<uint8_t> png = PreviewAsPng(*preview);
    if (png.empty()) {
        std::fprintf(stderr, "plotsieve-cli: '%s' keeps no picture of itself\n",
                     line.drawing.c_str());
        return 1;
    }
    // A closed pipe shows as EPIPE on the write.
    signal(SIGPIPE, SIG_IGN);
    if (std::string problem = WritePng(line.output, png); !problem.empty()) {
        if (line.output == "-" && errno == EPIPE) return 0;
        std::fprintf(stderr, "plotsieve-cli: cannot write '%s': %s\n", line.output.c_str(),
                     problem.c_str());
        return 2;
    }
    return 0;
}

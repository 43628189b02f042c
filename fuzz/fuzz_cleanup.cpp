#include <algorithm>
#include <string>
#include <string_view>

#include "bytes/cp932.h"
#include "fuzz/fuzz_support.h"
#include "match/line_match.h"
#include "match/text_cleanup.h"

namespace {

// True when the text's last character is a lead byte with nothing after it.
bool EndsInLoneLeadByte(std::string_view text) {
    size_t last = 0;
    for (size_t k = 0; k < text.size(); k += Cp932CharLength(text, k)) last = k;
    return !text.empty() && last == text.size() - 1 && IsCp932LeadByte(text[last]);
}

}  // namespace

// The first byte picks the kind; the rest is one line of text. The clean-up
// never grows the line, gives the same for the same line, leaves a line that
// the quick test passes over unchanged, and parts no double-byte character
// (a lone lead byte only where the line ends with one). The line's cleaned
// form, as a keyword, finds the line and gives it back. Lines are cut at
// 8 KiB: longer ones add no new paths, only time.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    size = std::min(size, size_t{8} << 10);
    auto kind = static_cast<TextKind>(data[0] % kTextKindCount);
    std::vector<uint8_t> copy = ExactCopy(data + 1, size - 1);
    std::string_view line(reinterpret_cast<const char*>(copy.data()), copy.size());

    std::string cleaned = CleanLine(kind, line);
    if (cleaned.size() > line.size()) std::abort();
    if (CleanLine(kind, line) != cleaned) std::abort();
    if (!MayNeedCleanup(kind, line) && cleaned != line) std::abort();
    if (EndsInLoneLeadByte(cleaned) && !EndsInLoneLeadByte(line)) std::abort();
    std::string appended = "x";
    AppendCleanLine(kind, line, appended);
    if (std::string_view(appended).substr(1) != cleaned) std::abort();

    ExtractedText text;
    text.Add(kind, line);
    std::string piece = MatchForm(cleaned);
    if (!piece.empty() && cleaned.find('\n') == std::string::npos) {
        std::optional<LineMatch> match = FindMatchingLine(text, KeywordList{piece});
        if (!match || match->text != cleaned || match->kind != kind) std::abort();
    }
    return 0;
}

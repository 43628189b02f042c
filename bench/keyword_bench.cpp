// Throughput of the keyword test over a drawing's lines: per line, clean-up
// by kind, match form and search (FindMatchingLine), against the whole text
// folded and searched at once (TextMatchesKeywords over the joined lines).
// The keyword never matches, so every line is tested.
#include <benchmark/benchmark.h>

#include <string>

#include "match/keywords.h"
#include "match/line_match.h"

namespace {

// About 8 MB of text as a Japanese drawing holds it: short TEXT values
// (dimensions, labels), some MTEXT with codes, attribute values.
ExtractedText MakeText(bool withCodes) {
    ExtractedText text;
    const std::string label = "\x82\x51\x8a\x4b\x95\xbd\x96\xca\x90\x7d";  // ２階平面図
    const std::string mtext = withCodes
                                  ? "{\\fMS Gothic|b0|i0;\\H2.5;" + label + "}\\P\\A1;1\\S1/2;"
                                  : label + label + "1/2 A";
    for (unsigned n = 0; text.ByteCount() < (size_t{8} << 20) - 64; ++n) {
        switch (n % 8) {
            case 0:
                text.Add(TextKind::MText, mtext);
                break;
            case 1:
                text.Add(TextKind::Attrib, label);
                break;
            case 2:
                text.Add(TextKind::Text, withCodes ? "45%%d" : "45 deg");
                break;
            default:
                text.Add(TextKind::Text, std::to_string(1000 + n % 9000));
                break;
        }
    }
    return text;
}

void PerLine(benchmark::State& state) {
    ExtractedText text = MakeText(state.range(0) != 0);
    KeywordList keywords = PrepareKeywords("\x94\x7a\x92\x75\x90\x7d|XYZ");  // 配置図|XYZ
    for (auto _ : state) benchmark::DoNotOptimize(FindMatchingLine(text, keywords));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.ByteCount()));
}

void WholeText(benchmark::State& state) {
    std::string joined = MakeText(state.range(0) != 0).Joined();
    KeywordList keywords = PrepareKeywords("\x94\x7a\x92\x75\x90\x7d|XYZ");
    for (auto _ : state) benchmark::DoNotOptimize(TextMatchesKeywords(joined, keywords));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * joined.size()));
}

}  // namespace

BENCHMARK(PerLine)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(WholeText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

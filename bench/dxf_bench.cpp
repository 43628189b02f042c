// Throughput of the DXF reader over a generated drawing of about 50 MB, laid
// out as CAD programs write them: mostly LINE and CIRCLE entities with
// coordinates, one TEXT entity in twenty with Shift-JIS text.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "extract/dxf.h"

namespace {

std::string MakeDxf(size_t targetBytes, const char* eol) {
    std::string dxf;
    dxf.reserve(targetBytes + 4096);
    auto line = [&](const char* text) {
        dxf += text;
        dxf += eol;
    };
    char number[32];
    auto value = [&](double v) {
        std::snprintf(number, sizeof number, "%.6f", v);
        line(number);
    };
    line("  0");
    line("SECTION");
    line("  2");
    line("ENTITIES");
    for (unsigned n = 0; dxf.size() < targetBytes; ++n) {
        if (n % 20 == 0) {
            line("  0");
            line("TEXT");
            line("  8");
            line("\x95\xb6\x8e\x9a");  // 文字
            line(" 10");
            value(n * 0.5);
            line(" 20");
            value(n * 0.25);
            line(" 40");
            value(2.5);
            line("  1");
            line("\x82\x51\x8a\x4b\x95\xbd\x96\xca\x90\x7d \x8f\x6b\x8e\xda 1/100");  // ２階平面図
                                                                                      // 縮尺
        } else {
            line("  0");
            line(n % 3 ? "LINE" : "CIRCLE");
            line("  8");
            line("0");
            line(" 62");
            line("     1");
            line(" 10");
            value(n * 1.125);
            line(" 20");
            value(n * 2.5);
            line(" 11");
            value(n * 1.0625 + 1);
            line(" 21");
            value(n * 3.75 - 1);
        }
    }
    line("  0");
    line("ENDSEC");
    line("  0");
    line("EOF");
    return dxf;
}

void BM_ExtractDxfText(benchmark::State& state, const char* eol) {
    const std::string dxf = MakeDxf(50'000'000, eol);
    const ByteView view{reinterpret_cast<const uint8_t*>(dxf.data()), dxf.size()};
    size_t textBytes = 0;
    for (auto _ : state) {
        std::string text = ExtractDxfText(view);
        textBytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * dxf.size()));
    state.counters["text_bytes"] = static_cast<double>(textBytes);
}

BENCHMARK_CAPTURE(BM_ExtractDxfText, crlf, "\r\n")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ExtractDxfText, lf, "\n")->Unit(benchmark::kMillisecond);

}  // namespace

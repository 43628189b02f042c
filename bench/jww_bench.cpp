// Throughput of the JW_CAD for Windows reader over a generated drawing of
// about 50 MB, laid out as JW_CAD writes one: mostly lines and arcs, a text or
// a dimension in every dozen objects, and 400 block definitions of 50 objects.
// Read in memory, and from a file on disk in blocks as the search reads it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "extract/jww.h"
#include "platform/file_source.h"
#include "tests/extract/jww_builder.h"  // the tests' writer of drawings

namespace {

using jww_testing::JwwBuilder;
using jww_testing::Str;

constexpr size_t kTarget = 50'000'000;
const std::string kText = Str("\x82\x51\x8a\x4b\x95\xbd\x96\xca\x90\x7d \x8f\x6b\x8e\xda 1/100");

// One run of drawing objects: 12 objects, two of them with text.
void WriteObjects(JwwBuilder& b) {
    for (int k = 0; k < 7; ++k) b.Sen();
    b.Enko().Enko().Ten().Moji(kText).Sunpou(Str("3,600"));
}

const std::string& Drawing() {
    static const std::string drawing = [] {
        constexpr uint32_t kBlocks = 400, kRunsPerBlock = 4;
        const size_t runs =
            (kTarget - kBlocks * kRunsPerBlock * 1000) / 1000;  // about 1000 bytes each
        JwwBuilder b(600);
        b.Header(Str("benchmark")).Count(static_cast<uint32_t>(runs * 12));
        for (size_t n = 0; n < runs; ++n) WriteObjects(b);
        b.Count(kBlocks);
        for (uint32_t n = 0; n < kBlocks; ++n) {
            b.List(Str("block"), kRunsPerBlock * 12 + 2).Block().Solid(10);
            for (uint32_t k = 0; k < kRunsPerBlock; ++k) WriteObjects(b);
        }
        return b.bytes();
    }();
    return drawing;
}

void Report(benchmark::State& state, size_t lines) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Drawing().size()));
    state.counters["lines"] = static_cast<double>(lines);
    state.counters["MB"] = static_cast<double>(Drawing().size()) / 1e6;
}

void BM_ExtractJwwInMemory(benchmark::State& state) {
    const std::string& file = Drawing();
    MemorySource source(ByteView{reinterpret_cast<const uint8_t*>(file.data()), file.size()});
    size_t lines = 0;
    for (auto _ : state) {
        ExtractedText text(SIZE_MAX);
        ExtractJwwText(source, text);
        lines = text.size();
    }
    Report(state, lines);
}

void BM_ExtractJwwFromFile(benchmark::State& state) {
    std::filesystem::path path = std::filesystem::temp_directory_path() / "plotsieve_bench.jww";
    {
        std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(path.c_str(), "wb"), std::fclose);
        if (!out ||
            std::fwrite(Drawing().data(), 1, Drawing().size(), out.get()) != Drawing().size()) {
            state.SkipWithError("cannot write the drawing to the temporary folder");
            return;
        }
    }
    size_t lines = 0;
    for (auto _ : state) {
        ReadResult<std::unique_ptr<ByteSource>> source = OpenFileSource(path.string());
        ExtractedText text(SIZE_MAX);
        if (source) ExtractJwwText(**source, text);
        lines = text.size();
    }
    std::filesystem::remove(path);
    Report(state, lines);
}

BENCHMARK(BM_ExtractJwwInMemory)->Name("ExtractJwwText/memory")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractJwwFromFile)->Name("ExtractJwwText/file")->Unit(benchmark::kMillisecond);

}  // namespace

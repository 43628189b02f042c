// Throughput of the DWG reader over the real drawings in the fixtures folder
// (../shared/fixtures/dwg, or PLOTSIEVE_FIXTURES): files per second and MB/s
// (10^6 bytes) over the drawings of each version together and over each
// drawing, read from memory and from the file with positioned reads (as the
// search reads them). Without the folder the program reports one skipped
// benchmark and exits normally.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/dwg_fixtures.h"
#include "dwg/dwg.h"
#include "platform/file_source.h"

namespace {

void Extract(benchmark::State& state, std::vector<const Drawing*> drawings, bool fromFile) {
    size_t bytes = 0;
    for (const Drawing* d : drawings) bytes += d->bytes.size();
    size_t textBytes = 0;
    for (auto _ : state) {
        textBytes = 0;
        for (const Drawing* d : drawings) {
            ExtractedText text;
            if (fromFile) {
                ReadResult<std::unique_ptr<ByteSource>> source = OpenFileSource(d->path);
                if (source) ExtractDwgText(**source, text);
            } else {
                MemorySource source(AsBytes(d->bytes));
                ExtractDwgText(source, text);
            }
            textBytes += text.ByteCount();
            benchmark::DoNotOptimize(text.size());
        }
    }
    double iterations = static_cast<double>(state.iterations());
    state.counters["files/s"] = benchmark::Counter(
        iterations * static_cast<double>(drawings.size()), benchmark::Counter::kIsRate);
    state.counters["MB/s"] = benchmark::Counter(iterations * static_cast<double>(bytes) / 1e6,
                                                benchmark::Counter::kIsRate);
    state.counters["text_bytes"] = static_cast<double>(textBytes);
}

bool RegisterDwgBenchmarks() {
    static const std::vector<Drawing> drawings = LoadDwgFixtures();
    if (drawings.empty()) {
        benchmark::RegisterBenchmark("BM_ExtractDwgText/no_fixtures", [](benchmark::State& state) {
            for (auto _ : state) {
            }
            state.SkipWithError("no DWG fixtures: set PLOTSIEVE_FIXTURES to the fixtures folder");
        })->Iterations(1);
        return false;
    }
    std::map<std::string, std::vector<const Drawing*>> byVersion;
    for (const Drawing& d : drawings) byVersion[d.bytes.substr(0, 6)].push_back(&d);
    for (bool fromFile : {false, true}) {
        std::string place = fromFile ? "/file" : "/memory";
        for (const auto& [version, group] : byVersion) {
            benchmark::RegisterBenchmark(("BM_ExtractDwgText/" + version + place).c_str(), Extract,
                                         group, fromFile)
                ->Unit(benchmark::kMicrosecond);
        }
        for (const Drawing& d : drawings) {
            benchmark::RegisterBenchmark(("BM_ExtractDwgText/" + d.name + place).c_str(), Extract,
                                         std::vector<const Drawing*>{&d}, fromFile)
                ->Unit(benchmark::kMicrosecond);
        }
    }
    return true;
}

const bool kRegistered = RegisterDwgBenchmarks();

}  // namespace

// Cost of the AC1021 container over the AC1021 drawings in the fixtures folder
// (../shared/fixtures/dwg, or PLOTSIEVE_FIXTURES): opening it (file header,
// page map, section map) and reading "AcDb:Handles", "AcDb:AcDbObjects" and
// "AcDb:Classes" whole. Reports files/s, MB/s of drawing and MB/s of section
// data (10^6 bytes). Without such drawings it reports one skipped benchmark.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/dwg_fixtures.h"
#include "dwg/r2007_container.h"

namespace {

void ReadSections(benchmark::State& state, const Drawing* drawing) {
    uint64_t sectionBytes = 0;
    std::vector<uint8_t> scratch;
    for (auto _ : state) {
        sectionBytes = 0;
        MemorySource file(AsBytes(drawing->bytes));
        std::unique_ptr<DwgContainer> container = OpenR2007Container(file);
        if (container == nullptr) {
            state.SkipWithError("the container does not open");
            return;
        }
        for (const char* name : {"AcDb:Handles", "AcDb:AcDbObjects", "AcDb:Classes"}) {
            std::unique_ptr<ByteSource> section = container->OpenSection(name);
            if (section == nullptr) continue;
            ByteView data = section->Read(0, static_cast<size_t>(section->Size()), scratch);
            sectionBytes += data.size;
            benchmark::DoNotOptimize(data.data);
        }
    }
    double iterations = static_cast<double>(state.iterations());
    state.counters["files/s"] = benchmark::Counter(iterations, benchmark::Counter::kIsRate);
    state.counters["MB/s"] = benchmark::Counter(
        iterations * static_cast<double>(drawing->bytes.size()) / 1e6, benchmark::Counter::kIsRate);
    state.counters["section_MB/s"] = benchmark::Counter(
        iterations * static_cast<double>(sectionBytes) / 1e6, benchmark::Counter::kIsRate);
}

bool RegisterBenchmarks() {
    static const std::vector<Drawing> drawings = LoadDwgFixtures({"AC1021"});
    if (drawings.empty()) {
        benchmark::RegisterBenchmark("BM_R2007Container/no_fixtures", [](benchmark::State& state) {
            for (auto _ : state) {
            }
            state.SkipWithError(
                "no AC1021 drawings: set PLOTSIEVE_FIXTURES to the fixtures folder");
        })->Iterations(1);
        return false;
    }
    for (const Drawing& d : drawings) {
        benchmark::RegisterBenchmark(("BM_R2007Container/" + d.name).c_str(), ReadSections, &d)
            ->Unit(benchmark::kMicrosecond);
    }
    return true;
}

const bool kRegistered = RegisterBenchmarks();

}  // namespace

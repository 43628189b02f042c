// Cost of the 2004-or-later container over the real drawings in the fixtures
// folder (../shared/fixtures/dwg, or PLOTSIEVE_FIXTURES): opening it and
// reading the header, class, handle and object sections whole, as the text
// reader does. Files per second, MB/s of drawing and MB/s of decompressed
// section data (10^6 bytes). Without the folder the program reports one
// skipped benchmark and exits normally.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/dwg_fixtures.h"
#include "dwg/r2004_container.h"

namespace {

// The decompressed bytes of the sections the text reader reads.
size_t ReadSections(const Drawing& d) {
    MemorySource file(AsBytes(d.bytes));
    std::unique_ptr<DwgContainer> container = OpenR2004Container(file);
    if (!container) return 0;
    size_t total = 0;
    std::vector<uint8_t> scratch;
    for (const char* name : {"AcDb:Header", "AcDb:Classes", "AcDb:Handles", "AcDb:AcDbObjects"}) {
        std::unique_ptr<ByteSource> section = container->OpenSection(name);
        if (!section) continue;
        ByteView data = section->Read(0, static_cast<size_t>(section->Size()), scratch);
        benchmark::DoNotOptimize(data.data);
        total += data.size;
    }
    return total;
}

void OpenAndRead(benchmark::State& state, std::vector<const Drawing*> drawings) {
    size_t bytes = 0;
    for (const Drawing* d : drawings) bytes += d->bytes.size();
    size_t decompressed = 0;
    for (auto _ : state) {
        decompressed = 0;
        for (const Drawing* d : drawings) decompressed += ReadSections(*d);
    }
    double iterations = static_cast<double>(state.iterations());
    state.counters["files/s"] = benchmark::Counter(
        iterations * static_cast<double>(drawings.size()), benchmark::Counter::kIsRate);
    state.counters["MB/s"] = benchmark::Counter(iterations * static_cast<double>(bytes) / 1e6,
                                                benchmark::Counter::kIsRate);
    state.counters["out_MB/s"] = benchmark::Counter(
        iterations * static_cast<double>(decompressed) / 1e6, benchmark::Counter::kIsRate);
}

bool RegisterContainerBenchmarks() {
    static const std::vector<Drawing> drawings =
        LoadDwgFixtures({"AC1018", "AC1024", "AC1027", "AC1032"});
    if (drawings.empty()) {
        benchmark::RegisterBenchmark("BM_DwgContainer2004/no_fixtures", [](benchmark::State&
                                                                               state) {
            for (auto _ : state) {
            }
            state.SkipWithError("no 2004-or-later DWG fixtures: set PLOTSIEVE_FIXTURES");
        })->Iterations(1);
        return false;
    }
    std::vector<const Drawing*> all;
    for (const Drawing& d : drawings) all.push_back(&d);
    benchmark::RegisterBenchmark("BM_DwgContainer2004/all", OpenAndRead, all)
        ->Unit(benchmark::kMillisecond);
    for (const Drawing& d : drawings) {
        benchmark::RegisterBenchmark(("BM_DwgContainer2004/" + d.name).c_str(), OpenAndRead,
                                     std::vector<const Drawing*>{&d})
            ->Unit(benchmark::kMicrosecond);
    }
    return true;
}

const bool kRegistered = RegisterContainerBenchmarks();

}  // namespace

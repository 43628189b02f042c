// Cost of the AC1021 container over the AC1021 drawings in the fixtures folder
// (../shared/fixtures/dwg, or PLOTSIEVE_FIXTURES): opening it (file header,
// page map, section map) and reading "AcDb:Handles", "AcDb:AcDbObjects" and
// "AcDb:Classes" whole. Reports files/s, MB/s of drawing and MB/s of section
// data (10^6 bytes). Without such drawings it reports one skipped benchmark.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dwg/r2007_container.h"

namespace {

struct Drawing {
    std::string name;
    std::string bytes;
};

std::vector<Drawing> LoadDrawings() {
    const char* place = std::getenv("PLOTSIEVE_FIXTURES");
    std::filesystem::path dir = (place && *place) ? place : PLOTSIEVE_FIXTURES;
    dir /= "dwg";
    std::vector<Drawing> drawings;
    std::error_code error;
    if (!std::filesystem::is_directory(dir, error)) return drawings;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        if (entry.path().extension() != ".dwg") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::string bytes(std::istreambuf_iterator<char>(in), {});
        if (bytes.compare(0, 6, "AC1021") != 0) continue;
        drawings.push_back({entry.path().stem().string(), std::move(bytes)});
    }
    std::sort(drawings.begin(), drawings.end(),
              [](const Drawing& a, const Drawing& b) { return a.name < b.name; });
    return drawings;
}

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
    static const std::vector<Drawing> drawings = LoadDrawings();
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

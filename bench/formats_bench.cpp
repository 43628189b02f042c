// Throughput of the JW_CAD, MCD and DraCAD readers over generated drawings of
// about 50 MB each, laid out as the programs write them: mostly drawing data,
// with Shift-JIS text in a small share of the records.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "extract/dracad.h"
#include "extract/jw.h"
#include "extract/mcd.h"

namespace {

constexpr size_t kTarget = 50'000'000;
const std::string kText = "\x82\x51\x8a\x4b\x95\xbd\x96\xca\x90\x7d \x8f\x6b\x8e\xda 1/100";

// Drawing data: coordinates as their bytes, including the bytes that start
// the MCD tags (0xA4, 0x05), never a whole tag.
std::string Filler(size_t length, unsigned seed) {
    std::string bytes(length, '\0');
    for (size_t n = 0; n < length; ++n) bytes[n] = static_cast<char>((seed * 7 + n * 13) % 251);
    return bytes;
}

void Put32(std::string& bytes, size_t at, uint32_t v, bool bigEndian) {
    for (int k = 0; k < 4; ++k)
        bytes[at + k] = static_cast<char>(v >> (bigEndian ? 24 - 8 * k : 8 * k));
}

// Version 2382: one text record of each byte order after every 2000 bytes of data.
std::string MakeMcd() {
    const std::string little("\xA4\x2C\x79\x05\x00\x00\x00\x00\x00\x0A", 10);
    const std::string big("\x05\x79\x2C\xA4\x00\x00\x00\x00\x00\x0A", 10);
    std::string mcd("\x00\x00\x09\x4E", 4);
    for (unsigned n = 0; mcd.size() < kTarget; ++n) {
        mcd += Filler(2000, n);
        std::string record(4, '\0');
        record += n % 2 ? big : little;
        record += Filler(116 - record.size(), n + 1);
        record += kText + std::string(3, '\0');
        Put32(record, 0, static_cast<uint32_t>(record.size()), n % 2 != 0);
        mcd += record;
    }
    return mcd;
}

// A chain of 64-byte records, one text item (three head records and two
// continuation records) in every twenty records.
std::string MakeMpx() {
    std::string mpx(128, '\0');
    Put32(mpx, 36, 128, false);
    auto record = [&](uint8_t kind, const std::string& text) {
        std::string r = Filler(16, kind) + text;
        r.resize(64, '\0');
        r[0] = static_cast<char>(kind);
        mpx += r;
    };
    for (unsigned n = 0; mpx.size() < kTarget; ++n) {
        for (int k = 0; k < 15; ++k) record(1, Filler(48, n + k));
        record(5, "");
        record(0, "");
        record(0, "");
        record(0xFE, kText);
        record(0xFE, kText);
    }
    record(0xFF, "");
    return mpx;
}

// An entry table of line entries (type 3) with a text entry of twelve cells
// (type 5) in every tenth place, and the six planes after it.
std::string MakeMpp() {
    std::string table;
    for (unsigned n = 0; table.size() * 7 < kTarget; ++n) {
        table += n % 10 ? std::string("\x00\x03\x00\xFE\x00\xFE", 6)
                        : std::string("\x00\x05\x00\xFE\x00\xFE\x00\xFE", 8);
    }
    table += "\xFF\xFF";
    std::string planes = Filler(6 * table.size(), 3);
    return std::string(1024, '\0') + table + planes;
}

// A symbol whose text block, from 400 to the end, is strings between zeros.
std::string MakeJwk() {
    std::string jwk("jw_cad(c)sym", 12);
    jwk.resize(400, '\0');
    while (jwk.size() < kTarget) jwk += kText + '\0';
    return jwk;
}

template <std::string (*Make)(), void (*Extract)(ByteSource&, ExtractedText&)>
void BM_Extract(benchmark::State& state) {
    const std::string file = Make();
    MemorySource source({reinterpret_cast<const uint8_t*>(file.data()), file.size()});
    size_t textBytes = 0;
    for (auto _ : state) {
        ExtractedText text(SIZE_MAX);
        Extract(source, text);
        textBytes = text.ByteCount();
        benchmark::DoNotOptimize(text.size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
    state.counters["text_bytes"] = static_cast<double>(textBytes);
}

BENCHMARK(BM_Extract<MakeMcd, ExtractMcdText>)
    ->Name("ExtractMcdText")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Extract<MakeMpx, ExtractMpxText>)
    ->Name("ExtractMpxText")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Extract<MakeMpp, ExtractMppText>)
    ->Name("ExtractMppText")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Extract<MakeJwk, ExtractJwkText>)
    ->Name("ExtractJwkText")
    ->Unit(benchmark::kMillisecond);

}  // namespace

// Throughput of the DXF reader over a generated drawing of about 50 MB laid
// out as AutoCAD 2000 writes it: a header, layer and style tables, a block
// with attribute definitions, then an entity mix of lines, polylines, circles,
// arcs and hatches with text entities among them (TEXT, MTEXT with chunks,
// INSERT with ATTRIB, DIMENSION), every entity with its handle, owner and
// subclass markers. Read in place over a MemorySource, in 1 MiB blocks over
// the same bytes, and from a file (OpenFileSource, warm cache).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "extract/dxf.h"
#include "extract/dxf_blocks.h"
#include "platform/file_source.h"
#include "tests/block_limit_source.h"

namespace {

constexpr size_t kTarget = 50'000'000;

class DxfWriter {
  public:
    explicit DxfWriter(const char* eol) : m_eol(eol) { m_dxf.reserve(kTarget + (1 << 20)); }

    void Pair(int code, std::string_view value) {
        char number[16];
        std::snprintf(number, sizeof number, "%3d", code);
        m_dxf += number;
        m_dxf += m_eol;
        m_dxf += value;
        m_dxf += m_eol;
    }
    void Real(int code, double value) {
        char number[32];
        std::snprintf(number, sizeof number, "%.15g", value);
        Pair(code, number);
    }
    void Int(int code, long value) { Pair(code, std::to_string(value)); }
    void Point(int code, double x, double y) {
        Real(code, x);
        Real(code + 10, y);
        Real(code + 20, 0.0);
    }
    // The common head of an entity: type, handle, owner, layer, subclass.
    void Entity(std::string_view type, std::string_view subclass) {
        Pair(0, type);
        char handle[16];
        std::snprintf(handle, sizeof handle, "%X", m_handle++);
        Pair(5, handle);
        Pair(330, "1F");
        Pair(100, "AcDbEntity");
        Pair(8, "A-WALL");
        Pair(100, subclass);
    }
    size_t Size() const { return m_dxf.size(); }
    std::string Take() { return std::move(m_dxf); }

  private:
    const char* m_eol;
    std::string m_dxf;
    unsigned m_handle = 0x100;
};

const std::string kPlan =
    "\x82\x51\x8a\x4b\x95\xbd\x96\xca\x90\x7d \x8f\x6b\x8e\xda 1/100";  // ２階平面図 縮尺
const std::string kRoom = "\x8b\x8f\x8a\xd4";                           // 居間

void WriteHeaderAndTables(DxfWriter& w) {
    w.Pair(0, "SECTION");
    w.Pair(2, "HEADER");
    w.Pair(9, "$ACADVER");
    w.Pair(1, "AC1015");
    w.Pair(9, "$DWGCODEPAGE");
    w.Pair(3, "ANSI_932");
    for (int i = 0; i < 200; ++i) {
        w.Pair(9, "$VARIABLE" + std::to_string(i));
        w.Real(40, i * 0.5);
    }
    w.Pair(0, "ENDSEC");
    w.Pair(0, "SECTION");
    w.Pair(2, "TABLES");
    w.Pair(0, "TABLE");
    w.Pair(2, "LAYER");
    for (const char* layer : {"0", "A-WALL", "A-DOOR", "A-TEXT", "A-DIMS"}) {
        w.Pair(0, "LAYER");
        w.Pair(100, "AcDbSymbolTableRecord");
        w.Pair(2, layer);
        w.Int(70, 0);
        w.Int(62, 7);
        w.Pair(6, "CONTINUOUS");
    }
    w.Pair(0, "ENDTAB");
    w.Pair(0, "ENDSEC");
    w.Pair(0, "SECTION");
    w.Pair(2, "BLOCKS");
    w.Entity("BLOCK", "AcDbBlockBegin");
    w.Pair(2, "TITLE");
    w.Int(70, 2);
    w.Point(10, 0, 0);
    w.Pair(3, "TITLE");
    w.Entity("ATTDEF", "AcDbText");
    w.Point(10, 5, 5);
    w.Real(40, 3.5);
    w.Pair(1, "");
    w.Pair(100, "AcDbAttributeDefinition");
    w.Pair(3, "Drawing number");
    w.Pair(2, "DWGNO");
    w.Int(70, 0);
    w.Entity("ENDBLK", "AcDbBlockEnd");
    w.Pair(0, "ENDSEC");
}

std::string MakeDxf(const char* eol) {
    DxfWriter w(eol);
    WriteHeaderAndTables(w);
    w.Pair(0, "SECTION");
    w.Pair(2, "ENTITIES");
    for (unsigned n = 0; w.Size() < kTarget; ++n) {
        const double x = n * 1.125, y = n * 0.75;
        switch (n % 20) {
            case 0:
                w.Entity("TEXT", "AcDbText");
                w.Point(10, x, y);
                w.Real(40, 2.5);
                w.Pair(1, kPlan);
                w.Pair(7, "Standard");
                w.Pair(100, "AcDbText");
                break;
            case 1:
                w.Entity("MTEXT", "AcDbMText");
                w.Point(10, x, y);
                w.Real(40, 2.5);
                w.Real(41, 80.0);
                w.Int(71, 1);
                if (n % 200 == 1) w.Pair(3, std::string(250, 'M'));
                w.Pair(1, "{\\fMS Gothic|b0|i0;" + kRoom + "}\\P\\A1;" + kRoom + " 12.5\\U+33A1");
                w.Pair(7, "Standard");
                break;
            case 2:
                w.Entity("INSERT", "AcDbBlockReference");
                w.Int(66, 1);
                w.Pair(2, "TITLE");
                w.Point(10, x, y);
                w.Entity("ATTRIB", "AcDbText");
                w.Point(10, x + 5, y + 5);
                w.Real(40, 3.5);
                w.Pair(1, "A-" + std::to_string(n));
                w.Pair(100, "AcDbAttribute");
                w.Pair(2, "DWGNO");
                w.Int(70, 0);
                w.Entity("SEQEND", "AcDbSequenceEnd");
                break;
            case 3:
                w.Entity("DIMENSION", "AcDbDimension");
                w.Pair(2, "*D" + std::to_string(n));
                w.Point(10, x, y);
                w.Point(11, x + 50, y);
                w.Int(70, 32);
                w.Pair(1, n % 60 == 3 ? "<> typ." : "");
                w.Pair(3, "ISO-25");
                w.Pair(100, "AcDbAlignedDimension");
                w.Point(13, x, y);
                w.Point(14, x + 100, y);
                break;
            case 4:
            case 5:
            case 6:
            case 7: {
                w.Entity("LWPOLYLINE", "AcDbPolyline");
                const int vertices = 4 + n % 9;
                w.Int(90, vertices);
                w.Int(70, 1);
                w.Real(43, 0.0);
                for (int v = 0; v < vertices; ++v) {
                    w.Real(10, x + v * 10.0625);
                    w.Real(20, y - v * 3.375);
                }
                break;
            }
            case 8:
            case 9:
                w.Entity("CIRCLE", "AcDbCircle");
                w.Point(10, x, y);
                w.Real(40, 12.5 + n % 7);
                break;
            case 10:
                w.Entity("ARC", "AcDbCircle");
                w.Point(10, x, y);
                w.Real(40, 30.25);
                w.Pair(100, "AcDbArc");
                w.Real(50, 0.0);
                w.Real(51, 90.0);
                break;
            case 11:
                w.Entity("HATCH", "AcDbHatch");
                w.Point(10, 0, 0);
                w.Pair(2, "ANSI31");
                w.Int(70, 0);
                w.Int(71, 0);
                w.Int(91, 1);
                w.Int(92, 7);
                w.Int(72, 0);
                w.Int(73, 1);
                w.Int(93, 6);
                for (int v = 0; v < 6; ++v) {
                    w.Real(10, x + v * 2.5);
                    w.Real(20, y + v * 1.25);
                }
                w.Int(97, 0);
                w.Int(75, 0);
                w.Int(76, 1);
                w.Real(52, 0.0);
                w.Real(41, 1.0);
                break;
            default:
                w.Entity("LINE", "AcDbLine");
                w.Int(62, n % 8);
                w.Point(10, x, y);
                w.Point(11, x * 1.0625 + 1, y * 3.75 - 1);
                break;
        }
    }
    w.Pair(0, "ENDSEC");
    w.Pair(0, "EOF");
    return w.Take();
}

template <typename Read>
void Measure(benchmark::State& state, const std::string& dxf, Read read) {
    size_t lines = 0;
    for (auto _ : state) {
        ExtractedText text;
        read(text);
        lines = text.size();
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * dxf.size()));
    state.counters["lines"] = static_cast<double>(lines);
}

void BM_InPlace(benchmark::State& state, const char* eol) {
    const std::string dxf = MakeDxf(eol);
    MemorySource source(AsBytes(dxf));
    Measure(state, dxf, [&](ExtractedText& text) { ExtractDxfText(source, text); });
}

void BM_InBlocks(benchmark::State& state, const char* eol) {
    const std::string dxf = MakeDxf(eol);
    MemorySource inMemory(AsBytes(dxf));
    testing_support::BlockLimitSource source(inMemory, DxfBlocks::kBlockSize);
    Measure(state, dxf, [&](ExtractedText& text) { ExtractDxfText(source, text); });
}

void BM_FromFile(benchmark::State& state, const char* eol) {
    const std::string dxf = MakeDxf(eol);
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("plotsieve_dxf_bench_" + std::to_string(getpid()) + ".dxf");
    std::ofstream(path, std::ios::binary)
        .write(dxf.data(), static_cast<std::streamsize>(dxf.size()));
    Measure(state, dxf, [&](ExtractedText& text) {
        ReadResult<std::unique_ptr<ByteSource>> file = OpenFileSource(path.string());
        if (file) ExtractDxfText(**file, text);
    });
    std::filesystem::remove(path);
}

BENCHMARK_CAPTURE(BM_InPlace, crlf, "\r\n")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_InPlace, lf, "\n")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_InBlocks, crlf, "\r\n")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FromFile, crlf, "\r\n")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FromFile, lf, "\n")->Unit(benchmark::kMillisecond);

}  // namespace

// Throughput of the JW_CAD, MCD, DraCAD and SXF readers over generated
// drawings of about 50 MB each, laid out as the programs write them: mostly
// drawing data, with Shift-JIS text in a small share of the records (in SXF,
// text features and literals in the share a civil-engineering drawing has).
// The last benchmark reads a P21 file of 1 GB that is never held, through a
// source of its own, and reports the memory the reading took.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "bytes/byte_source.h"
#include "extract/dracad.h"
#include "extract/jw.h"
#include "extract/mcd.h"
#include "extract/sxf.h"

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

// A number as SXF writes it, in quotes, six decimals.
std::string Quoted(unsigned n, unsigned scale) {
    return "'" + std::to_string(n % scale) + "." + std::to_string(100000 + n % 900000) + "'";
}

// One SXF feature comment.
std::string SfcFeature(unsigned id, const std::string& body) {
    return "/*SXF\r\n#" + std::to_string(id) + " = " + body + "\r\nSXF*/\r\n\r\n";
}

// A feature-comment file with the mix of a structure drawing: of every 20
// features, 9 lines, 2 polylines, 5 texts, 2 linear dimensions, an arc and a
// label.
std::string MakeSfc() {
    std::string sfc =
        "ISO-10303-21;\r\nHEADER;\r\nFILE_DESCRIPTION(('SCADEC level2 feature_mode'),'2;1');\r\n"
        "FILE_SCHEMA(('ASSOCIATIVE_DRAUGHTING'));\r\nENDSEC;\r\nDATA;\r\n\r\n";
    const std::string text = "\\'" + kText + "\\'";
    for (unsigned n = 0; sfc.size() < kTarget; ++n) {
        unsigned id = 10 * n;
        std::string coordinates;
        for (int k = 0; k < 4; ++k) coordinates += "," + Quoted(n * 7 + k, 20000);
        std::string body;
        switch (n % 20) {
            case 0:
            case 1:
            case 2:
            case 3:
            case 4:
            case 5:
            case 6:
            case 7:
            case 8:
                body = "line_feature('6','2','1','3'" + coordinates + ")";
                break;
            case 9:
            case 10: {
                std::string xs, ys;
                for (int k = 0; k < 8; ++k) {
                    xs += (k ? "," : "") + std::to_string(n + k) + ".498986";
                    ys += (k ? "," : "") + std::to_string(n * 3 + k) + ".858788";
                }
                body = "polyline_feature('0','0','0','0','8','(" + xs + ")','(" + ys + ")')";
                break;
            }
            case 11:
            case 12:
            case 13:
            case 14:
            case 15:
                body = "text_string_feature('9','8','1'," + text + coordinates +
                       ",'0.000000','0.00000000000000','0.00000000000000','1','1')";
                break;
            case 16:
            case 17: {
                std::string dims;
                for (int k = 0; k < 32; ++k) dims += (k ? "," : "") + Quoted(n + k, 20000);
                body = "linear_dim_feature(" + dims + ",'1','1'," + text + coordinates +
                       ",'70.000000','105.000000','0.000000','11.1922426304214',"
                       "'0.00000000000000','8','1')";
                break;
            }
            case 18:
                body = "arc_feature('6','2','1','3'" + coordinates + ",'1','0.0','90.0')";
                break;
            default:
                body =
                    "label_feature('9','8','1','1','3','(1.0,2.0,3.0)','(4.0,5.0,6.0)','9',"
                    "'0.26666666666666','1','1'," +
                    text + coordinates +
                    ",'0.000000','0.00000000000000','0.00000000000000','1','1')";
        }
        sfc += SfcFeature(id, body);
    }
    return sfc + "ENDSEC;\r\nEND-ISO-10303-21;\r\n";
}

// An exchange structure as an AP202 writer lays one out: points, curves and
// their styles, complex instances, and one text literal (hex-escaped) among
// every 60 instances.
std::string MakeP21Of(size_t target) {
    std::string p21 =
        "ISO-10303-21;\nHEADER;\nFILE_DESCRIPTION(('SCADEC level2 AP202_mode'),'2;1');\n"
        "FILE_SCHEMA(('ASSOCIATIVE_DRAUGHTING'));\nENDSEC;\nDATA;\n";
    for (unsigned n = 0; p21.size() < target; ++n) {
        std::string id = "#" + std::to_string(10 * n);
        switch (n % 60) {
            case 0:
                p21 += id +
                       "=TEXT_LITERAL_WITH_EXTENT('$$SXF_topline left','\\X2\\5E73976256F3\\X0\\ "
                       "(\\X2\\03C3\\X0\\ck=160kg/cm2)',#56600,'baseline left',.RIGHT.,#120,"
                       "#56570);\n";
                break;
            case 1:
            case 2:
            case 3:
            case 4:
            case 5:
            case 6:
                p21 += id +
                       "=(\nANNOTATION_CURVE_OCCURRENCE()\nANNOTATION_OCCURRENCE()\n"
                       "DRAUGHTING_ANNOTATION_OCCURRENCE()\nGEOMETRIC_REPRESENTATION_ITEM()\n"
                       "REPRESENTATION_ITEM(' ')\nSTYLED_ITEM((#220),#200)\n);\n";
                break;
            case 7:
            case 8:
            case 9:
            case 10:
                p21 += id + "=PRESENTATION_STYLE_ASSIGNMENT((#210));\n";
                break;
            case 11:
            case 12:
            case 13:
                p21 += id + "=CURVE_STYLE(' ',#50,#90,#40);\n";
                break;
            case 14:
            case 15:
            case 16:
            case 17:
            case 18:
                p21 += id + "=TRIMMED_CURVE(' ',#" + std::to_string(n) + ",(#" +
                       std::to_string(n + 1) + "),(#" + std::to_string(n + 2) +
                       "),.T.,.CARTESIAN.);\n";
                break;
            default:
                p21 += id + "=CARTESIAN_POINT(' ',(" + std::to_string(n % 20000) + "." +
                       std::to_string(100000 + n % 900000) + ",-" + std::to_string(n % 7000) +
                       ".858788));\n";
        }
    }
    return p21 + "ENDSEC;\nEND-ISO-10303-21;\n";
}

std::string MakeP21() { return MakeP21Of(kTarget); }

// A source of `size` bytes that repeats `pattern` after `head`, made as it is
// read and never held: a file of any size. Notes its largest read.
class RepeatingSource final : public ByteSource {
  public:
    RepeatingSource(std::string head, std::string pattern, uint64_t size)
        : m_head(std::move(head)), m_pattern(std::move(pattern)), m_size(size) {}
    uint64_t Size() const override { return m_size; }
    ByteView Read(uint64_t offset, size_t count, std::vector<uint8_t>& scratch) override {
        if (offset >= m_size) return {};
        count = static_cast<size_t>(std::min<uint64_t>(count, m_size - offset));
        m_largestRead = std::max(m_largestRead, count);
        if (scratch.size() < count) scratch.resize(count);
        for (size_t done = 0; done < count;) {
            uint64_t at = offset + done;
            const std::string& piece = at < m_head.size() ? m_head : m_pattern;
            size_t from = at < m_head.size()
                              ? static_cast<size_t>(at)
                              : static_cast<size_t>((at - m_head.size()) % m_pattern.size());
            size_t take = std::min(count - done, piece.size() - from);
            std::memcpy(scratch.data() + done, piece.data() + from, take);
            done += take;
        }
        return {scratch.data(), count};
    }
    size_t LargestRead() const { return m_largestRead; }

  private:
    std::string m_head;
    std::string m_pattern;
    uint64_t m_size;
    size_t m_largestRead = 0;
};

long PeakResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// 1 GB of P21 read through a source, 8 MB of instances over and over: the
// process's peak resident memory (run alone, --benchmark_filter=Gigabyte, to
// see what the reading takes) and the largest read.
void BM_ExtractP21Gigabyte(benchmark::State& state) {
    const std::string p21 = MakeP21Of(size_t{8} << 20);
    const size_t dataStart = p21.find("DATA;\n") + 6;
    const size_t dataEnd = p21.rfind("ENDSEC;");
    const std::string head = p21.substr(0, dataStart);
    const std::string pattern = p21.substr(dataStart, dataEnd - dataStart);
    const uint64_t size = uint64_t{1} << 30;
    size_t largestRead = 0;
    size_t lines = 0;
    for (auto _ : state) {
        RepeatingSource source(head, pattern, size);
        ExtractedText text;
        text.SetFlush([&lines](const ExtractedText& held) {
            lines += held.size();
            return true;
        });
        ExtractP21Text(source, text);
        lines += text.size();
        largestRead = source.LargestRead();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
    state.counters["peak_rss_kb"] = static_cast<double>(PeakResidentKb());
    state.counters["largest_read"] = static_cast<double>(largestRead);
    state.counters["lines"] = static_cast<double>(lines / state.iterations());
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

BENCHMARK(BM_Extract<MakeSfc, ExtractSfcText>)
    ->Name("ExtractSfcText")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Extract<MakeP21, ExtractP21Text>)
    ->Name("ExtractP21Text")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractP21Gigabyte)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "dwg/r2004_container.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr std::string_view kSectionNames[] = {
    "AcDb:Header",          "AcDb:Classes",  "AcDb:Handles",        "AcDb:AcDbObjects",
    "AcDb:ObjFreeSpace",    "AcDb:Template", "AcDb:AuxHeader",      "AcDb:SummaryInfo",
    "AcDb:Preview",         "AcDb:AppInfo",  "AcDb:AppInfoHistory", "AcDb:FileDepList",
    "AcDb:RevHistory",      "AcDb:Security", "AcDb:VBAProject",     "AcDb:Signature",
    "AcDb:AcDsPrototype_1b"};

constexpr size_t kChunk = 0x3000;
constexpr uint64_t kWholeReadLimit = 4 << 20;

// The section's data read in chunks, up to the first short read.
std::vector<uint8_t> ReadInChunks(ByteSource& section) {
    std::vector<uint8_t> data;
    std::vector<uint8_t> scratch;
    for (uint64_t at = 0; at < section.Size();) {
        ByteView piece = section.Read(at, kChunk, scratch);
        if (piece.size > kChunk) std::abort();
        data.insert(data.end(), piece.data, piece.data + piece.size);
        at += piece.size;
        if (piece.size < kChunk) break;
    }
    return data;
}

}  // namespace

// Opens the container and reads every section it gives. Beyond no crash: a
// section never gives more than its Size(), and reading it in chunks gives
// what one whole read of a fresh copy of it gives.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> copy = ExactCopy(data, size);
    MemorySource file({copy.data(), copy.size()});
    std::unique_ptr<DwgContainer> container = OpenR2004Container(file);
    if (!container) return 0;
    for (std::string_view name : kSectionNames) {
        std::unique_ptr<ByteSource> section = container->OpenSection(name);
        if (!section) continue;
        std::vector<uint8_t> chunks = ReadInChunks(*section);
        if (chunks.size() > section->Size()) std::abort();
        if (section->Size() > kWholeReadLimit) continue;
        std::unique_ptr<ByteSource> fresh = container->OpenSection(name);
        std::vector<uint8_t> scratch;
        ByteView whole = fresh->Read(0, static_cast<size_t>(fresh->Size()), scratch);
        if (whole.size != chunks.size() ||
            (whole.size != 0 && std::memcmp(whole.data, chunks.data(), whole.size) != 0)) {
            std::abort();
        }
    }
    return 0;
}

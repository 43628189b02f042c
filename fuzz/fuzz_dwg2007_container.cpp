#include <cstdlib>
#include <string_view>

#include "dwg/r2007_container.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr std::string_view kSections[] = {
    "AcDb:Header",      "AcDb:Classes",          "AcDb:Handles",
    "AcDb:AcDbObjects", "AcDb:ObjFreeSpace",     "AcDb:Template",
    "AcDb:AuxHeader",   "AcDb:SummaryInfo",      "AcDb:Preview",
    "AcDb:AppInfo",     "AcDb:AppInfoHistory",   "AcDb:FileDepList",
    "AcDb:RevHistory",  "AcDb:Security",         "AcDb:VBAProject",
    "AcDb:Signature",   "AcDb:AcDsPrototype_1b", "",
};

// Reads `section` whole in pieces; the bytes up to the first short read
// (damage), which never come past Size() nor more than a piece asked for.
std::vector<uint8_t> ReadWhole(ByteSource& section) {
    constexpr size_t kPiece = 64 * 1024;
    std::vector<uint8_t> whole;
    std::vector<uint8_t> scratch;
    for (uint64_t at = 0; at < section.Size();) {
        size_t count = static_cast<size_t>(std::min<uint64_t>(kPiece, section.Size() - at));
        ByteView piece = section.Read(at, count, scratch);
        if (piece.size > count) std::abort();
        whole.insert(whole.end(), piece.data, piece.data + piece.size);
        if (piece.size < count) break;
        at += piece.size;
    }
    if (whole.size() > section.Size()) std::abort();
    return whole;
}

}  // namespace

// Opens the container of an AC1021 drawing and reads every section whole,
// twice: the second reading (partly from the page cache) gives the same bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> copy = ExactCopy(data, size);
    MemorySource file(ByteView{copy.data(), copy.size()});
    std::unique_ptr<DwgContainer> container = OpenR2007Container(file);
    if (container == nullptr) return 0;
    for (std::string_view name : kSections) {
        std::unique_ptr<ByteSource> section = container->OpenSection(name);
        if (section == nullptr) continue;
        std::vector<uint8_t> first = ReadWhole(*section);
        if (ReadWhole(*section) != first) std::abort();
    }
    return 0;
}

// The object layer of 2004-and-later drawings without their containers. The
// input's first byte picks the version (its low 3 bits: 2004 to 2018), the
// code page (0x80: ANSI_1252) and the maintenance release (0x40); the next
// four give the sizes of "AcDb:Handles" and "AcDb:Classes"; the rest is split
// into those and "AcDb:AcDbObjects". Each section is given in memory and piece
// by piece; both must give the same lines.
#include <map>
#include <memory>

#include "dwg/container_text.h"
#include "fuzz/fuzz_dwg_support.h"
#include "fuzz/fuzz_support.h"

namespace {

class FuzzContainer final : public DwgContainer {
  public:
    std::map<std::string, ByteView, std::less<>> sections;
    bool inPieces = false;

    std::unique_ptr<ByteSource> OpenSection(std::string_view name) override {
        auto it = sections.find(name);
        if (it == sections.end()) return nullptr;
        if (inPieces) return std::make_unique<PieceSource>(it->second);
        return std::make_unique<MemorySource>(it->second);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    std::vector<uint8_t> copy = ExactCopy(data, size);
    static constexpr DwgVersion kVersions[] = {DwgVersion::R2004, DwgVersion::R2007,
                                               DwgVersion::R2010, DwgVersion::R2013,
                                               DwgVersion::R2018};
    DwgVersion version = kVersions[(copy[0] & 7) % 5];
    DwgFileHeader header;
    header.codePageNumber = (copy[0] & 0x80) ? 30 : 0;
    header.appMaintenance = (copy[0] & 0x40) ? 8 : 0;
    size_t handles = std::min<size_t>(copy[1] | copy[2] << 8, size - 5);
    size_t classes = std::min<size_t>(copy[3] | copy[4] << 8, size - 5 - handles);
    // Each section in a buffer of its own, exactly its size.
    std::vector<uint8_t> handleBytes(copy.begin() + 5, copy.begin() + 5 + handles);
    std::vector<uint8_t> classBytes(copy.begin() + 5 + handles,
                                    copy.begin() + 5 + handles + classes);
    std::vector<uint8_t> objectBytes(copy.begin() + 5 + handles + classes, copy.end());
    FuzzContainer container;
    container.sections["AcDb:Handles"] = {handleBytes.data(), handleBytes.size()};
    container.sections["AcDb:Classes"] = {classBytes.data(), classBytes.size()};
    container.sections["AcDb:AcDbObjects"] = {objectBytes.data(), objectBytes.size()};
    ExtractedText inMemory;
    ReadContainerText(container, version, header, inMemory);
    container.inPieces = true;
    ExtractedText inPieces;
    ReadContainerText(container, version, header, inPieces);
    if (LinesWithKinds(inMemory) != LinesWithKinds(inPieces)) std::abort();
    // Every line comes from a text object of its own, which shares no bytes
    // with another; a UTF-16 unit gives at most two CP932 bytes, and so does a
    // character of a single-byte code page.
    if (inMemory.ByteCount() > 2 * objectBytes.size()) std::abort();
    return 0;
}

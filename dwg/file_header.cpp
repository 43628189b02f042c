#include "dwg/file_header.h"

namespace {

constexpr size_t kMaintenanceAt = 0x0B;
constexpr size_t kAppMaintenanceAt = 0x12;
constexpr size_t kCodePageAt = 0x13;
constexpr size_t kHeaderBytes = 0x15;

}  // namespace

DwgFileHeader ReadDwgFileHeader(ByteSource& file) {
    std::vector<uint8_t> scratch;
    ByteView bytes = file.Read(0, kHeaderBytes, scratch);
    DwgFileHeader header;
    if (bytes.size < kHeaderBytes) return header;
    header.maintenance = bytes[kMaintenanceAt];
    header.appMaintenance = bytes[kAppMaintenanceAt];
    header.codePageNumber = static_cast<uint16_t>(ReadLe16At(bytes, kCodePageAt));
    return header;
}

CodePage CodePageOfDwg(uint32_t number) {
    switch (number) {
        case 28:
            return CodePage::Windows1250;
        case 29:
            return CodePage::Windows1251;
        case 30:
            return CodePage::Windows1252;
        case 32:
            return CodePage::Windows1253;
        case 33:
            return CodePage::Windows1254;
        case 34:
            return CodePage::Windows1255;
        case 35:
            return CodePage::Windows1256;
        case 36:
            return CodePage::Windows1257;
        case 37:
            return CodePage::Windows874;
        case 44:
            return CodePage::Windows1258;
        default:
            return CodePage::Cp932;
    }
}

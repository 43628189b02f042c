#include "dwg/classes.h"

#include <optional>
#include <string>
#include <vector>

#include "dwg/dwg_object.h"

namespace {

constexpr uint8_t kSentinel[16] = {0x8D, 0xA1, 0xC4, 0xB8, 0xC4, 0xA9, 0xF8, 0xC5,
                                   0xC0, 0xDC, 0xF4, 0x5F, 0xE7, 0xCF, 0xB6, 0x8A};
constexpr size_t kSentinelBytes = sizeof kSentinel;
constexpr uint32_t kMaxClassBytes = uint32_t{4} << 20;
constexpr uint32_t kFirstClassNumber = 500;

// The class records in `data`, read as an object's data is.
DwgObject ClassRecords(ByteView data, DwgVersion version, CodePage codePage) {
    DwgObject classes;
    classes.data = data;
    classes.version = version;
    classes.codePage = codePage;
    return classes;
}

// The class records of R13 to R2000, in the `size` bytes after the size.
uint32_t FindInR13Classes(ByteView data, DwgVersion version, CodePage codePage,
                          std::string_view dxfName) {
    DwgObject classes = ClassRecords(data, version, codePage);
    ByteView d = classes.data;
    BitCursor& c = classes.main;
    while (BitsLeft(d, c) >= 8 && !classes.Overrun()) {
        uint32_t number = ReadBitShort(d, c);              // BS class number
        ReadBitShort(d, c);                                // BS version (flags)
        SkipObjectText(classes);                           // TV application name
        SkipObjectText(classes);                           // TV C++ class name
        bool wanted = NextObjectTextIs(classes, dxfName);  // TV DXF name
        ReadBit(d, c);                                     // B was a zombie
        ReadBitShort(d, c);                                // BS item class id
        if (!classes.Overrun() && wanted) return number;
    }
    return 0;
}

// The classes of 2004 and later in the section's bytes `data`, with or
// without the RL after the size (`hasHighSize`). Nothing when the layout does
// not fit the data.
std::optional<uint32_t> FindInSectionClasses(ByteView data, DwgVersion version, CodePage codePage,
                                             bool hasHighSize, std::string_view dxfName) {
    DwgObject classes = ClassRecords(data, version, codePage);
    ByteView d = classes.data;
    BitCursor& c = classes.main;
    c.bit = 8 * (kSentinelBytes + 4);    // after the sentinel and the RL size
    if (hasHighSize) ReadRawLong(d, c);  // RL: 2010 (maintenance 4 on) and 2018
    if (version >= DwgVersion::R2007) {
        // RL size in bits, counted from its own first bit, up to the string
        // stream's flag (inclusive).
        uint64_t sizeAt = c.bit;
        uint64_t bits = ReadRawLong(d, c);
        if (bits == 0 || !FindStringStream(classes, sizeAt + bits)) return std::nullopt;
    }
    uint32_t highest = ReadBitShort(d, c);  // BS highest class number
    ReadBits(d, c, 8);                      // RC 0
    ReadBits(d, c, 8);                      // RC 0
    ReadBit(d, c);                          // B 1
    if (classes.Overrun() || highest < kFirstClassNumber) return std::nullopt;
    for (uint32_t k = kFirstClassNumber; k <= highest && !classes.Overrun(); ++k) {
        uint32_t number = ReadBitShort(d, c);              // BS class number
        ReadBitShort(d, c);                                // BS proxy flags
        SkipObjectText(classes);                           // T application name
        SkipObjectText(classes);                           // T C++ class name
        bool wanted = NextObjectTextIs(classes, dxfName);  // T DXF name
        ReadBit(d, c);                                     // B was a zombie
        ReadBitShort(d, c);                                // BS item class id
        ReadBitLong(d, c);                                 // BL number of objects of the class
        ReadBitLong(d, c);                                 // BL DWG version
        ReadBitLong(d, c);                                 // BL maintenance version
        ReadBitLong(d, c);                                 // BL unknown
        ReadBitLong(d, c);                                 // BL unknown
        if (classes.Overrun()) break;
        if (wanted) return number;
    }
    return 0;
}

}  // namespace

uint32_t FindClassType(CachedReader& source, uint64_t offset, DwgVersion version,
                       const DwgFileHeader& header, std::string_view dxfName) {
    CodePage codePage = CodePageOfDwg(header.codePageNumber);
    ByteView head = source.Read(offset, kSentinelBytes + 4);
    if (head.size < kSentinelBytes + 4) return 0;
    for (size_t k = 0; k < kSentinelBytes; ++k) {
        if (head[k] != kSentinel[k]) return 0;
    }
    uint32_t size = ReadLe32At(head, kSentinelBytes);  // RL size of the class data
    if (size > kMaxClassBytes) return 0;
    if (version <= DwgVersion::R2000) {
        ByteView data = source.Read(offset + kSentinelBytes + 4, size);
        return FindInR13Classes(data, version, codePage, dxfName);
    }
    // 2004 and later: the section is small; read it whole (within the cap)
    // and read the bit fields from its start.
    std::vector<uint8_t> copy;
    {
        ByteView whole = source.Read(offset, kMaxClassBytes);
        copy.assign(whole.data, whole.data + whole.size);
    }
    ByteView data{copy.data(), copy.size()};
    // The RL after the size: 2018, and 2010 and 2013 from maintenance
    // release 4. Drawings disagree on which byte holds the release, so the
    // other layout is tried when the first does not fit.
    bool highSize =
        version >= DwgVersion::R2018 || (version >= DwgVersion::R2010 && header.appMaintenance > 3);
    if (auto type = FindInSectionClasses(data, version, codePage, highSize, dxfName)) return *type;
    if (version >= DwgVersion::R2010 && version < DwgVersion::R2018) {
        if (auto type = FindInSectionClasses(data, version, codePage, !highSize, dxfName)) {
            return *type;
        }
    }
    return 0;
}

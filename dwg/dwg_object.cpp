#include "dwg/dwg_object.h"

bool FindStringStream(DwgObject& object, uint64_t dataBits) {
    if (dataBits == 0 || dataBits > uint64_t{8} * object.data.size) return false;
    BitCursor at{dataBits - 1};
    object.hasStrings = ReadBit(object.data, at) != 0;  // B: a string stream is present
    if (!object.hasStrings) return true;
    // RS size in bits, 16 bits before the flag; with its 0x8000 bit set, a
    // second RS 16 bits earlier holds the size's high 15 bits.
    if (dataBits - 1 < 16) return false;
    uint64_t end = dataBits - 1 - 16;
    at.bit = end;
    uint64_t size = ReadRawShort(object.data, at);
    if (size & 0x8000) {
        if (end < 16) return false;
        end -= 16;
        at.bit = end;
        size = (size & 0x7FFF) | (uint64_t{ReadRawShort(object.data, at)} << 15);
    }
    if (size > end) return false;
    object.strings.bit = end - size;
    object.stringsEnd = end;
    return true;
}

bool OpenDwgObject(ByteView data, DwgVersion version, CodePage codePage, uint64_t handleStreamBits,
                   DwgObject& object) {
    object = DwgObject{};
    object.data = data;
    object.version = version;
    object.codePage = codePage;
    BitCursor& c = object.main;
    // 2010 moved to a bit-coded type of one or two bytes.
    object.type = version >= DwgVersion::R2010 ? ReadObjectType(data, c) : ReadBitShort(data, c);
    uint64_t dataBits = 0;
    if (version >= DwgVersion::R2000 && version <= DwgVersion::R2007) {
        dataBits = ReadRawLong(data, c);  // RL size in bits: from R2000 to 2007 after the type
    }
    if (c.overrun) return false;
    if (version == DwgVersion::R2007) return FindStringStream(object, dataBits);
    if (version >= DwgVersion::R2010) {
        // The handle stream closes the object; the data ends where it starts.
        uint64_t totalBits = uint64_t{8} * data.size;
        if (handleStreamBits > totalBits) return false;
        return FindStringStream(object, totalBits - handleStreamBits);
    }
    return true;
}

namespace {

// The next text field's bytes and the width of a character (1: TV, 2: TU),
// unconverted; empty past the end.
std::string NextTextBytes(DwgObject& object, size_t& width) {
    if (object.version < DwgVersion::R2007) {
        width = 1;
        return ReadTextValue(object.data, object.main);
    }
    width = 2;
    if (!object.hasStrings) return {};
    std::string units = ReadUnicodeText(object.data, object.strings);
    if (object.strings.bit > object.stringsEnd) {
        object.strings.overrun = true;
        return {};
    }
    return units;
}

}  // namespace

bool NextObjectTextIs(DwgObject& object, std::string_view ascii) {
    size_t width = 1;
    std::string bytes = NextTextBytes(object, width);
    // Closing zero characters are not part of the text.
    while (bytes.size() >= width &&
           bytes.compare(bytes.size() - width, width, std::string(width, '\0')) == 0) {
        bytes.resize(bytes.size() - width);
    }
    if (bytes.size() != ascii.size() * width) return false;
    for (size_t k = 0; k < ascii.size(); ++k) {
        if (bytes[k * width] != ascii[k]) return false;
        if (width == 2 && bytes[k * width + 1] != '\0') return false;
    }
    return true;
}

void SkipObjectText(DwgObject& object) {
    if (object.version < DwgVersion::R2007) {
        uint32_t count = ReadBitShort(object.data, object.main);  // BS count of bytes
        SkipBits(object.data, object.main, uint64_t{8} * count);
        return;
    }
    if (!object.hasStrings) return;
    uint32_t count = ReadBitShort(object.data, object.strings);  // BS count of UTF-16 units
    SkipBits(object.data, object.strings, uint64_t{16} * count);
    if (object.strings.bit > object.stringsEnd) object.strings.overrun = true;
}

std::string ReadObjectText(DwgObject& object) {
    if (object.version < DwgVersion::R2007) {
        return ToCp932(ReadTextValue(object.data, object.main), object.codePage);
    }
    if (!object.hasStrings) return {};
    std::string units = ReadUnicodeText(object.data, object.strings);
    if (object.strings.bit > object.stringsEnd) {
        object.strings.overrun = true;
        return {};
    }
    return Utf16LeToCp932(AsBytes(units));
}

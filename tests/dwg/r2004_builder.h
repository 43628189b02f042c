#pragma once

// Builders for 2004-or-later container test inputs: the header mask and its
// CRC written independently of the reader, a literal-only LZ77 "compressor",
// and whole containers with data pages, a section map and a page map.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dwg/r2004_pages.h"

namespace dwg_testing {

inline void PutLe32(std::string& bytes, size_t at, uint32_t value) {
    if (bytes.size() < at + 4) bytes.resize(at + 4);
    for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<char>(value >> 8 * k);
}

inline void PutLe64(std::string& bytes, size_t at, uint64_t value) {
    PutLe32(bytes, at, static_cast<uint32_t>(value));
    PutLe32(bytes, at + 4, static_cast<uint32_t>(value >> 32));
}

// The header mask: seed 1, seed = seed * 0x343FD + 0x269EC3, byte ^= seed >> 16.
inline std::string MaskedHeader(std::string bytes) {
    uint32_t seed = 1;
    for (char& ch : bytes) {
        seed = seed * 0x343FDu + 0x269EC3u;
        ch = static_cast<char>(static_cast<uint8_t>(ch) ^ static_cast<uint8_t>(seed >> 16));
    }
    return bytes;
}

inline uint32_t TestCrc32(std::string_view bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (char ch : bytes) {
        crc ^= static_cast<uint8_t>(ch);
        for (int bit = 0; bit < 8; ++bit) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

// The 0x6C plain header bytes: id, page map address (file offset - 0x100),
// section map page number, and the CRC over the whole with its field zero.
inline std::string PlainHeader(uint64_t pageMapOffset, uint32_t sectionMapId) {
    std::string plain("AcFssFcAJMB\0", 12);
    plain.resize(0x6C, '\0');
    PutLe32(plain, 0x10, 0x6C);
    PutLe32(plain, 0x14, 4);
    PutLe64(plain, 0x54, pageMapOffset - 0x100);
    PutLe32(plain, 0x5C, sectionMapId);
    PutLe32(plain, 0x68, TestCrc32(plain));
    return plain;
}

// Literal length bytes for a run of `count` (>= 4) literals: count - 3 when
// 1 to 15, else 0x00, a 0x00 for each further 0xFF, and the remainder.
inline std::string LiteralLength(size_t count) {
    if (count - 3 <= 0x0F) return std::string(1, static_cast<char>(count - 3));
    std::string bytes(1, '\0');
    size_t rest = count - 3 - 0x0F;
    for (; rest > 0xFF; rest -= 0xFF) bytes += '\0';
    bytes += static_cast<char>(rest);
    return bytes;
}

// A stream that writes `data` (empty, or 4 bytes or more) as one literal run.
inline std::string LiteralOnly(std::string_view data) {
    if (data.empty()) return "\x11";
    return LiteralLength(data.size()) + std::string(data) + "\x11";
}

struct TestSection {
    std::string name;
    uint32_t id = 0;
    std::string data;
    uint32_t pageSize = 64;
    uint32_t compression = 2;  // 1: stored
    uint32_t encrypted = 0;
    uint32_t statedPageSize = 0;  // the page size the section map states, when not pageSize
    uint64_t statedSize = 0;      // the size the section map states, when not the data's
    size_t junkAfterStream = 0;   // bytes after each page's stream, ignored by readers
};

inline uint32_t Checksum(uint32_t seed, std::string_view bytes) {
    return R2004PageChecksum(seed, AsBytes(bytes));
}

// A system page: plain header, checksum over it (field zero) then the data.
inline std::string SystemPage(uint32_t type, std::string_view plain) {
    std::string data = LiteralOnly(plain);
    std::string page;
    PutLe32(page, 0, type);
    PutLe32(page, 4, static_cast<uint32_t>(plain.size()));
    PutLe32(page, 8, static_cast<uint32_t>(data.size()));
    PutLe32(page, 12, 2);
    PutLe32(page, 16, 0);
    PutLe32(page, 16, Checksum(Checksum(0, page), data));
    return page + data;
}

// A data page at `fileOffset`: its masked header and its data.
inline std::string DataPage(uint64_t fileOffset, uint32_t sectionId, uint32_t startOffset,
                            std::string_view data) {
    uint32_t words[8] = {0x4163043B,
                         sectionId,
                         static_cast<uint32_t>(data.size()),
                         static_cast<uint32_t>(32 + data.size()),
                         startOffset,
                         0,
                         0,
                         Checksum(0, data)};
    std::string header;
    for (int k = 0; k < 8; ++k) PutLe32(header, 4 * k, words[k]);
    PutLe32(header, 24, Checksum(words[7], header));
    uint32_t mask = 0x4164536B ^ static_cast<uint32_t>(fileOffset);
    for (int k = 0; k < 8; ++k) {
        uint32_t w = 0;
        for (int b = 0; b < 4; ++b) w |= uint32_t{static_cast<uint8_t>(header[4 * k + b])} << 8 * b;
        PutLe32(header, 4 * k, w ^ mask);
    }
    return header + std::string(data);
}

// A whole container: "AC1018", the masked header at 0x80, the sections' data
// pages from 0x100 (page numbers from 1, each page's data padded with zeros to
// the section's page size, as writers do), the section map and the page map.
// `headerCopyAtEnd` appends the masked header again, as writers do.
struct R2004File {
    std::string bytes;
    uint32_t sectionMapId = 0;
    std::vector<uint64_t> pageOffsets;  // by page number (index 0 unused)
    uint64_t sectionMapOffset = 0;
    uint64_t pageMapOffset = 0;
};

inline R2004File BuildR2004File(const std::vector<TestSection>& sections,
                                bool headerCopyAtEnd = true) {
    R2004File file;
    file.bytes = "AC1018";
    file.bytes.resize(0x100, '\0');
    file.pageOffsets.push_back(0);
    std::vector<uint32_t> pageSizes;
    std::string sectionMap;
    PutLe32(sectionMap, 0, static_cast<uint32_t>(sections.size()));
    PutLe32(sectionMap, 4, 2);
    PutLe32(sectionMap, 8, 0x7400);
    PutLe32(sectionMap, 12, 0);
    PutLe32(sectionMap, 16, static_cast<uint32_t>(sections.size()));
    for (const TestSection& section : sections) {
        size_t pageCount = (section.data.size() + section.pageSize - 1) / section.pageSize;
        std::string info;
        PutLe64(info, 0, section.statedSize != 0 ? section.statedSize : section.data.size());
        PutLe32(info, 8, static_cast<uint32_t>(pageCount));
        PutLe32(info, 12, section.statedPageSize != 0 ? section.statedPageSize : section.pageSize);
        PutLe32(info, 16, 1);
        PutLe32(info, 20, section.compression);
        PutLe32(info, 24, section.id);
        PutLe32(info, 28, section.encrypted);
        std::string name = section.name;
        name.resize(64, '\0');
        info += name;
        for (size_t k = 0; k < pageCount; ++k) {
            std::string plain = section.data.substr(k * section.pageSize, section.pageSize);
            plain.resize(section.pageSize, '\0');
            std::string stored = section.compression == 2 ? LiteralOnly(plain) : plain;
            stored += std::string(section.junkAfterStream, '\x7F');
            auto number = static_cast<uint32_t>(file.pageOffsets.size());
            uint64_t offset = file.bytes.size();
            std::string page =
                DataPage(offset, section.id, static_cast<uint32_t>(k * section.pageSize), stored);
            file.bytes += page;
            file.pageOffsets.push_back(offset);
            pageSizes.push_back(static_cast<uint32_t>(page.size()));
            size_t at = info.size();
            PutLe32(info, at, number);
            PutLe32(info, at + 4, static_cast<uint32_t>(stored.size()));
            PutLe64(info, at + 8, k * section.pageSize);
        }
        sectionMap += info;
    }
    file.sectionMapId = static_cast<uint32_t>(file.pageOffsets.size());
    file.sectionMapOffset = file.bytes.size();
    std::string mapPage = SystemPage(0x4163003B, sectionMap);
    file.bytes += mapPage;
    file.pageOffsets.push_back(file.sectionMapOffset);
    pageSizes.push_back(static_cast<uint32_t>(mapPage.size()));

    // The page map lists itself too: its size follows from its entry count.
    std::string pageMap;
    size_t entries = pageSizes.size() + 1;
    uint32_t ownSize = static_cast<uint32_t>(SystemPage(0, std::string(8 * entries, 'x')).size());
    pageSizes.push_back(ownSize);
    for (size_t k = 0; k < pageSizes.size(); ++k) {
        PutLe32(pageMap, 8 * k, static_cast<uint32_t>(k + 1));
        PutLe32(pageMap, 8 * k + 4, pageSizes[k]);
    }
    file.pageMapOffset = file.bytes.size();
    file.bytes += SystemPage(0x41630E3B, pageMap);
    file.pageOffsets.push_back(file.pageMapOffset);

    std::string header = MaskedHeader(PlainHeader(file.pageMapOffset, file.sectionMapId));
    file.bytes.replace(0x80, header.size(), header);
    if (headerCopyAtEnd) file.bytes += header;
    return file;
}

}  // namespace dwg_testing

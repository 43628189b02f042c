#include "results/file_list.h"

namespace {

void PutLittleEndian32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

bool IsUnreserved(uint8_t byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
           byte == '~' || byte == '/';
}

}  // namespace

std::vector<uint8_t> BuildDropFilesBlock(const std::vector<std::string>& paths) {
    std::vector<uint8_t> block;
    PutLittleEndian32(block, 20);  // offset of the file list
    PutLittleEndian32(block, 0);   // drop point x
    PutLittleEndian32(block, 0);   // drop point y
    PutLittleEndian32(block, 0);   // non-client flag
    PutLittleEndian32(block, 0);   // wide-character flag: 8-bit paths
    for (const std::string& path : paths) {
        block.insert(block.end(), path.begin(), path.end());
        block.push_back(0);
    }
    block.push_back(0);
    return block;
}

std::string FileUri(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (char ch : path) {
        uint8_t byte = static_cast<uint8_t>(ch);
        if (IsUnreserved(byte)) {
            uri += ch;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 0x0F];
        }
    }
    return uri;
}

std::string BuildUriList(const std::vector<std::string>& paths) {
    std::string list;
    for (const std::string& path : paths) list += FileUri(path) + "\r\n";
    return list;
}

std::string BuildGnomeCopiedFiles(const std::vector<std::string>& paths) {
    std::string text = "copy";
    for (const std::string& path : paths) text += "\n" + FileUri(path);
    return text;
}

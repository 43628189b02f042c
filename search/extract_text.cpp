#include "search/extract_text.h"

#include "dwg/dwg.h"
#include "extract/dracad.h"
#include "extract/dxf.h"
#include "extract/jw.h"
#include "extract/mcd.h"
#include "platform/fs.h"

namespace {

using Extractor = std::string (*)(ByteView);

struct DispatchEntry {
    std::string_view key;
    Extractor extract;
};

// Compared in this order; the first equal key wins.
constexpr DispatchEntry kDispatch[] = {
    {"dxf", ExtractDxfText}, {"dwg", ExtractDwgText}, {"jwc", ExtractJwcText},
    {"mcd", ExtractMcdText}, {"mpp", ExtractMppText}, {"mpx", ExtractMpxText},
    {"mpz", ExtractMpzText}, {"jwk", ExtractJwkText},
};

}  // namespace

std::string ExtractTextOfType(std::string_view key, ByteView bytes) {
    for (const DispatchEntry& entry : kDispatch) {
        if (entry.key == key) return entry.extract(bytes);
    }
    return {};
}

std::string LowerCasePath(std::string path) {
    for (char& ch : path) {
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    }
    return path;
}

std::string ExtractionKey(std::string_view path) {
    return LowerCasePath(std::string(path.substr(path.size() < 3 ? 0 : path.size() - 3)));
}

std::string ExtractText(const std::string& path) {
    try {
        std::optional<FileBytes> bytes = ReadWholeFile(path);
        if (!bytes) return {};
        return ExtractTextOfType(ExtractionKey(path), ByteView{bytes->data(), bytes->size()});
    } catch (const std::bad_alloc&) {
        // A file too large to hold, or text too large to build: treated as a
        // file that cannot be read.
        return {};
    }
}

#include "bytes/best_fit.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "bytes/code_pages.h"
#include "bytes/cp932.h"

namespace {

#include "bytes/best_fit_table.inc"

bool IsControl(char32_t codePoint) {
    return codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0);
}

void AppendCode(std::string& out, uint16_t code) {
    if (code > 0xFF) out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
}

}  // namespace

bool AppendBestFitCp932(std::string& out, char32_t codePoint) {
    if (codePoint == '\t') {
        out += '\t';
        return true;
    }
    if (IsControl(codePoint)) return true;
    if (std::optional<uint16_t> code = UnicodeToCp932(codePoint)) {
        AppendCode(out, *code);
        return true;
    }
    const uint32_t* end = kBestFitFrom + std::size(kBestFitFrom);
    const uint32_t* found = std::lower_bound(kBestFitFrom, end, uint32_t{codePoint});
    if (found == end || *found != codePoint) return false;
    size_t k = static_cast<size_t>(found - kBestFitFrom);
    out.append(reinterpret_cast<const char*>(kBestFitBytes) + kBestFitStart[k],
               kBestFitStart[k + 1] - kBestFitStart[k]);
    return true;
}

std::vector<char32_t> BestFitSourcesOf(uint16_t code) {
    std::vector<char32_t> sources;
    for (size_t k = 0; k < std::size(kBestFitFrom); ++k) {
        std::string_view form(reinterpret_cast<const char*>(kBestFitBytes) + kBestFitStart[k],
                              kBestFitStart[k + 1] - kBestFitStart[k]);
        for (size_t i = 0; i < form.size(); i += Cp932CharLength(form, i)) {
            size_t length = Cp932CharLength(form, i);
            uint16_t here = length == 2 ? static_cast<uint16_t>(static_cast<uint8_t>(form[i]) << 8 |
                                                                static_cast<uint8_t>(form[i + 1]))
                                        : static_cast<uint8_t>(form[i]);
            if (here == code) {
                sources.push_back(kBestFitFrom[k]);
                break;
            }
        }
    }
    return sources;
}

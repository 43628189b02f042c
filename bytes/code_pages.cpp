#include "bytes/code_pages.h"

#include <algorithm>

#include "bytes/best_fit.h"
#include "bytes/utf8.h"

namespace {

#include "bytes/code_page_tables.inc"

char AsciiUpper(char ch) { return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 32) : ch; }

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiUpper(x) == AsciiUpper(y);
           });
}

}  // namespace

std::optional<CodePage> CodePageFromName(std::string_view name) {
    struct Named {
        std::string_view name;
        CodePage page;
    };
    static constexpr Named kNames[] = {
        {"ANSI_932", CodePage::Cp932},        {"DOS932", CodePage::Cp932},
        {"ANSI_874", CodePage::Windows874},   {"ANSI_1250", CodePage::Windows1250},
        {"ANSI_1251", CodePage::Windows1251}, {"ANSI_1252", CodePage::Windows1252},
        {"ANSI_1253", CodePage::Windows1253}, {"ANSI_1254", CodePage::Windows1254},
        {"ANSI_1255", CodePage::Windows1255}, {"ANSI_1256", CodePage::Windows1256},
        {"ANSI_1257", CodePage::Windows1257}, {"ANSI_1258", CodePage::Windows1258},
    };
    for (const Named& entry : kNames) {
        if (EqualIgnoringAsciiCase(name, entry.name)) return entry.page;
    }
    return std::nullopt;
}

std::optional<uint16_t> UnicodeToCp932(char32_t codePoint) {
    if (codePoint < 0x80) return static_cast<uint16_t>(codePoint);
    if (codePoint > 0xFFFF) return std::nullopt;
    const uint16_t* end = kCp932Unicode + std::size(kCp932Unicode);
    const uint16_t* found = std::lower_bound(kCp932Unicode, end, codePoint);
    if (found == end || *found != codePoint) return std::nullopt;
    return kCp932Code[found - kCp932Unicode];
}

std::vector<char32_t> UnicodeOfCp932(uint16_t code) {
    std::vector<char32_t> codePoints;
    if (code < 0x80) codePoints.push_back(code);
    for (size_t k = 0; k < std::size(kCp932Code); ++k) {
        if (kCp932Code[k] == code) codePoints.push_back(kCp932Unicode[k]);
    }
    return codePoints;
}

void AppendCp932(std::string& out, char32_t codePoint) {
    if (!AppendBestFitCp932(out, codePoint)) out += kUnmappableByte;
}

std::string ToCp932(std::string_view text, CodePage page) {
    if (page == CodePage::Cp932) return std::string(text);
    const uint16_t* upper = kSingleByteUpperHalf[static_cast<int>(page) - 1];
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        auto byte = static_cast<uint8_t>(ch);
        if (byte < 0x80) {
            out += ch;
        } else if (upper[byte - 0x80] == 0) {
            out += kUnmappableByte;
        } else {
            AppendCp932(out, upper[byte - 0x80]);
        }
    }
    return out;
}

char32_t Iso8859ToUnicode(int part, uint8_t byte) {
    if (byte < 0xA0) return byte;
    if (part < 1 || part > 9) return 0xFFFD;
    char32_t codePoint = kIso8859UpperHalf[part - 1][byte - 0xA0];
    return codePoint != 0 ? codePoint : 0xFFFD;
}

std::string Utf8ToCp932Lossy(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        if (static_cast<uint8_t>(utf8[i]) < 0x80) {
            out += utf8[i++];
            continue;
        }
        char32_t codePoint;
        const size_t length = Utf8CharLength(utf8, i, &codePoint);
        if (length == 0) {
            out += kUnmappableByte;
            ++i;
            continue;
        }
        AppendCp932(out, codePoint);
        i += length;
    }
    return out;
}

std::string Utf16LeToCp932(ByteView units) {
    std::string out;
    out.reserve(units.size);
    const size_t count = units.size / 2;
    auto unitAt = [&](size_t k) {
        return static_cast<char32_t>(units.data[2 * k] | units.data[2 * k + 1] << 8);
    };
    for (size_t k = 0; k < count; ++k) {
        char32_t unit = unitAt(k);
        if (unit >= 0xD800 && unit <= 0xDBFF && k + 1 < count) {
            char32_t low = unitAt(k + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendCp932(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++k;
                continue;
            }
        }
        AppendCp932(out, unit >= 0xD800 && unit <= 0xDFFF ? char32_t{0xFFFFFFFF} : unit);
    }
    return out;
}

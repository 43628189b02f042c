#include "platform/encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>

#include "bytes/best_fit.h"
#include "bytes/cp932.h"

namespace {

// One iconv descriptor per conversion call; iconv state is never shared
// between threads.
class Converter {
  public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (m_cd != reinterpret_cast<iconv_t>(-1)) iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of [in, in + inLeft) as it can, appending to `out`.
    // Returns false at an invalid or incomplete sequence, leaving `in` on it.
    bool Convert(const char*& in, size_t& inLeft, std::string& out) {
        char buffer[4096];
        while (inLeft > 0) {
            char* outPtr = buffer;
            size_t outLeft = sizeof buffer;
            size_t r = iconv(m_cd, const_cast<char**>(&in), &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<size_t>(outPtr - buffer));
            if (r == static_cast<size_t>(-1) && errno != E2BIG) return false;
        }
        return true;
    }

  private:
    iconv_t m_cd;
};

// The code point of the well-formed UTF-8 sequence at the start of `text`
// and its length; nothing for a sequence that is broken, overlong, a
// surrogate or past U+10FFFF.
std::optional<char32_t> DecodeUtf8(std::string_view text, size_t& length) {
    if (text.empty()) return std::nullopt;
    auto lead = static_cast<uint8_t>(text[0]);
    length = lead < 0x80                    ? 1
             : lead >= 0xC2 && lead <= 0xDF ? 2
             : lead >= 0xE0 && lead <= 0xEF ? 3
             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                            : 0;
    if (length == 0 || text.size() < length) return std::nullopt;
    char32_t codePoint = length == 1 ? lead : lead & (0x7Fu >> length);
    for (size_t k = 1; k < length; ++k) {
        auto next = static_cast<uint8_t>(text[k]);
        if ((next & 0xC0) != 0x80) return std::nullopt;
        codePoint = codePoint << 6 | (next & 0x3Fu);
    }
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < kLeast[length] || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return std::nullopt;
    }
    return codePoint;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
    std::string out;
    Converter converter("UTF-8", "CP932");
    if (!converter.ok()) return std::string(cp932);
    const char* in = cp932.data();
    size_t left = cp932.size();
    while (!converter.Convert(in, left, out)) {
        out += "\xEF\xBF\xBD";  // U+FFFD
        // Skip the bad character; a lead byte whose next byte cannot be a
        // trail byte (a control character or a digit) goes alone, so line
        // ends survive.
        size_t position = cp932.size() - left;
        size_t skip = Cp932CharLength(cp932, position);
        if (skip == 2 && static_cast<uint8_t>(cp932[position + 1]) < 0x40) skip = 1;
        in += skip;
        left -= skip;
    }
    return out;
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
    std::string out;
    Converter converter("CP932", "UTF-8");
    if (!converter.ok()) return std::nullopt;
    const char* in = utf8.data();
    size_t left = utf8.size();
    while (!converter.Convert(in, left, out)) {
        // A character the converter refuses: its best fit, as the readers
        // give it for the same character in a drawing.
        size_t length = 0;
        std::optional<char32_t> codePoint = DecodeUtf8(std::string_view(in, left), length);
        if (!codePoint || !AppendBestFitCp932(out, *codePoint)) return std::nullopt;
        in += length;
        left -= length;
    }
    return out;
}

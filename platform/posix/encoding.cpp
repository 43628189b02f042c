#include "platform/encoding.h"

#include <iconv.h>

#include <cerrno>

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
    if (!converter.Convert(in, left, out)) return std::nullopt;
    return out;
}

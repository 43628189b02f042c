#include "bytes/match_at.h"
#include "fuzz/fuzz_support.h"
#include "search/drawing_types.h"
#include "search/extract_text.h"

// The first byte picks the reader key; the rest is the file. MatchAt is
// checked on the same bytes: 0, or a position at most the data's length.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::span<const DrawingType> types = DrawingTypes();
    std::string_view key = types[data[0] % types.size()].extension;
    CheckReader([key](ByteView file) { return ExtractTextOfType(key, file); }, data + 1, size - 1);

    std::vector<uint8_t> copy = ExactCopy(data + 1, size - 1);
    ByteView view{copy.data(), copy.size()};
    std::string_view pattern(reinterpret_cast<const char*>(data), size < 4 ? size : 4);
    for (size_t position = 0; position <= view.size + 1; ++position) {
        size_t after = MatchAt(view, position, pattern);
        if (after != 0 && (after > view.size || after != position + pattern.size())) std::abort();
    }
    return 0;
}

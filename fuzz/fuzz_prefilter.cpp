#include "fuzz/fuzz_support.h"
#include "match/keyword_prefilter.h"
#include "match/line_match.h"
#include "match/text_signature.h"
#include "search/drawing_types.h"

// Neither quick rule-out of the search ever rules out a drawing in which the
// keyword test finds a piece: the prefilter over the drawing's bytes (for the
// types it knows, DXF and JWK) and the text signature the cache keeps (for
// every type). The input is read as each type; the keywords are pieces of the
// drawing's own lines, two to four bytes from a place that the input's first
// bytes choose, so that the test does match and there is something to look for.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> copy = ExactCopy(data, size);
    ByteView view{copy.data(), copy.size()};
    for (const DrawingType& type : DrawingTypes()) {
        MemorySource source(view);
        ExtractedText text;
        type.read(source, text);
        std::string signature;
        for (size_t i = 0; i < text.size() && i < 16; ++i) {
            std::string_view line = text[i].text;
            if (line.size() < 2) continue;
            size_t start = size > i ? data[i] % line.size() : 0;
            size_t length = 2 + (size > i + 1 ? data[i + 1] % 3 : 0);
            KeywordList pieces = PrepareKeywords(line.substr(start, length));
            if (pieces.empty() || !FindMatchingLine(text, pieces)) continue;
            if (type.rawText != 0 && !KeywordPrefilter(pieces).MayMatch(view, type.rawText)) {
                std::abort();
            }
            if (signature.empty()) signature = MakeTextSignature(text);
            if (!SignatureQuery(pieces).MayMatch(signature)) std::abort();
        }
    }
    return 0;
}

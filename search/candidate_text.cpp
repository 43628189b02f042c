#include "search/candidate_text.h"

#include <cerrno>
#include <new>

#include "platform/file_source.h"
#include "platform/fs.h"
#include "search/drawing_types.h"
#include "search/extract_text.h"

std::optional<LineMatch> MatchCandidateText(const std::string& path, bool knownRegular,
                                            const KeywordTest& test, CandidateScratch& scratch,
                                            bool& readable) {
    readable = true;
    ExtractedText& text = scratch.text;
    text.Clear();
    try {
        const DrawingType* type = FindDrawingType(ExtractionKey(path));
        std::unique_ptr<ByteSource> file = OpenFileSource(path, knownRegular);
        if (!file) {
            readable = false;
            return FindMatchingLine(text, test.pieces);
        }
        if (type == nullptr) return FindMatchingLine(text, test.pieces);
        // The prefilter reads the file in blocks that it looks through while
        // they are fresh in the processor's cache; most drawings end there.
        if (!test.prefilter.MayMatch(*file, type->rawText, scratch.bytes)) return std::nullopt;
        ByteSource* source = file.get();
        MemorySource whole(ByteView{});
        if (type->frontToBack && file->Size() <= CandidateScratch::kWholeReadLimit) {
            // One read into the thread's buffer, walked there in place.
            whole = MemorySource(file->Read(0, static_cast<size_t>(file->Size()), scratch.bytes));
            source = &whole;
        }
        // The lines are tested a text-full at a time, so a drawing of any
        // size is read to its end (or to its first match) in the memory of
        // one text.
        std::optional<LineMatch> match;
        text.SetFlush([&](const ExtractedText& held) {
            match = FindMatchingLine(held, test.pieces);
            return !match;
        });
        type->read(*source, text);
        text.SetFlush(nullptr);
        if (!match) match = FindMatchingLine(text, test.pieces);
        return match;
    } catch (const std::bad_alloc&) {
        // Memory ran out: a drawing that cannot be read.
        text.SetFlush(nullptr);
        text.Clear();
        readable = false;
        SetLastReadError(ENOMEM);
        return std::nullopt;
    }
}

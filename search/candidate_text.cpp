#include "search/candidate_text.h"

#include <new>

#include "platform/file_source.h"
#include "search/drawing_types.h"
#include "search/extract_text.h"

ReadResult<CandidateReading> ReadCandidateText(const std::string& path, bool knownRegular,
                                               const KeywordList& keywords,
                                               const KeywordPrefilter* prefilter, bool wholeText,
                                               CandidateScratch& scratch) {
    CandidateReading reading;
    ExtractedText& text = scratch.text;
    text.SetFlush(nullptr);
    text.Clear();
    try {
        ReadResult<std::unique_ptr<ByteSource>> opened = OpenFileSource(path, knownRegular);
        if (!opened) return opened.Error();
        std::unique_ptr<ByteSource>& file = *opened;
        const DrawingType* type = DrawingTypeOfPath(path);
        if (type == nullptr) {
            reading.wholeText = true;
            return reading;
        }
        // The prefilter reads the file in blocks that it looks through while
        // they are fresh in the processor's cache; most drawings end there.
        if (prefilter != nullptr && !prefilter->MayMatch(*file, type->rawText, scratch.bytes)) {
            reading.ruledOut = true;
            return reading;
        }
        ByteSource* source = file.get();
        MemorySource whole(ByteView{});
        if (type->readWholeWhenSmall && file->Size() <= CandidateScratch::kWholeReadLimit) {
            // One read into the thread's buffer, walked there in place.
            whole = MemorySource(file->Read(0, static_cast<size_t>(file->Size()), scratch.bytes));
            source = &whole;
        }
        // The lines are tested as the text fills; a match ends the reading
        // unless the whole text is wanted.
        auto test = [&](const ExtractedText& held) {
            if (!reading.match && !keywords.empty()) {
                reading.match = FindMatchingLine(held, keywords);
            }
            return wholeText || !reading.match;
        };
        text.SetFlush(test);
        type->read(*source, text);
        text.SetFlush(nullptr);
        reading.wholeText = !text.Flushed() && !text.Full();
        test(text);
        return reading;
    } catch (const std::bad_alloc&) {
        text.SetFlush(nullptr);
        text.Clear();
        return OutOfMemoryError();
    }
}

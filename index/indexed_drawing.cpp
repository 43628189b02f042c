#include "index/indexed_drawing.h"

#include <new>

#include "index/indexed_form.h"
#include "match/line_match.h"
#include "platform/file_source.h"
#include "search/candidate_text.h"
#include "search/drawing_types.h"

void IndexedChunk::Add(TextKind kind, std::string_view seen, std::string_view matchForm) {
    lines += static_cast<char>(kind);
    // LEB128: seven bits a byte, low bits first, the top bit set on all but the last.
    for (uint64_t length = seen.size();; length >>= 7) {
        if (length < 0x80) {
            lines += static_cast<char>(length);
            break;
        }
        lines += static_cast<char>(0x80 | (length & 0x7F));
    }
    lines.append(seen);
    if (count > 0) folded += kIndexedLineSeparator;
    AppendIndexedForm(matchForm, folded);
    ++count;
}

bool ForEachPackedLine(std::string_view lines,
                       const std::function<void(TextKind, std::string_view)>& take) {
    size_t at = 0;
    while (at < lines.size()) {
        auto kind = static_cast<uint8_t>(lines[at++]);
        if (kind >= kTextKindCount) return false;
        uint64_t length = 0;
        for (int shift = 0;; shift += 7) {
            if (at >= lines.size() || shift > 56) return false;
            auto byte = static_cast<uint8_t>(lines[at++]);
            length |= uint64_t{byte & 0x7Fu} << shift;
            if ((byte & 0x80) == 0) break;
        }
        if (length > lines.size() - at) return false;
        take(static_cast<TextKind>(kind), lines.substr(at, static_cast<size_t>(length)));
        at += static_cast<size_t>(length);
    }
    return true;
}

IndexReadScratch::IndexReadScratch() : text(CandidateScratch::kTextLimit) {}

namespace {

// Packs the lines `held` into a chunk, as the keyword test sees them.
IndexedChunk PackLines(const ExtractedText& held, IndexReadScratch& scratch) {
    IndexedChunk chunk;
    for (size_t i = 0; i < held.size(); ++i) {
        std::string_view seen = CleanAndFold(held[i], scratch.cleaned, scratch.folded);
        chunk.Add(held[i].kind, seen, scratch.folded);
    }
    return chunk;
}

}  // namespace

ReadResult<IndexedReading> ReadIndexedDrawing(const std::string& path, const FileStatus& status,
                                              IndexReadScratch& scratch) {
    IndexedReading reading;
    if (!status.isRegularFile) return reading;
    ExtractedText& text = scratch.text;
    text.SetFlush(nullptr);
    text.Clear();
    try {
        const DrawingType* type = DrawingTypeOfPath(path);
        if (type == nullptr) return reading;
        ReadResult<std::unique_ptr<ByteSource>> opened = OpenFileSource(path, true);
        if (!opened) {
            // Something else now stands where the file was: no text, as a search finds.
            if (opened.Error().kind == ReadFailure::NotARegularFile) return reading;
            return opened.Error();
        }
        ByteSource* source = opened->get();
        MemorySource whole(ByteView{});
        if (type->readWholeWhenSmall && source->Size() <= CandidateScratch::kWholeReadLimit) {
            whole =
                MemorySource(source->Read(0, static_cast<size_t>(source->Size()), scratch.bytes));
            source = &whole;
        }
        size_t kept = 0;
        // Each text-full of lines becomes a chunk, until the limit.
        auto keep = [&](const ExtractedText& held) {
            if (held.empty()) return true;
            if (kept + held.ByteCount() > kIndexedTextLimit) {
                reading.cut = true;
                return false;
            }
            kept += held.ByteCount();
            reading.chunks.push_back(PackLines(held, scratch));
            return true;
        };
        text.SetFlush(keep);
        type->read(*source, text);
        text.SetFlush(nullptr);
        if (!reading.cut) keep(text);
        text.Clear();
        return reading;
    } catch (const std::bad_alloc&) {
        text.SetFlush(nullptr);
        text.Clear();
        return OutOfMemoryError();
    }
}

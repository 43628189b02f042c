#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "bytes/extracted_text.h"
#include "bytes/text_kind.h"
#include "platform/file_status.h"
#include "platform/read_result.h"

// Part of a drawing's lines as the index keeps them (one row of the texts
// table): each line packed as its kind (one byte), its length (LEB128) and
// the text the keyword test sees (CP932, after its kind's clean-up); and the
// same lines' match forms in their indexed form, U+001F between them.
struct IndexedChunk {
    std::string lines;
    std::string folded;
    size_t count = 0;  // lines

    // Adds one line: what the keyword test sees of it, and its match form.
    void Add(TextKind kind, std::string_view seen, std::string_view matchForm);
};

// Calls `take` with each line packed in `lines`, in order. False when the
// bytes are damaged (a kind out of range, a length past the end): the lines
// before the damage were taken.
bool ForEachPackedLine(std::string_view lines,
                       const std::function<void(TextKind, std::string_view)>& take);

// One drawing as the index keeps it.
struct IndexedDrawing {
    std::string path = {};  // absolute, as found by the walk
    FileStatus status = {};
    unsigned typeBit = 0;
    uint32_t generation = 0;
    std::vector<IndexedChunk> chunks = {};  // none for an entry that is no regular file
};

// What one reading thread keeps from drawing to drawing.
struct IndexReadScratch {
    std::vector<uint8_t> bytes;
    ExtractedText text;
    std::string cleaned;
    std::string folded;
    IndexReadScratch();
};

// The most text the index keeps of one drawing (the bytes of its lines as the
// keyword test sees them): what a drawing holds past it is not kept, so that
// a hostile drawing cannot make the indexer hold gigabytes at once.
inline constexpr size_t kIndexedTextLimit = size_t{64} << 20;

// What reading a drawing for the index gave.
struct IndexedReading {
    std::vector<IndexedChunk> chunks;
    bool cut = false;  // the drawing holds more text than kIndexedTextLimit
};

// Reads the drawing at `path`, whose status was just read as `status`, with
// the reader of its type (as a search reads it: the same readers, caps and
// type table), into chunks of about a scratch text's size. An entry that is
// no regular file, or a file of no drawing type, gives no chunks. Gives the
// error when the file cannot be opened or memory runs out. Never throws.
ReadResult<IndexedReading> ReadIndexedDrawing(const std::string& path, const FileStatus& status,
                                              IndexReadScratch& scratch);

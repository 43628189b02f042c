#include "search/extract_text.h"

#include <new>

#include "platform/file_source.h"
#include "search/drawing_types.h"

void ExtractTextOfType(std::string_view key, ByteSource& file, ExtractedText& out) {
    if (const DrawingType* type = FindDrawingType(key)) type->read(file, out);
}

std::string ExtractTextOfType(std::string_view key, ByteView bytes) {
    MemorySource source(bytes);
    ExtractedText text;
    ExtractTextOfType(key, source, text);
    return text.Joined();
}

std::string LowerCasePath(std::string path) {
    for (char& ch : path) {
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    }
    return path;
}

ReadResult<void> ExtractText(const std::string& path, ExtractedText& out) {
    try {
        ReadResult<std::unique_ptr<ByteSource>> source = OpenFileSource(path);
        if (!source) return source.Error();
        if (const DrawingType* type = DrawingTypeOfPath(path)) type->read(**source, out);
        return {};
    } catch (const std::bad_alloc&) {
        // A file too large to hold, or text too large to build: treated as a
        // file that cannot be read.
        out.Clear();
        return OutOfMemoryError();
    }
}

std::string ExtractText(const std::string& path) {
    ExtractedText text;
    if (!ExtractText(path, text)) return {};
    return text.Joined();
}

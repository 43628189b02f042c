#include "dwg/preview.h"
#include "dwg/preview_png.h"
#include "fuzz/fuzz_support.h"

// The DWG header preview and the DXF thumbnail readers over any bytes: a
// picture is within the limits and sound, the same whether the input is read
// in place or a few bytes a read, and the same twice; a bitmap always
// converts to a PNG of its own size.
namespace {

bool SamePreview(const DrawingPreview& a, const DrawingPreview& b) {
    return a.format == b.format && a.bytes == b.bytes && a.width == b.width && a.height == b.height;
}

void CheckPreview(DrawingPreview (*read)(ByteSource&), const uint8_t* data, size_t size) {
    std::vector<uint8_t> copy = ExactCopy(data, size);
    ByteView view{copy.data(), copy.size()};
    MemorySource inMemory(view);
    DrawingPreview preview = read(inMemory);
    if (preview.bytes.size() > kPreviewByteLimit) std::abort();
    if (preview.format == PreviewFormat::None && !preview.bytes.empty()) std::abort();
    if (preview.format == PreviewFormat::Bmp || preview.format == PreviewFormat::Png) {
        if (preview.width < 1 || preview.width > kPreviewSideLimit || preview.height < 1 ||
            preview.height > kPreviewSideLimit) {
            std::abort();
        }
        DrawingPreview measured = preview;
        if (!MeasurePreview(measured) || !SamePreview(measured, preview)) std::abort();
    }
    if (preview.format == PreviewFormat::Bmp) {
        std::vector<uint8_t> png = PreviewAsPng(preview);
        if (png.size() < 24 || ReadBe32At({png.data(), png.size()}, 16) != preview.width ||
            ReadBe32At({png.data(), png.size()}, 20) != preview.height) {
            std::abort();
        }
    }
    if (!SamePreview(read(inMemory), preview)) std::abort();
    ExactCopySource copies(view);
    testing_support::BlockLimitSource blocks(copies, BlockSizeFor(data, size));
    if (!SamePreview(read(blocks), preview)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckPreview(ReadDwgPreview, data, size);
    CheckPreview(ReadDxfPreview, data, size);
    // A bitmap as the input itself: the converter never reads past it.
    std::vector<uint8_t> copy = ExactCopy(data, size);
    DrawingPreview bitmap{PreviewFormat::Bmp, copy};
    if (MeasurePreview(bitmap) && PreviewAsPng(bitmap).empty()) std::abort();
    if (!MeasurePreview(bitmap) && !PreviewAsPng(bitmap).empty()) std::abort();
    return 0;
}

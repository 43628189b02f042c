#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "bytes/byte_source.h"
#include "bytes/byte_view.h"

// The picture a drawing keeps of itself for file choosers and previews.
enum class PreviewFormat : uint8_t {
    None,  // no picture, or one refused as damaged or too large
    Bmp,   // a device-independent bitmap as stored: its 40-byte header, the
           // colour table and the pixel rows, without a file header
    Png,   // a whole PNG file
    Wmf,   // a Windows metafile (R13 to R2000 may keep one): not drawn here
};

struct DrawingPreview {
    PreviewFormat format = PreviewFormat::None;
    std::vector<uint8_t> bytes;  // the picture as the drawing stores it
    uint32_t width = 0;          // pixels, from the picture's own header (0 for Wmf)
    uint32_t height = 0;
};

// Bounds on what a preview may claim: bytes kept, and pixels a side (so that
// decoding it takes at most a few tens of megabytes).
inline constexpr size_t kPreviewByteLimit = size_t{8} << 20;
inline constexpr uint32_t kPreviewSideLimit = 2048;

// The preview in a DWG file's header, R13 to 2018 ("AC1012" to "AC1032"):
// the long at 0x0D gives the file offset of the preview block, which all
// these versions keep uncompressed:
//   16 bytes   start sentinel 1F 25 6D 07 D4 36 28 28 9D 57 CA 3F 9D 44 10 2B
//   RL         size of what follows, up to the end of the last picture
//   RC         number of entries
//   entries    RC code, RL file offset, RL size each: code 1 the header data
//              (80 bytes, not a picture), 2 a bitmap (R13 to 2010), 3 a
//              metafile (R13 to R2000), 6 a PNG (2013 on)
// A PNG is taken first, then a bitmap, then a metafile. A picture whose size
// passes kPreviewByteLimit or the end of the file, or whose own header is not
// sound (MeasurePreview), is refused. Other versions, a short file and a
// damaged block give None. Reads only the block and the picture, with
// positioned reads; keeps no state.
DrawingPreview ReadDwgPreview(ByteSource& file);

// The THUMBNAILIMAGE section of a DXF file (ASCII, or binary with two-byte
// group codes), which holds a bitmap like a DWG's: group 90 its byte count,
// then groups 310 with its bytes (hexadecimal digits in ASCII, a length byte
// and the bytes in binary), ended by group 0. The file is scanned for the
// section's name front to back in blocks (memory does not grow with the
// file). A count or the bytes passing kPreviewByteLimit, a group that does
// not belong there, bad hexadecimal digits or an unsound bitmap give None.
DrawingPreview ReadDxfPreview(ByteSource& file);

// How a device-independent bitmap lays out its pixels.
struct BitmapLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    bool topDown = false;     // rows from the top (a negative height); else from the bottom
    uint16_t bitCount = 0;    // 1, 4, 8, 16 (5-5-5), 24 or 32 bits a pixel
    size_t paletteAt = 0;     // offset of the colour table (4 bytes an entry: B, G, R, 0)
    size_t paletteCount = 0;  // its entries (bit counts up to 8)
    size_t pixelsAt = 0;      // offset of the first stored row
    size_t rowBytes = 0;      // bytes a stored row takes (padded to 4)
};

// The layout of the bitmap `dib` holds: a header of at least 40 bytes, one
// plane, uncompressed (BI_RGB), sides from 1 to kPreviewSideLimit, and every
// row inside the data. Nothing for anything else.
std::optional<BitmapLayout> ReadBitmapLayout(ByteView dib);

// Fills the preview's width and height from its picture's header and says
// whether the picture is sound: a bitmap as ReadBitmapLayout asks; a PNG
// with its signature and an IHDR chunk first, of sides from 1 to
// kPreviewSideLimit; a metafile of at most kPreviewByteLimit bytes.
bool MeasurePreview(DrawingPreview& preview);

#include "dwg/preview_png.h"

#include <zlib.h>

#include <array>
#include <optional>
#include <string_view>

namespace {

void AppendBe32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

// A chunk: length, type, data, and the CRC-32 of type and data.
void AppendChunk(std::vector<uint8_t>& out, std::string_view type, const uint8_t* data,
                 size_t size) {
    AppendBe32(out, static_cast<uint32_t>(size));
    const size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data, data + size);
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
    AppendBe32(out, static_cast<uint32_t>(crc));
}

// The colour of pixel `x` of a stored row, as R, G, B.
std::array<uint8_t, 3> PixelOf(ByteView dib, const BitmapLayout& layout, const uint8_t* row,
                               uint32_t x) {
    size_t index = 0;
    switch (layout.bitCount) {
        case 1:
            index = row[x / 8] >> (7 - x % 8) & 0x01;
            break;
        case 4:
            index = row[x / 2] >> (x % 2 == 0 ? 4 : 0) & 0x0F;
            break;
        case 8:
            index = row[x];
            break;
        case 16: {
            // 5-5-5: x RRRRR GGGGG BBBBB, low byte first; each 5 bits widened to 8.
            const uint32_t value = uint32_t{row[2 * x]} | uint32_t{row[2 * x + 1]} << 8;
            auto wide = [](uint32_t five) { return static_cast<uint8_t>(five << 3 | five >> 2); };
            return {wide(value >> 10 & 0x1F), wide(value >> 5 & 0x1F), wide(value & 0x1F)};
        }
        case 24:
            return {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
        default:  // 32: B, G, R, unused
            return {row[4 * x + 2], row[4 * x + 1], row[4 * x]};
    }
    if (index >= layout.paletteCount) return {0, 0, 0};
    const uint8_t* entry = dib.data + layout.paletteAt + index * 4;
    return {entry[2], entry[1], entry[0]};
}

std::vector<uint8_t> BitmapAsPng(ByteView dib) {
    std::optional<BitmapLayout> layout = ReadBitmapLayout(dib);
    if (!layout) return {};
    // Filter byte 0 (none) before each row of R, G, B, top row first.
    const size_t lineBytes = 1 + size_t{layout->width} * 3;
    std::vector<uint8_t> raw(lineBytes * layout->height);
    for (uint32_t y = 0; y < layout->height; ++y) {
        const uint32_t stored = layout->topDown ? y : layout->height - 1 - y;
        const uint8_t* row = dib.data + layout->pixelsAt + stored * layout->rowBytes;
        uint8_t* line = raw.data() + y * lineBytes;
        line[0] = 0;
        for (uint32_t x = 0; x < layout->width; ++x) {
            std::array<uint8_t, 3> rgb = PixelOf(dib, *layout, row, x);
            line[1 + 3 * x] = rgb[0];
            line[2 + 3 * x] = rgb[1];
            line[3 + 3 * x] = rgb[2];
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()),
                  Z_BEST_SPEED) != Z_OK) {
        return {};
    }

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    // IHDR: width, height, bit depth 8, colour type 2 (RGB), compression,
    // filter and interlace methods 0.
    std::vector<uint8_t> header;
    AppendBe32(header, layout->width);
    AppendBe32(header, layout->height);
    header.insert(header.end(), {8, 2, 0, 0, 0});
    AppendChunk(png, "IHDR", header.data(), header.size());
    AppendChunk(png, "IDAT", packed.data(), packedSize);
    AppendChunk(png, "IEND", nullptr, 0);
    return png;
}

}  // namespace

std::vector<uint8_t> PreviewAsPng(const DrawingPreview& preview) {
    switch (preview.format) {
        case PreviewFormat::Png:
            return preview.bytes;
        case PreviewFormat::Bmp:
            return BitmapAsPng({preview.bytes.data(), preview.bytes.size()});
        case PreviewFormat::Wmf:
        case PreviewFormat::None:
            break;
    }
    return {};
}

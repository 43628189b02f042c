#include "dwg/preview.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "dwg/preview_png.h"
#include "tests/block_limit_source.h"
#include "tests/dwg/dwg_fixtures.h"
#include "tests/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

void PutLe32(Bytes& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}
void PutLe16(Bytes& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

// A device-independent bitmap: the 40-byte header, `palette` (B, G, R, 0
// each) and `pixels` as stored rows.
Bytes Bitmap(int32_t width, int32_t height, uint16_t bitCount, const Bytes& palette,
             const Bytes& pixels) {
    Bytes dib;
    PutLe32(dib, 40);
    PutLe32(dib, static_cast<uint32_t>(width));
    PutLe32(dib, static_cast<uint32_t>(height));
    PutLe16(dib, 1);
    PutLe16(dib, bitCount);
    PutLe32(dib, 0);  // BI_RGB
    PutLe32(dib, static_cast<uint32_t>(pixels.size()));
    PutLe32(dib, 0);
    PutLe32(dib, 0);
    PutLe32(dib, static_cast<uint32_t>(palette.size() / 4));
    PutLe32(dib, 0);
    dib.insert(dib.end(), palette.begin(), palette.end());
    dib.insert(dib.end(), pixels.begin(), pixels.end());
    return dib;
}

// A 2 x 2 bitmap of 8 bits a pixel, three palette entries (red, green,
// blue); stored bottom row first: bottom = green, index 7 (past the table);
// top = red, blue.
Bytes SmallBitmap() {
    return Bitmap(2, 2, 8, {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0}, {1, 7, 0, 0, 0, 2, 0, 0});
}

// The start of a PNG of `width` x `height`: signature and IHDR.
Bytes PngHeader(uint32_t width, uint32_t height) {
    Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (uint32_t value : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            png.push_back(static_cast<uint8_t>(value >> shift));
        }
    }
    png.insert(png.end(), {8, 2, 0, 0, 0, 0, 0, 0, 0});
    return png;
}

struct Entry {
    uint8_t code;
    Bytes bytes;
    uint32_t claimedSize = 0;  // 0: the bytes' own size
};

// A DWG of `version` whose header preview block holds `entries`, each picture
// after the table.
Bytes DwgWithPreview(const std::string& version, const std::vector<Entry>& entries) {
    Bytes file(version.begin(), version.end());
    file.resize(0x0D, 0);
    const uint32_t address = 0x40;
    PutLe32(file, address);
    file.resize(address, 0);
    const uint8_t sentinel[16] = {0x1F, 0x25, 0x6D, 0x07, 0xD4, 0x36, 0x28, 0x28,
                                  0x9D, 0x57, 0xCA, 0x3F, 0x9D, 0x44, 0x10, 0x2B};
    file.insert(file.end(), sentinel, sentinel + 16);
    size_t total = 1 + entries.size() * 9;
    for (const Entry& entry : entries) total += entry.bytes.size();
    PutLe32(file, static_cast<uint32_t>(total));
    file.push_back(static_cast<uint8_t>(entries.size()));
    uint32_t at = static_cast<uint32_t>(file.size() + entries.size() * 9);
    for (const Entry& entry : entries) {
        file.push_back(entry.code);
        PutLe32(file, at);
        PutLe32(file, entry.claimedSize != 0 ? entry.claimedSize
                                             : static_cast<uint32_t>(entry.bytes.size()));
        at += static_cast<uint32_t>(entry.bytes.size());
    }
    for (const Entry& entry : entries)
        file.insert(file.end(), entry.bytes.begin(), entry.bytes.end());
    return file;
}

DrawingPreview DwgPreviewOf(const Bytes& file) {
    MemorySource source({file.data(), file.size()});
    return ReadDwgPreview(source);
}

DrawingPreview DxfPreviewOf(const std::string& text, size_t blockSize = 0) {
    MemorySource source(AsBytes(text));
    if (blockSize == 0) return ReadDxfPreview(source);
    testing_support::BlockLimitSource blocks(source, blockSize);
    return ReadDxfPreview(blocks);
}

// The RGB rows of a PNG that PreviewAsPng wrote (one IDAT, filter 0 rows).
std::vector<Bytes> PngRows(const Bytes& png, uint32_t& width, uint32_t& height) {
    ByteView view{png.data(), png.size()};
    width = ReadBe32At(view, 16);
    height = ReadBe32At(view, 20);
    Bytes packed;
    for (size_t at = 8; at + 8 <= png.size();) {
        const uint32_t length = ReadBe32At(view, at);
        std::string type(reinterpret_cast<const char*>(png.data()) + at + 4, 4);
        if (type == "IDAT")
            packed.insert(packed.end(), png.begin() + at + 8, png.begin() + at + 8 + length);
        at += 12 + length;
    }
    Bytes raw((1 + width * 3) * height);
    uLongf size = raw.size();
    EXPECT_EQ(uncompress(raw.data(), &size, packed.data(), packed.size()), Z_OK);
    std::vector<Bytes> rows;
    for (uint32_t y = 0; y < height; ++y) {
        EXPECT_EQ(raw[y * (1 + width * 3)], 0);
        rows.emplace_back(raw.begin() + y * (1 + width * 3) + 1,
                          raw.begin() + (y + 1) * (1 + width * 3));
    }
    return rows;
}

std::string Hex(const Bytes& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string text;
    for (uint8_t b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

// An ASCII DXF with `thumbnail` as its THUMBNAILIMAGE section's body.
std::string AsciiDxf(const std::string& thumbnail) {
    return "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\nENDSEC\r\n  0\r\nSECTION\r\n  2\r\n"
           "THUMBNAILIMAGE\r\n" +
           thumbnail + "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";
}

// The bitmap's groups: 90 and 310 lines of at most `perLine` bytes.
std::string ThumbnailGroups(const Bytes& dib, size_t perLine = 128) {
    std::string text = " 90\r\n" + std::to_string(dib.size()) + "\r\n";
    for (size_t at = 0; at < dib.size(); at += perLine) {
        Bytes piece(dib.begin() + at, dib.begin() + std::min(dib.size(), at + perLine));
        text += "310\r\n" + Hex(piece) + "\r\n";
    }
    return text;
}

}  // namespace

TEST(ReadDwgPreview, TakesThePngFirstThenTheBitmapAndSkipsTheHeaderData) {
    Bytes header(80, 0);
    Bytes png = PngHeader(3, 2);
    DrawingPreview preview =
        DwgPreviewOf(DwgWithPreview("AC1027", {{1, header}, {2, SmallBitmap()}, {6, png}}));
    EXPECT_EQ(preview.format, PreviewFormat::Png);
    EXPECT_EQ(preview.bytes, png);
    EXPECT_EQ(preview.width, 3u);
    EXPECT_EQ(preview.height, 2u);

    preview = DwgPreviewOf(DwgWithPreview("AC1015", {{1, header}, {2, SmallBitmap()}}));
    EXPECT_EQ(preview.format, PreviewFormat::Bmp);
    EXPECT_EQ(preview.bytes, SmallBitmap());
    EXPECT_EQ(preview.width, 2u);

    // Only a metafile: kept, but it has no size of its own.
    preview = DwgPreviewOf(DwgWithPreview("AC1012", {{1, header}, {3, Bytes(30, 7)}}));
    EXPECT_EQ(preview.format, PreviewFormat::Wmf);
    EXPECT_TRUE(PreviewAsPng(preview).empty());

    // The same block in an R12 drawing means nothing.
    EXPECT_EQ(DwgPreviewOf(DwgWithPreview("AC1009", {{2, SmallBitmap()}})).format,
              PreviewFormat::None);
}

TEST(ReadDwgPreview, RefusesClaimsPastTheLimitOrTheFileAndDamagedBlocks) {
    // A picture that claims gigabytes: refused before anything is allocated.
    Bytes file = DwgWithPreview("AC1015", {{2, SmallBitmap(), 0xFFFFFFF0u}});
    EXPECT_EQ(DwgPreviewOf(file).format, PreviewFormat::None);
    // Past the end of the file, though under the limit.
    file = DwgWithPreview("AC1015", {{2, SmallBitmap(), 4000}});
    EXPECT_EQ(DwgPreviewOf(file).format, PreviewFormat::None);
    // A PNG claiming 100000 pixels a side.
    EXPECT_EQ(DwgPreviewOf(DwgWithPreview("AC1032", {{6, PngHeader(100000, 10)}})).format,
              PreviewFormat::None);
    // A damaged bitmap does not hide a sound PNG, nor a damaged PNG a bitmap.
    Bytes shortBitmap = SmallBitmap();
    shortBitmap.resize(shortBitmap.size() - 1);
    EXPECT_EQ(DwgPreviewOf(DwgWithPreview("AC1018", {{2, shortBitmap}})).format,
              PreviewFormat::None);
    EXPECT_EQ(
        DwgPreviewOf(DwgWithPreview("AC1018", {{6, PngHeader(0, 5)}, {2, SmallBitmap()}})).format,
        PreviewFormat::Bmp);

    // A wrong sentinel, an address past the end, a table cut off.
    file = DwgWithPreview("AC1015", {{2, SmallBitmap()}});
    Bytes damaged = file;
    damaged[0x40] ^= 1;
    EXPECT_EQ(DwgPreviewOf(damaged).format, PreviewFormat::None);
    damaged = file;
    damaged[0x10] = 0x7F;
    EXPECT_EQ(DwgPreviewOf(damaged).format, PreviewFormat::None);
    damaged = file;
    damaged[0x40 + 20] = 255;  // 255 entries announced
    EXPECT_EQ(DwgPreviewOf(damaged).format, PreviewFormat::None);
    for (size_t cut = 0; cut < file.size(); ++cut) {
        Bytes head(file.begin(), file.begin() + cut);
        EXPECT_EQ(DwgPreviewOf(head).format, PreviewFormat::None) << cut;
    }
}

TEST(ReadBitmapLayout, AcceptsOnlyUncompressedBitmapsWhoseRowsAreAllThere) {
    // 3 pixels of 24 bits: 9 bytes a row, padded to 12.
    Bytes dib = Bitmap(3, -2, 24, {}, Bytes(24, 0));
    std::optional<BitmapLayout> layout = ReadBitmapLayout({dib.data(), dib.size()});
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->rowBytes, 12u);
    EXPECT_TRUE(layout->topDown);
    EXPECT_EQ(layout->pixelsAt, 40u);

    dib = Bitmap(3, 2, 24, {}, Bytes(23, 0));  // a byte short
    EXPECT_FALSE(ReadBitmapLayout({dib.data(), dib.size()}));
    dib = Bitmap(9, 1, 1, {0, 0, 0, 0, 255, 255, 255, 0}, Bytes(4, 0));
    layout = ReadBitmapLayout({dib.data(), dib.size()});
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->paletteCount, 2u);
    EXPECT_EQ(layout->rowBytes, 4u);

    // A colour table claimed larger than the bit count allows is held to it.
    dib = Bitmap(1, 1, 1, Bytes(8, 0), Bytes(4, 0));
    dib[32] = 200;
    EXPECT_EQ(ReadBitmapLayout({dib.data(), dib.size()})->paletteCount, 2u);

    for (auto [offset, value] : {std::pair{12, 2}, std::pair{14, 7}, std::pair{16, 1}}) {
        dib = SmallBitmap();
        dib[static_cast<size_t>(offset)] = static_cast<uint8_t>(value);  // planes, bits, RLE8
        EXPECT_FALSE(ReadBitmapLayout({dib.data(), dib.size()})) << offset;
    }
    dib = Bitmap(static_cast<int32_t>(kPreviewSideLimit) + 1, 1, 8, {}, Bytes(4000, 0));
    EXPECT_FALSE(ReadBitmapLayout({dib.data(), dib.size()}));
    dib = Bitmap(1, -0x7FFFFFFF - 1, 8, {}, Bytes(4, 0));
    EXPECT_FALSE(ReadBitmapLayout({dib.data(), dib.size()}));
    EXPECT_FALSE(ReadBitmapLayout({dib.data(), 39}));
}

TEST(PreviewAsPng, ConvertsABitmapTopRowFirstThroughItsColourTable) {
    DrawingPreview preview{PreviewFormat::Bmp, SmallBitmap()};
    ASSERT_TRUE(MeasurePreview(preview));
    uint32_t width = 0, height = 0;
    std::vector<Bytes> rows = PngRows(PreviewAsPng(preview), width, height);
    EXPECT_EQ(width, 2u);
    EXPECT_EQ(height, 2u);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (Bytes{255, 0, 0, 0, 0, 255}));  // red, blue
    EXPECT_EQ(rows[1], (Bytes{0, 255, 0, 0, 0, 0}));    // green, past the table: black

    // 4 and 16 bits a pixel.
    Bytes nibbles = Bitmap(3, -1, 4, {0, 0, 0, 0, 10, 20, 30, 0}, {0x10, 0x10, 0, 0});
    rows = PngRows(PreviewAsPng({PreviewFormat::Bmp, nibbles}), width, height);
    EXPECT_EQ(rows[0], (Bytes{30, 20, 10, 0, 0, 0, 30, 20, 10}));
    Bytes fives = Bitmap(1, 1, 16, {}, {0x1F, 0x7C, 0, 0});  // 0 11111 00000 11111
    rows = PngRows(PreviewAsPng({PreviewFormat::Bmp, fives}), width, height);
    EXPECT_EQ(rows[0], (Bytes{255, 0, 255}));

    // A PNG passes as it is; nothing comes of nothing.
    Bytes png = PngHeader(1, 1);
    EXPECT_EQ(PreviewAsPng({PreviewFormat::Png, png}), png);
    EXPECT_TRUE(PreviewAsPng({}).empty());
}

TEST(ReadDxfPreview, ReadsTheThumbnailSectionInAsciiAndBinary) {
    Bytes dib = SmallBitmap();
    std::string ascii = AsciiDxf(ThumbnailGroups(dib, 16));
    for (size_t block : {size_t{0}, size_t{1}, size_t{7}, size_t{40}}) {
        DrawingPreview preview = DxfPreviewOf(ascii, block);
        EXPECT_EQ(preview.format, PreviewFormat::Bmp) << block;
        EXPECT_EQ(preview.bytes, dib) << block;
    }
    // LF line ends and lower-case digits.
    std::string lf;
    bool digits = false;
    for (char c : AsciiDxf(ThumbnailGroups(dib))) {
        if (c == '\n') digits = lf.ends_with("310");
        if (c != '\r') lf += digits ? static_cast<char>(std::tolower(c)) : c;
    }
    ASSERT_NE(lf.find("310\n28"), std::string::npos);
    ASSERT_NE(lf.find("ff"), std::string::npos);
    EXPECT_EQ(DxfPreviewOf(lf).bytes, dib);

    // Binary: codes of two bytes; 310 a length byte and the bytes.
    std::string binary("AutoCAD Binary DXF\r\n\x1a\0", 22);
    binary += std::string("\0\0SECTION\0\x02\0THUMBNAILIMAGE\0", 27);
    binary += std::string("\x5a\0", 2);
    std::string count(4, '\0');
    count[0] = static_cast<char>(dib.size());
    binary += count;
    for (size_t at = 0; at < dib.size(); at += 50) {
        size_t size = std::min<size_t>(50, dib.size() - at);
        binary += std::string("\x36\x01", 2);
        binary += static_cast<char>(size);
        binary.append(reinterpret_cast<const char*>(dib.data()) + at, size);
    }
    binary += std::string("\0\0ENDSEC\0", 9);
    for (size_t block : {size_t{0}, size_t{3}}) {
        EXPECT_EQ(DxfPreviewOf(binary, block).bytes, dib) << block;
    }
}

TEST(ReadDxfPreview, RefusesWhatDoesNotBelongOrClaimsTooMuch) {
    Bytes dib = SmallBitmap();
    // No section; the name as some other value; the name inside a longer line.
    EXPECT_EQ(DxfPreviewOf(AsciiDxf("")).format, PreviewFormat::None);
    std::string other = AsciiDxf(ThumbnailGroups(dib));
    other.replace(other.find("  2\r\nTHUMB"), 3, "  1");
    EXPECT_EQ(DxfPreviewOf(other).format, PreviewFormat::None);
    other = AsciiDxf(ThumbnailGroups(dib));
    other.replace(other.find("THUMB"), 5, "XTHUMB");
    EXPECT_EQ(DxfPreviewOf(other).format, PreviewFormat::None);

    // A count of gigabytes, bad digits, an odd number of digits, a foreign group.
    EXPECT_EQ(DxfPreviewOf(AsciiDxf(" 90\r\n4000000000\r\n" + ThumbnailGroups(dib))).format,
              PreviewFormat::None);
    std::string groups = ThumbnailGroups(dib);
    EXPECT_EQ(DxfPreviewOf(AsciiDxf(groups + "310\r\nZZ\r\n")).format, PreviewFormat::None);
    EXPECT_EQ(DxfPreviewOf(AsciiDxf(groups + "310\r\nABC\r\n")).format, PreviewFormat::None);
    EXPECT_EQ(DxfPreviewOf(AsciiDxf(groups + "  8\r\nlayer\r\n")).format, PreviewFormat::None);
    // Cut off before its group 0.
    std::string cut = AsciiDxf(groups);
    cut.resize(cut.find("  0\r\nENDSEC\r\n  0\r\nEOF"));
    EXPECT_EQ(DxfPreviewOf(cut).format, PreviewFormat::None);
    // More bitmap bytes than the limit, a line at a time.
    std::string huge = " 90\r\n100\r\n";
    const std::string line = "310\r\n" + std::string(254, 'F') + "\r\n";
    for (size_t bytes = 0; bytes <= kPreviewByteLimit; bytes += 127) huge += line;
    EXPECT_EQ(DxfPreviewOf(AsciiDxf(huge)).format, PreviewFormat::None);
}

class DwgFixturePreview : public testing::TestWithParam<std::filesystem::path> {};

TEST_P(DwgFixturePreview, IsABitmapBefore2013AndAPngFromThenOnAndConverts) {
    std::string bytes = testing_support::ReadFileBytes(GetParam());
    MemorySource source(AsBytes(bytes));
    DrawingPreview preview = ReadDwgPreview(source);
    const std::string version = bytes.substr(0, 6);
    if (version == "AC1009" || GetParam().stem() == "libredwg_2018_Text") {
        EXPECT_EQ(preview.format, PreviewFormat::None);  // R12, and a drawing saved without one
        return;
    }
    EXPECT_EQ(preview.format, version >= "AC1027" ? PreviewFormat::Png : PreviewFormat::Bmp);
    EXPECT_GT(preview.width, 16u);
    EXPECT_GT(preview.height, 16u);
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> png = PreviewAsPng(preview);
    ASSERT_FALSE(png.empty());
    if (preview.format == PreviewFormat::Bmp) {
        std::vector<Bytes> rows = PngRows(png, width, height);
        EXPECT_EQ(width, preview.width);
        EXPECT_EQ(rows.size(), preview.height);
    }
    // The same through reads of a few bytes each.
    testing_support::BlockLimitSource blocks(source, 5);
    EXPECT_EQ(ReadDwgPreview(blocks).bytes, preview.bytes);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, DwgFixturePreview,
                         testing::ValuesIn(dwg_testing::DwgFixturePaths()),
                         dwg_testing::FixtureTestName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(DwgFixturePreview);

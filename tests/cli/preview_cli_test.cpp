// plotsieve-cli preview, run as a user runs it.
#include <gtest/gtest.h>

#include "bytes/byte_view.h"
#include "dwg/preview.h"
#include "tests/cli/cli_runner.h"
#include "tests/test_support.h"

using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

// An R2000 DWG whose header preview is a 2 x 1 bitmap of 24 bits a pixel
// (blue, then white), and nothing else a reader would want.
std::string DwgWithBitmap() {
    std::string file = "AC1015";
    file.resize(0x0D, '\0');
    file += std::string("\x20\0\0\0", 4);
    file.resize(0x20, '\0');
    file += "\x1F\x25\x6D\x07\xD4\x36\x28\x28\x9D\x57\xCA\x3F\x9D\x44\x10\x2B";
    const std::string dib = std::string("\x28\0\0\0\x02\0\0\0\x01\0\0\0\x01\0\x18\0", 16) +
                            std::string(24, '\0') + std::string("\xFF\0\0\xFF\xFF\xFF\0\0", 8);
    file += std::string("\0\0\0\0\x01\x02", 6);  // size (unread), one entry: a bitmap
    const uint32_t at = static_cast<uint32_t>(file.size() + 8);
    for (uint32_t value : {at, static_cast<uint32_t>(dib.size())}) {
        for (int shift = 0; shift < 32; shift += 8) file += static_cast<char>(value >> shift);
    }
    return file + dib;
}

}  // namespace

TEST(CliPreview, WritesABitmapAsPngAndAStoredPngAsItIs) {
    TempDir dir;
    WriteFileBytes(dir.path() / "a.dwg", DwgWithBitmap());
    CliRun run =
        RunCli("preview " + Quote(dir.path() / "a.dwg") + " -o " + Quote(dir.path() / "a.png"));
    EXPECT_EQ(run.status, 0);
    std::string png = ReadFileBytes(dir.path() / "a.png");
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(ReadBe32At(AsBytes(png), 16), 2u);
    EXPECT_EQ(ReadBe32At(AsBytes(png), 20), 1u);

    // To standard output, the long option after the drawing.
    run = RunCli("preview --output=- " + Quote(dir.path() / "a.dwg"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, png);

    std::optional<std::filesystem::path> fixtures = testing_support::FixturesDir();
    if (!fixtures || !std::filesystem::exists(*fixtures / "dwg/libredwg_example_2018.dwg")) return;
    run = RunCli("preview -o - " + Quote(*fixtures / "dwg/libredwg_example_2018.dwg"));
    EXPECT_EQ(run.status, 0);
    std::string drawing = ReadFileBytes(*fixtures / "dwg/libredwg_example_2018.dwg");
    MemorySource source(AsBytes(drawing));
    DrawingPreview stored = ReadDwgPreview(source);
    EXPECT_EQ(run.out, std::string(stored.bytes.begin(), stored.bytes.end()));
}

TEST(CliPreview, ADrawingWithoutAPictureGivesOneAndWritesNothing) {
    TempDir dir;
    WriteFileBytes(dir.path() / "a.dxf", testing_support::DxfWithTexts({"A"}));
    WriteFileBytes(dir.path() / "b.jwc", "");
    for (const char* name : {"a.dxf", "b.jwc"}) {
        std::string err = dir.path() / "err.txt";
        CliRun run = RunCli(
            "preview " + Quote(dir.path() / name) + " -o " + Quote(dir.path() / "out.png"), err);
        EXPECT_EQ(run.status, 1) << name;
        EXPECT_NE(ReadFileBytes(err).find("no picture"), std::string::npos) << name;
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.png")) << name;
    }
}

TEST(CliPreview, UsageErrorsUnreadableDrawingsAndFailedWritesGiveTwo) {
    TempDir dir;
    WriteFileBytes(dir.path() / "a.dwg", DwgWithBitmap());
    const std::string drawing = Quote(dir.path() / "a.dwg");
    EXPECT_EQ(RunCli("preview " + drawing).status, 2);  // no -o
    EXPECT_EQ(RunCli("preview -o x.png").status, 2);    // no drawing
    EXPECT_EQ(RunCli("preview -o x.png " + drawing + " " + drawing).status, 2);
    EXPECT_EQ(RunCli("preview --raw -o x.png " + drawing).status, 2);  // extract's option
    std::string err = dir.path() / "err.txt";
    CliRun run = RunCli("preview -o - " + Quote(dir.path() / "missing.dwg"), err);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(ReadFileBytes(err).find("missing.dwg"), std::string::npos);
    // A folder where the PNG should go.
    run = RunCli("preview -o " + Quote(dir.path()) + " " + drawing, err);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(ReadFileBytes(err).find("cannot write"), std::string::npos);
    run = RunCli("preview --help");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("usage: plotsieve-cli preview FILE -o OUT"), std::string::npos);
}

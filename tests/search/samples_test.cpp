// The sample drawings in samples/ (written by samples/make_samples.py) give
// the text their generator wrote, read as a search reads them.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/encoding.h"
#include "search/extract_text.h"
#include "tests/test_support.h"

namespace {

struct Sample {
    const char* path;                // under samples/, UTF-8
    std::vector<const char*> lines;  // UTF-8, as extracted
};

// Spaces are kept by the JW_CAD and DraCAD readers and deleted by the MCD and
// DXF ones.
const Sample kSamples[] = {
    {"平面図_1F.dxf", {"1階平面図", "縮尺1/100", "ｶﾞﾗｽ戸"}},
    {"配置図.dxf", {"配置図", "敷地境界線", "ＰＬＡＮＮｏ．２"}},
    {"立面図/南立面図.dxf", {"南立面図", "ガラス", "外壁タイル貼り"}},
    {"立面図/北立面図.DXF", {"北立面図", "ElevationNorth"}},
    {"断面図/詳細/矩計図.dxf", {"矩計図", "天井高CH=2400", "断熱材ｸﾞﾗｽｳｰﾙ"}},
    {"断面図/空.dxf", {}},
    {"jw/1階平面図.jwc", {"1階平面図", "居間", "台所", "浴室", "寝室 6帖"}},
    {"jw/配置図.jwc", {"配置図", "隣地境界線", "道路　幅員4.0m", "ｶｰﾎﾟｰﾄ"}},
    {"jw/建具記号.jwk", {"建具記号", "片開き戸", "引違い窓"}},
    // Memo, texts, dimension, then the block's name and text.
    {"jw/2階平面図.jww",
     {"2階平面図", "縮尺 1/100", "洋室（１）", "バルコニー", "9,100", "片開き戸", "WD-1"}},
    {"jw/東立面図.jww",
     {"東立面図", "外壁　ガルバリウム鋼板", "ＧＬ", "7,280", "引違い窓", "AW-2"}},
    {"mcd/平面図.mcd", {"2階平面図", "縮尺1/50", "洋室（１）"}},
    {"mcd/立面図.mcd", {"東立面図", "外壁サイディング"}},
    {"dracad/平面図.mpx",
     {"1階平面図", "玄関ホール",
      "この注記は長いので三つの続きレコードに分けて記録されている文字列で、途中で切れずに一行に"
      "なります"}},
    {"dracad/断面図.mpz", {"A-A断面図", "天井高 CH=2400"}},
    {"dracad/配置図.mpp", {"配置図", "隣地境界線 ｶﾞﾚｰｼﾞ", "方位 N"}},
};

}  // namespace

TEST(Samples, DrawingsGiveTheTextTheyWereWrittenWith) {
    auto samples = testing_support::SamplesDir();
    if (!samples) GTEST_SKIP() << "samples folder absent";
    std::set<std::filesystem::path> listed;
    for (const Sample& sample : kSamples) {
        std::filesystem::path path = *samples / std::filesystem::u8path(sample.path);
        listed.insert(path);
        std::string expected;
        for (const char* line : sample.lines) expected += std::string(line) + "\r\n";
        EXPECT_EQ(ExtractText(path.string()), Utf8ToCp932(expected).value()) << sample.path;
    }
    // Every drawing of these formats in samples/ is listed above.
    const std::set<std::string> extensions = {".dxf", ".DXF", ".jwc", ".jwk", ".jww",
                                              ".mcd", ".mpp", ".mpx", ".mpz"};
    for (const auto& entry : std::filesystem::recursive_directory_iterator(*samples)) {
        if (extensions.count(entry.path().extension().string())) {
            EXPECT_TRUE(listed.count(entry.path())) << entry.path() << " has no expected text";
        }
    }
}

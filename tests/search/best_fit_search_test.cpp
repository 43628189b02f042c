// Characters CP932 cannot hold, searched for: the drawing side (the readers,
// the clean-up) and the keyword side fold them the same way.
#include <gtest/gtest.h>

#include <string>

#include "match/line_match.h"
#include "platform/encoding.h"
#include "search/extract_text.h"

namespace {

// An ASCII DXF of `version` and `codePage` whose ENTITIES hold `entities`.
std::string Dxf(const char* version, const char* codePage, const std::string& entities) {
    return std::string("  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\n") + version +
           "\n  9\n$DWGCODEPAGE\n  3\n" + codePage +
           "\n  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n" + entities + "  0\nENDSEC\n  0\nEOF\n";
}

// Whether a search for the UTF-8 keyword finds the drawing, and in which line.
std::optional<LineMatch> Search(const std::string& dxf, const char* keywordUtf8) {
    MemorySource source(AsBytes(dxf));
    ExtractedText text;
    ExtractTextOfType("dxf", source, text);
    std::optional<std::string> keyword = Utf8ToCp932(keywordUtf8);
    if (!keyword) return std::nullopt;
    return FindMatchingLine(text, PrepareKeywords(*keyword));
}

}  // namespace

TEST(BestFitSearch, EveryDiameterSignFindsEveryOther) {
    // MTEXT "∅45,6" in a UTF-8 drawing, "%%c45" and "\U+00D845" codes, and
    // Ø as the byte D8 of an ANSI_1252 drawing.
    const std::string drawings[] = {
        Dxf("AC1027", "ANSI_1252",
            "  0\nMTEXT\n  1\n\\A1;\xE2\x88\x85"
            "45,6\n"),
        Dxf("AC1027", "ANSI_1252",
            "  0\nTEXT\n  1\nMIN. \xC3\x98"
            "45MM\n"),
        Dxf("AC1015", "ANSI_932", "  0\nTEXT\n  1\n%%c45\n"),
        Dxf("AC1015", "ANSI_932", "  0\nMTEXT\n  1\n\\U+230045\n"),
        Dxf("AC1015", "ANSI_1252",
            "  0\nTEXT\n  1\n\xD8"
            "45\n"),
    };
    for (const std::string& dxf : drawings) {
        for (const char* keyword : {"φ45", "∅45", "Ø45", "ø45", "⌀45"}) {
            std::optional<LineMatch> match = Search(dxf, keyword);
            ASSERT_TRUE(match) << keyword << " in " << dxf;
            EXPECT_NE(match->text.find(Utf8ToCp932("φ45").value()), std::string::npos);
        }
        EXPECT_FALSE(Search(dxf, "φ46"));
    }
}

TEST(BestFitSearch, CompatibilityFormsFindTheirPlainForms) {
    std::string dxf =
        Dxf("AC1027", "ANSI_1252", "  0\nTEXT\n  1\n10M\xC2\xB2\n  0\nTEXT\n  1\n5\xC2\xB5m\n");
    for (const char* keyword : {"m2", "M²", "10ｍ２"}) EXPECT_TRUE(Search(dxf, keyword)) << keyword;
    EXPECT_TRUE(Search(dxf, "5µm"));
    EXPECT_TRUE(Search(dxf, "5μm"));
    // Simplified Chinese has no CP932 form: the keyword is refused and the
    // drawing's character matches nothing.
    std::string chinese = Dxf("AC1027", "ANSI_1252", "  0\nTEXT\n  1\n\xE6\x88\xBF\xE9\x97\xB4\n");
    EXPECT_FALSE(Utf8ToCp932("房间"));
    EXPECT_TRUE(Search(chinese, "房"));
    EXPECT_FALSE(Search(chinese, "?"));
}

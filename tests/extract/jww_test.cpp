#include "extract/jww.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "bytes/code_pages.h"
#include "tests/extract/jww_builder.h"
#include "tests/test_support.h"

using jww_testing::JwwBuilder;
using jww_testing::Str;
using jww_testing::WideStr;

namespace {

using Line = std::pair<TextKind, std::string>;
using Lines = std::vector<Line>;

Lines LinesOf(const ExtractedText& text) {
    Lines lines;
    for (size_t i = 0; i < text.size(); ++i) lines.emplace_back(text[i].kind, text[i].text);
    return lines;
}

// The lines of `bytes`, read from an exact-size copy in memory.
Lines Read(std::string_view bytes) {
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    MemorySource source(ByteView{copy.data(), copy.size()});
    ExtractedText text;
    ExtractJwwText(source, text);
    return LinesOf(text);
}

// A source that holds its bytes as a file does: every read is copied into the
// caller's scratch. It counts the bytes it gives, and from `failAt` on its
// reads fail (a file that shrank or a disk error).
class FileLikeSource final : public ByteSource {
  public:
    explicit FileLikeSource(std::string_view bytes, size_t failAt = SIZE_MAX)
        : m_bytes(bytes), m_failAt(std::min(failAt, bytes.size())) {}

    uint64_t Size() const override { return m_bytes.size(); }
    ByteView Read(uint64_t offset, size_t count, std::vector<uint8_t>& scratch) override {
        size_t start = std::min<uint64_t>(offset, m_failAt);
        size_t end = start + std::min<uint64_t>(count, m_failAt - start);
        scratch.assign(m_bytes.begin() + start, m_bytes.begin() + end);
        m_given += end - start;
        return {scratch.data(), scratch.size()};
    }
    uint64_t Given() const { return m_given; }

  private:
    std::string_view m_bytes;
    size_t m_failAt;
    uint64_t m_given = 0;
};

Lines ReadFileLike(std::string_view bytes, size_t failAt = SIZE_MAX) {
    FileLikeSource source(bytes, failAt);
    ExtractedText text;
    ExtractJwwText(source, text);
    return LinesOf(text);
}

Line Moji(std::string text) { return {TextKind::JwText, std::move(text)}; }
Line Dimension(std::string text) { return {TextKind::JwDimension, std::move(text)}; }
Line BlockName(std::string text) { return {TextKind::JwBlock, std::move(text)}; }
Line Memo(std::string text) { return {TextKind::JwMemo, std::move(text)}; }

// A drawing whose object list holds the objects `write` adds (`count` of
// them) and whose block definition list is empty.
std::string Drawing(uint32_t version, uint32_t count,
                    const std::function<void(JwwBuilder&)>& write) {
    JwwBuilder b(version);
    b.Header().Count(count);
    write(b);
    b.Count(0);
    return b.bytes();
}

// A drawing of every kind of line, with a block definition of its own.
std::string SmallDrawing(uint32_t version) {
    JwwBuilder b(version);
    b.Header(Str("\x90\x7d\x96\xca\r\nmemo 2"), Str("layer"), WideStr(u"SXF"));
    b.Count(5).Sen().Moji(Str("\x8f\x6b\x8e\xda 1/100")).Sunpou(Str("3,600")).Block();
    b.Moji(WideStr(u"\u5e73\u9762"));
    b.Count(1).List(Str("door@@SfigorgFlag@@4"), 2).Moji(Str("D1")).Sunpou(Str("800"));
    if (version >= 700) b.Dword(0);  // no embedded images
    return b.bytes();
}

const Lines kSmallDrawingLines = {
    Memo("\x90\x7d\x96\xca"),
    Memo("memo 2"),
    Moji("\x8f\x6b\x8e\xda 1/100"),
    Dimension("3,600"),
    Moji("\x95\xbd\x96\xca"),
    BlockName("door"),
    Moji("D1"),
    Dimension("800"),
};

}  // namespace

TEST(ExtractJwwText, MemoTextsDimensionsAndBlocksInFileOrder) {
    for (uint32_t version : {351u, 420u, 600u, 700u}) {
        EXPECT_EQ(Read(SmallDrawing(version)), kSmallDrawingLines) << version;
    }
}

TEST(ExtractJwwText, OtherSignaturesAndVersionsGiveNothing) {
    std::string drawing = SmallDrawing(600);
    EXPECT_FALSE(Read(drawing).empty());
    EXPECT_TRUE(Read("JwwData,\x58\x02\0\0" + drawing.substr(12)).empty());
    EXPECT_TRUE(Read("jwwData." + drawing.substr(8)).empty());
    for (uint32_t version : {0u, 230u, 350u, 701u, 800u}) {
        std::string other = drawing;
        for (int k = 0; k < 4; ++k) other[8 + k] = static_cast<char>(version >> (8 * k));
        EXPECT_TRUE(Read(other).empty()) << version;
    }
    EXPECT_TRUE(Read("").empty());
    EXPECT_TRUE(Read("JwwData.").empty());
}

// Each class's fields, in every range of versions whose layout differs: an
// object of the class, then a text that is found only when the object's
// fields were stepped over exactly.
TEST(ExtractJwwText, EachClassLayoutInEveryVersion) {
    const std::vector<std::pair<const char*, std::function<void(JwwBuilder&)>>> objects = {
        {"line", [](JwwBuilder& b) { b.Sen(); }},
        {"arc", [](JwwBuilder& b) { b.Enko(); }},
        {"point", [](JwwBuilder& b) { b.Ten(1); }},
        {"point with symbol", [](JwwBuilder& b) { b.Ten(100); }},
        {"solid", [](JwwBuilder& b) { b.Solid(1); }},
        {"solid in RGB", [](JwwBuilder& b) { b.Solid(10); }},
        {"block insert", [](JwwBuilder& b) { b.Block(); }},
        {"text", [](JwwBuilder& b) { b.Moji(Str("T")); }},
        {"dimension", [](JwwBuilder& b) { b.Sunpou(Str("D")); }},
        {"block definition", [](JwwBuilder& b) { b.List(Str("B"), 1).Sen(); }},
    };
    for (uint32_t version : {351u, 419u, 420u, 600u, 700u}) {
        for (const auto& [name, write] : objects) {
            Lines lines = Read(Drawing(version, 2, [&write](JwwBuilder& b) {
                write(b);
                b.Moji(Str("after"));
            }));
            ASSERT_FALSE(lines.empty()) << name << " " << version;
            EXPECT_EQ(lines.back(), Moji("after")) << name << " " << version;
        }
    }
}

TEST(ExtractJwwText, StringsOfEveryLengthForm) {
    std::string w300(300, 'w'), d70000(70000, 'd');
    // The same text in a longer form than it needs is read the same.
    std::string wordForm = std::string("\xFF\x03\x00", 3) + "abc";
    std::string dwordForm = std::string("\xFF\xFF\xFF\x03\x00\x00\x00", 7) + "abc";
    std::string wideWordForm = std::string("\xFF\xFE\xFF\xFF\x01\x00", 6) + std::string("x\0", 2);
    std::u16string wide300(300, u'\u56f3');
    std::string expected300;
    for (int n = 0; n < 300; ++n) expected300 += "\x90\x7d";
    Lines lines = Read(Drawing(600, 9, [&](JwwBuilder& b) {
        b.Moji(Str("byte"));
        b.Moji(Str(w300));
        b.Moji(Str(d70000));
        b.Moji(wordForm);
        b.Moji(dwordForm);
        b.Moji(WideStr(u"\u5e73\u9762\u56f3 A"));
        b.Moji(WideStr(wide300));
        b.Moji(wideWordForm);
        // A character CP932 cannot hold becomes the byte no keyword holds.
        b.Moji(WideStr(u"\u00e9\U0001F600"));
    }));
    EXPECT_EQ(lines, (Lines{Moji("byte"), Moji(w300), Moji(d70000), Moji("abc"), Moji("abc"),
                            Moji("\x95\xbd\x96\xca\x90\x7d A"), Moji(expected300), Moji("x"),
                            Moji("\xFF\xFF")}));

    // Font names and header names of every form are stepped over.
    for (const std::string& name : {Str(w300), Str(d70000), dwordForm, WideStr(wide300)}) {
        JwwBuilder b(700);
        b.Header(Str("m"), name, name).Count(1).Moji(Str("t"), name).Count(0);
        EXPECT_EQ(Read(b.bytes()), (Lines{Memo("m"), Moji("t")})) << name.substr(0, 8);
    }
}

TEST(ExtractJwwText, LineBreaksSplitAndEmptyStringsGiveNoLine) {
    JwwBuilder b(600);
    b.Header(Str("\r\n\r\nfirst\rsecond\n\nthird\r\n")).Count(3);
    b.Moji(Str("")).Moji(Str("  spaced  \x81\x40")).Moji(WideStr(u""));
    b.Count(1).List(Str(""), 0);
    EXPECT_EQ(Read(b.bytes()),
              (Lines{Memo("first"), Memo("second"), Memo("third"), Moji("  spaced  \x81\x40")}));
}

TEST(ExtractJwwText, ImagePlacementsAndFontNamesAreNotText) {
    Lines lines = Read(Drawing(700, 3, [](JwwBuilder& b) {
        b.Moji(Str("^@BM%temp%photo.bmp,100,75,0,0,1,0"), Str("FONT"));
        b.Moji(WideStr(u"^@BMscan.jpg,10,10"));
        b.Moji(Str("caption ^@BM"), Str("FONT"));
    }));
    EXPECT_EQ(lines, (Lines{Moji("caption ^@BM")}));
}

// The marker counts only where a character starts: in "\x81\x40@@Sfig..." the
// first '@' is the trail byte of a full-width space.
TEST(ExtractJwwText, BlockNameEndsAtTheSymbolMarkerAtACharacterBoundary) {
    JwwBuilder b(600);
    b.Header().Count(0).Count(4);
    b.List(Str("\x8c\xcb@@SfigorgFlag@@4"), 0);
    b.List(Str("\x81\x40@SfigorgFlag@@4"), 0);
    b.List(Str("@@SfigorgFlag@@"), 0);
    b.List(WideStr(u"\u6249@@SfigorgFlag@@2"), 0);
    EXPECT_EQ(Read(b.bytes()), (Lines{BlockName("\x8c\xcb"), BlockName("\x81\x40@SfigorgFlag@@4"),
                                      BlockName("\x94\xe0")}));
}

TEST(ExtractJwwText, ClassTagsAndBackReferences) {
    // New classes, references to them (also in the big form), a reference to
    // an object read before and the null object: all read, nothing added.
    uint32_t firstText = 0;
    Lines lines = Read(Drawing(600, 7, [&firstText](JwwBuilder& b) {
        b.Moji(Str("new class"));
        firstText = b.LastObject();
        b.Sen().Moji(Str("class reference"));
        b.Tag("CDataMoji", true).MojiFields(Str("big tag"), Str(""));
        b.Word(static_cast<uint16_t>(firstText));  // the first text again
        b.Word(0);                                 // the null object
        b.Word(0x7FFF).Dword(firstText);           // the first text, big form
    }));
    EXPECT_EQ(lines, (Lines{Moji("new class"), Moji("class reference"), Moji("big tag")}));

    // Tags that stop the walk: the text before them stays, nothing after.
    const std::vector<std::pair<const char*, std::function<void(JwwBuilder&)>>> stops = {
        {"class reference to an object",
         [](JwwBuilder& b) { b.Word(static_cast<uint16_t>(0x8000 | b.LastObject())); }},
        {"class reference to nothing",
         [](JwwBuilder& b) { b.Word(static_cast<uint16_t>(0x8000 | b.NextIndex())); }},
        {"class reference to the null index", [](JwwBuilder& b) { b.Word(0x8000); }},
        {"big class reference to nothing", [](JwwBuilder& b) { b.Word(0x7FFF).Dword(0xFFFFFFFF); }},
        {"object reference to a class",
         [](JwwBuilder& b) { b.Word(static_cast<uint16_t>(b.ClassIndex("CDataMoji"))); }},
        {"object reference to nothing",
         [](JwwBuilder& b) { b.Word(static_cast<uint16_t>(b.NextIndex())); }},
        {"unknown class",
         [](JwwBuilder& b) { b.Word(0xFFFF).Word(600).Word(9).Raw("CDataKaku").Filler(64); }},
        {"class name of 64 bytes",
         [](JwwBuilder& b) { b.Word(0xFFFF).Word(600).Word(64).Raw(std::string(64, 'C')); }},
        {"cut tag", [](JwwBuilder& b) { b.Byte(0x01); }},
    };
    for (const auto& [name, write] : stops) {
        JwwBuilder b(600);
        b.Header().Count(3).Moji(Str("before"));
        write(b);
        b.Moji(Str("after")).Count(0);
        EXPECT_EQ(Read(b.bytes()), (Lines{Moji("before")})) << name;
    }
}

TEST(ExtractJwwText, LongListsUseTheLongCountAndBigTags) {
    // 70000 lines: the count takes 32 bits and the class of the later texts
    // is referred to by a big tag.
    Lines lines = Read(Drawing(600, 70004, [](JwwBuilder& b) {
        b.Moji(Str("first"));
        for (int n = 0; n < 70000; ++n) b.Sen();
        b.Tag("CDataEnko").Common().Filler(60);  // a class entered after index 0x7FFF
        b.Enko();
        b.Moji(Str("last"));
    }));
    EXPECT_EQ(lines, (Lines{Moji("first"), Moji("last")}));
}

TEST(ExtractJwwText, BlockDefinitionsShareTheMapAndNestToALimit) {
    // Classes entered in the drawing's list are referred to inside blocks and
    // the other way round; a block definition may hold another.
    JwwBuilder b(700);
    b.Header().Count(1).Moji(Str("main"));
    b.Count(2).List(Str("A"), 2).Moji(Str("a1")).List(Str("A.inner"), 1).Sunpou(Str("a2"));
    b.List(WideStr(u"B"), 1).Sunpou(Str("b1"));
    EXPECT_EQ(Read(b.bytes()),
              (Lines{Moji("main"), BlockName("A"), Moji("a1"), BlockName("A.inner"),
                     Dimension("a2"), BlockName("B"), Dimension("b1")}));

    // Definitions nested eight deep are read; a ninth level stops the walk.
    for (int depth : {8, 9}) {
        JwwBuilder nest(600);
        nest.Header().Count(0).Count(1);
        for (int level = 0; level < depth; ++level) nest.List(Str("L"), 1);
        nest.Moji(Str("deep"));
        Lines nested = Read(nest.bytes());
        ASSERT_FALSE(nested.empty());
        EXPECT_EQ(nested.back() == Moji("deep"), depth == 8) << depth;
    }
}

TEST(ExtractJwwText, CountsAndLengthsThatCannotFitStop) {
    // More entries than the rest of the file holds (each takes two bytes).
    JwwBuilder counted(600);
    counted.Header(Str("memo")).Count(3).Moji(Str("a")).Moji(Str("b"));
    std::string exact = counted.bytes() + std::string("\0\0", 2);  // a third: the null object
    EXPECT_EQ(Read(exact + std::string("\0\0", 2)), (Lines{Memo("memo"), Moji("a"), Moji("b")}));
    JwwBuilder tooMany(600);
    tooMany.Header(Str("memo")).Count(0xFFFF0).Moji(Str("a"));
    EXPECT_EQ(Read(tooMany.bytes()), (Lines{Memo("memo")}));
    JwwBuilder hugeCount(600);
    hugeCount.Header(Str("memo")).Word(0xFFFF).Dword(0xFFFFFFFF).Dword(1).Dword(0).Moji(Str("a"));
    EXPECT_EQ(Read(hugeCount.bytes()), (Lines{Memo("memo")}));

    // A string longer than the rest of the file; a text over 1 MiB that fits.
    Lines cut = Read(Drawing(600, 2, [](JwwBuilder& b) {
        b.Moji(Str("kept"));
        b.Moji(std::string("\xFF\xFF\xFF\x00\x00\x01\x00", 7) + "short");
    }));
    EXPECT_EQ(cut, (Lines{Moji("kept")}));
    Lines huge = Read(Drawing(600, 3, [](JwwBuilder& b) {
        b.Moji(Str("kept"));
        b.Moji(Str(std::string((size_t{1} << 20) + 1, 'h')));
        b.Moji(Str("after"));
    }));
    EXPECT_EQ(huge, (Lines{Moji("kept")}));
    Lines wide = Read(Drawing(600, 2, [](JwwBuilder& b) {
        b.Moji(Str("kept"));
        b.Moji(std::string("\xFF\xFE\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 10) + "xx");
    }));
    EXPECT_EQ(wide, (Lines{Moji("kept")}));
}

// Every cut of a small drawing, read in memory (ASan stops a read past the
// copy) and from a file whose reads fail at the cut: always a run of the full
// lines from the start, the same run both ways.
TEST(ExtractJwwText, CutAtEveryLengthGivesALeadingRunOfTheLines) {
    std::string drawing = SmallDrawing(700);
    Lines full = Read(drawing);
    ASSERT_EQ(full, kSmallDrawingLines);
    for (size_t cut = 0; cut <= drawing.size(); ++cut) {
        Lines lines = Read(std::string_view(drawing).substr(0, cut));
        ASSERT_LE(lines.size(), full.size()) << cut;
        EXPECT_TRUE(std::equal(lines.begin(), lines.end(), full.begin())) << cut;
        EXPECT_EQ(ReadFileLike(drawing, cut), lines) << cut;
    }
}

// A font name of 300 kB and 2 MB of embedded image after the lists: the
// reader asks the file for neither.
TEST(ExtractJwwText, SkippedDataIsNotRead) {
    JwwBuilder b(700);
    b.Header(Str("memo")).Count(2);
    b.Moji(Str("before"), Str(std::string(300'000, 'f'))).Moji(Str("after"));
    b.Count(0).Dword(1).Raw(Str("photo.jpg")).Dword(2'000'000).Filler(2'000'000);
    FileLikeSource source(b.bytes());
    ExtractedText text;
    ExtractJwwText(source, text);
    EXPECT_EQ(LinesOf(text), (Lines{Memo("memo"), Moji("before"), Moji("after")}));
    EXPECT_LT(source.Given(), 200'000u);
}

TEST(ExtractJwwText, FullTextStopsTheWalk) {
    std::string drawing = Drawing(600, 1000, [](JwwBuilder& b) {
        for (int n = 0; n < 1000; ++n) b.Moji(Str("0123456789"));
    });
    std::vector<uint8_t> copy(drawing.begin(), drawing.end());
    MemorySource source(ByteView{copy.data(), copy.size()});
    ExtractedText text(25 + 3 * ExtractedText::kLineCost);
    ExtractJwwText(source, text);
    EXPECT_TRUE(text.Full());
    EXPECT_EQ(text.Joined(), "0123456789\r\n0123456789\r\n01234\r\n");
}

// The real drawings: every string the independent reader lists is one of the
// MOJI lines, and cuts give leading runs.
TEST(JwwFixtures, EveryOracleStringIsATextLine) {
    std::optional<std::filesystem::path> dir = testing_support::FixturesDir();
    if (!dir || !std::filesystem::is_directory(*dir / "jww")) GTEST_SKIP() << "no JWW fixtures";
    std::vector<std::filesystem::path> drawings =
        testing_support::FilesWithExtension(*dir / "jww", ".jww");
    ASSERT_FALSE(drawings.empty());
    for (const auto& path : drawings) {
        std::string drawing = testing_support::ReadFileBytes(path);
        Lines lines = Read(drawing);
        EXPECT_EQ(ReadFileLike(drawing), lines) << path;
        std::string oracle = testing_support::ReadFileBytes(path.string() + ".oracle.txt");
        size_t start = 0;
        int strings = 0;
        for (size_t end; (end = oracle.find('\n', start)) != std::string::npos; start = end + 1) {
            std::string_view row = std::string_view(oracle).substr(start, end - start);
            size_t tab = row.find('\t'), second = row.find('\t', tab + 1);
            if (second == std::string_view::npos || row.substr(0, tab) != "MOJI") continue;
            Line expected = Moji(Utf8ToCp932Lossy(row.substr(second + 1)));
            EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end())
                << path << ": " << row;
            ++strings;
        }
        EXPECT_GT(strings, 0) << path;
        for (size_t cut = 0; cut < drawing.size(); cut += 1 + drawing.size() / 211) {
            Lines part = Read(std::string_view(drawing).substr(0, cut));
            ASSERT_LE(part.size(), lines.size());
            EXPECT_TRUE(std::equal(part.begin(), part.end(), lines.begin())) << path << cut;
        }
    }
}

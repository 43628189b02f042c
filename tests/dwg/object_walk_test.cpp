#include "dwg/object_walk.h"

#include <gtest/gtest.h>

#include "dwg/dwg.h"
#include "tests/dwg/object_builder.h"
#include "tests/test_support.h"

using dwg_testing::BitWriter;
using dwg_testing::DwgFileBuilder;
using dwg_testing::EntityOptions;
using testing_support::Hex;

namespace {

std::string Object(DwgVersion version, std::string_view text, const EntityOptions& o = {}) {
    return dwg_testing::EntityObject(version, text, o).bytes;
}

const char* VersionString(DwgVersion version) {
    return version == DwgVersion::R13 ? "AC1014" : "AC1015";
}

EntityOptions Typed(uint32_t type) {
    EntityOptions o;
    o.type = type;
    return o;
}

const EntityOptions kMText = Typed(44);

// A drawing of the version with the given objects, listed in the map as added.
std::string Drawing(DwgVersion version, std::vector<std::string> objects) {
    DwgFileBuilder builder(VersionString(version));
    for (std::string& object : objects) builder.AddObject(std::move(object));
    return builder.Build();
}

std::string Extract(const std::string& file) {
    return dwg_testing::ReadBothWays(ExtractDwgText, file).Joined();
}

class ObjectWalk : public testing::TestWithParam<DwgVersion> {
  protected:
    DwgVersion v() const { return GetParam(); }
    std::string Text(std::string_view text, EntityOptions o = {}) { return Object(v(), text, o); }
    std::string MText(std::string_view text, EntityOptions o = kMText) {
        o.type = 44;
        return Object(v(), text, o);
    }
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Versions, ObjectWalk, testing::Values(DwgVersion::R13, DwgVersion::R2000),
                         [](const auto& info) {
                             return std::string(info.param == DwgVersion::R13 ? "R14" : "R2000");
                         });

TEST_P(ObjectWalk, OneLinePerTextAndMTextInMapOrder) {
    EXPECT_EQ(Extract(Drawing(v(), {Text("AB C"), MText("D")})), "AB C\r\nD\r\n");
    // Map order, not file order.
    DwgFileBuilder builder(VersionString(v()));
    builder.AddObject(Text("first in file"));
    builder.AddObject(MText("second in file"));
    builder.AddObject(Text("third in file"));
    builder.SetMapOrder({2, 0, 1});
    EXPECT_EQ(Extract(builder.Build()), "third in file\r\nfirst in file\r\nsecond in file\r\n");
    // Lines are added after those already there, each with its kind.
    std::string drawing = Drawing(v(), {Text("x"), MText("y")});
    MemorySource source(AsBytes(drawing));
    ExtractedText out;
    out.Add(TextKind::JwText, "kept");
    ExtractDwgText(source, out);
    EXPECT_EQ(out.Joined(), "kept\r\nx\r\ny\r\n");
    EXPECT_EQ(dwg_testing::Kinds(out), "?TM");
}

TEST_P(ObjectWalk, EveryObjectGivesALineEvenWhenEmpty) {
    std::string text = Drawing(v(), {Text(""), Text(Hex("81 40")), MText(""),
                                     Text(std::string("Z\0", 2)), Text(Hex("95 BD 81 40 20"))});
    EXPECT_EQ(Extract(text), "\r\n\r\n\r\n" + std::string("Z\0\r\n", 4) + Hex("95 BD 20 0D 0A"));
}

TEST_P(ObjectWalk, MTextFormattingCodesStay) {
    EXPECT_EQ(Extract(Drawing(v(), {MText("{\\fArial;one\\Ptwo}")})), "{\\fArial;one\\Ptwo}\r\n");
}

TEST_P(ObjectWalk, OtherObjectTypesAddNothing) {
    std::vector<std::string> objects;
    for (uint32_t type : {4u, 7u, 15u, 19u, 27u, 45u, 0u, 300u, 507u}) {
        objects.push_back(Object(v(), "", Typed(type)) + std::string(30, '\x41'));
    }
    objects.push_back(Text("only"));
    EXPECT_EQ(Extract(Drawing(v(), objects)), "only\r\n");
}

// Fixed fault: values of 258 characters or more became "Errorcode1220".
TEST_P(ObjectWalk, LongTextsAreReadWhole) {
    std::string notes(3000, 'w');
    notes.replace(2990, 4, "KEY!");
    std::string text = Drawing(v(), {MText(notes), Text(std::string(258, 't'))});
    EXPECT_EQ(Extract(text), notes + "\r\n" + std::string(258, 't') + "\r\n");
}

TEST_P(ObjectWalk, ExtendedDataGraphicImageAndReactorsAreSkipped) {
    EntityOptions o;
    o.eed = {"abc", std::string(400, 'e')};
    o.image = std::string(1000, 'i');
    o.reactors = 300;
    EntityOptions m = o;
    m.type = 44;
    EXPECT_EQ(Extract(Drawing(v(), {Text("t", o), MText("m", m)})), "t\r\nm\r\n");
}

TEST_P(ObjectWalk, InvisibleEntitiesAreRead) {
    EntityOptions o;
    o.invisibility = 1;
    EntityOptions wide = o;
    wide.invisibilityAsCode00 = true;
    EntityOptions m = wide;
    m.type = 44;
    EXPECT_EQ(Extract(Drawing(v(), {Text("a", o), Text("b", wide), MText("c", m)})),
              "a\r\nb\r\nc\r\n");
}

TEST_P(ObjectWalk, TextWithEveryOptionalFieldSet) {
    EntityOptions o;
    o.elevation = 5.5;
    o.hasAlignment = true;
    o.alignmentX = 123.25;
    o.alignmentY = -7.75;
    o.thickness = 2.0;
    o.oblique = 0.25;
    o.rotation = 1.5;
    o.widthFactor = 0.8;
    EXPECT_EQ(Extract(Drawing(v(), {Text("full", o), Text("plain")})), "full\r\nplain\r\n");
}

// Fixed fault: a mirrored TEXT (extrusion 0,0,-1) was read from the wrong bits.
TEST_P(ObjectWalk, MirroredTextHasAnExtrusion) {
    EntityOptions o;
    o.extrusionZ = -1.0;
    EntityOptions thick = o;
    thick.thickness = 3.0;
    EntityOptions m = o;
    m.type = 44;
    EXPECT_EQ(Extract(Drawing(v(), {Text("mirrored", o), Text("thick", thick), MText("m", m)})),
              "mirrored\r\nthick\r\nm\r\n");
}

// Fixed fault: the R13/R14 attachment and direction were read as bit-longs.
TEST_P(ObjectWalk, MTextAttachmentIsABitShort) {
    EntityOptions m = kMText;
    m.attachment = 5;
    m.attachmentAsCode00 = true;  // 00 and 16 bits: a bit-long would take 32
    EXPECT_EQ(Extract(Drawing(v(), {MText("attached", m), Text("next")})), "attached\r\nnext\r\n");
}

// Fixed fault: objects of 32 KB or more had their type read from the size.
TEST_P(ObjectWalk, ObjectsOf32KBOrMoreAreReadAfterTheirWholeSize) {
    std::string big(40000, 'b');
    big.replace(0, 5, "start");
    std::string text = Drawing(v(), {Text("small"), MText(big), Text("after")});
    EXPECT_EQ(Extract(text), "small\r\n" + big + "\r\nafter\r\n");
    // A large object of another type whose second size word would pass for an
    // MTEXT type (BS code 01, then 44) when the size were taken as two bytes.
    std::string other = Object(v(), "", Typed(19));
    other.resize((0x4B << 15) | 0x10, '\0');  // size words 0x8010 and 0x004B
    EXPECT_EQ(Extract(Drawing(v(), {Text("a"), other, Text("b")})), "a\r\nb\r\n");
}

TEST(ObjectWalkR2000, PlotStyleFlagsOfEveryValue) {
    // Fixed fault: plot-style flags 01 and 11 shifted every later field.
    std::vector<std::string> objects;
    for (uint32_t flags : {0u, 1u, 2u, 3u}) {
        EntityOptions o;
        o.plotStyleFlags = flags;
        objects.push_back(Object(DwgVersion::R2000, "t" + std::to_string(flags), o));
        o.type = 44;
        objects.push_back(Object(DwgVersion::R2000, "m" + std::to_string(flags), o));
    }
    EXPECT_EQ(Extract(Drawing(DwgVersion::R2000, objects)),
              "t0\r\nm0\r\nt1\r\nm1\r\nt2\r\nm2\r\nt3\r\nm3\r\n");
}

TEST(ObjectWalkVersions, R13AndR14ShareTheReaderAndOthersGiveNothing) {
    DwgFileBuilder r13("AC1012");
    r13.AddObject(Object(DwgVersion::R13, "r13"));
    EXPECT_EQ(Extract(r13.Build()), "r13\r\n");
    for (const char* other : {"AC1018", "ac1014", "AC1013", "AC101"}) {
        DwgFileBuilder builder(other);
        builder.AddObject(Object(DwgVersion::R13, "x"));
        EXPECT_EQ(Extract(builder.Build()), "") << other;
    }
}

TEST(ObjectWalkVersions, ManyMapSections) {
    DwgFileBuilder builder("AC1015");
    std::string expected;
    for (int k = 0; k < 50; ++k) {
        builder.AddObject(Object(DwgVersion::R2000, "n" + std::to_string(k)));
        expected += "n" + std::to_string(k) + "\r\n";
    }
    builder.SetPairsPerSection(7);
    EXPECT_EQ(Extract(builder.Build()), expected);
}

namespace {

// A map whose pairs point at the given locations, closed by a size-2 section,
// placed after `body`; the header's locator 2 points at it.
std::string WithMap(std::string body, const std::vector<int64_t>& locations) {
    std::string file = std::move(body);
    uint32_t mapAt = static_cast<uint32_t>(file.size());
    std::string pairs;
    int64_t previous = 0;
    for (int64_t location : locations) {
        DwgFileBuilder::AppendModularChar(pairs, 1, false);
        DwgFileBuilder::AppendModularChar(pairs, location - previous, true);
        previous = location;
    }
    DwgFileBuilder::AppendSection(file, pairs);
    DwgFileBuilder::AppendSection(file, "");
    // Locator record 2 is the second of three (see DwgFileBuilder).
    for (int k = 0; k < 4; ++k) file[25 + 9 + 1 + k] = static_cast<char>(mapAt >> (8 * k));
    return file;
}

}  // namespace

TEST(ObjectWalkDamage, LocationsOutsideTheFileEndTheWalk) {
    std::vector<size_t> at;
    DwgFileBuilder builder("AC1015");
    builder.AddObject(Object(DwgVersion::R2000, "one"));
    builder.AddObject(Object(DwgVersion::R2000, "two"));
    std::string base = builder.Build(&at);
    int64_t a = static_cast<int64_t>(at[0]), b = static_cast<int64_t>(at[1]);
    EXPECT_EQ(Extract(WithMap(base, {a, b})), "one\r\ntwo\r\n");
    EXPECT_EQ(Extract(WithMap(base, {a, -5, b})), "one\r\n");
    EXPECT_EQ(Extract(WithMap(base, {a, 1 << 30, b})), "one\r\n");
    EXPECT_EQ(Extract(WithMap(base, {a, static_cast<int64_t>(base.size()) + 200, b})), "one\r\n");
}

TEST(ObjectWalkDamage, ObjectRunningPastTheFileEndsTheWalk) {
    std::vector<size_t> at;
    DwgFileBuilder builder("AC1014");
    builder.AddObject(Object(DwgVersion::R13, "one"));
    builder.AddObject(Object(DwgVersion::R13, "two"));
    builder.AddObject(Object(DwgVersion::R13, "three"));
    std::string file = builder.Build(&at);
    file[at[1]] = '\xFF';
    file[at[1] + 1] = '\x7F';  // 32 KB
    EXPECT_EQ(Extract(file), "one\r\n");
    // The size field itself cut by the end of the file.
    std::string cut = WithMap(file, {static_cast<int64_t>(at[0])});
    cut += "\x00\x80";
    EXPECT_EQ(
        Extract(WithMap(cut, {static_cast<int64_t>(at[0]), static_cast<int64_t>(cut.size()) - 1})),
        "one\r\n");
}

TEST(ObjectWalkDamage, TextFieldsPastTheObjectEndTheWalk) {
    // The object's size stops inside its text value.
    std::vector<size_t> at;
    DwgFileBuilder builder("AC1015");
    builder.AddObject(Object(DwgVersion::R2000, "one"));
    EntityOptions o;
    o.trailer.clear();
    std::string cut = Object(DwgVersion::R2000, "a longer value", o);
    cut.resize(cut.size() - 3);
    builder.AddObject(cut);
    builder.AddObject(Object(DwgVersion::R2000, "three"));
    EXPECT_EQ(Extract(builder.Build()), "one\r\n");
    // Extended data that claims more than the object holds.
    DwgFileBuilder eed("AC1014");
    eed.AddObject(Object(DwgVersion::R13, "one"));
    EntityOptions big;
    big.eed = {std::string(10, 'e')};
    std::string object = Object(DwgVersion::R13, "two", big);
    eed.AddObject(object);
    std::string file = eed.Build(&at);
    // The EED size 10 (01 00001010) becomes 250 (01 11111010): the first 32
    // of the 36 bits of type, handle and size are rewritten.
    std::string damaged = file;
    BitWriter w;
    w.BitShort(1);
    w.Handle(0, "\x2A");
    w.BitShort(250);
    for (size_t k = 0; k < w.bytes().size() - 1; ++k) damaged[at[1] + 2 + k] = w.bytes()[k];
    EXPECT_EQ(Extract(damaged), "one\r\n");
}

TEST(ObjectWalkDamage, EntriesSharingAnObjectStopAtTheSizeOfTheFile) {
    std::vector<size_t> at;
    DwgFileBuilder builder("AC1015");
    builder.AddObject(Object(DwgVersion::R2000, std::string(2000, 'x')));
    std::string base = builder.Build(&at);
    std::vector<int64_t> same(100, static_cast<int64_t>(at[0]));
    std::string file = WithMap(base, same);
    std::string text = Extract(file);
    EXPECT_EQ(text, std::string(2000, 'x') + "\r\n");
    EXPECT_LE(text.size(), file.size());
}

TEST(ObjectWalkDamage, NoObjectMapGivesNothing) {
    DwgFileBuilder builder("AC1014");
    builder.AddObject(Object(DwgVersion::R13, "x"));
    std::string file = builder.Build();
    std::string noLocator = file;
    noLocator[25 + 9] = 7;  // record 2 renumbered
    EXPECT_EQ(Extract(noLocator), "");
    std::string manyLocators = file;
    manyLocators[24] = '\x10';  // a count of 2^28 records
    EXPECT_EQ(Extract(manyLocators), "");
    std::string mapOutside = file;
    mapOutside[25 + 9 + 4] = '\x40';
    EXPECT_EQ(Extract(mapOutside), "");
}

TEST(ObjectWalkReads, ObjectsAreReadOneAtATime) {
    DwgFileBuilder builder("AC1015");
    EntityOptions line;
    line.type = 19;
    for (int k = 0; k < 2000; ++k) {
        builder.AddObject(Object(DwgVersion::R2000, "text " + std::to_string(k)));
        builder.AddObject(Object(DwgVersion::R2000, "", line) + std::string(200, 'L'));
    }
    builder.SetPairsPerSection(150);
    std::string file = builder.Build();
    dwg_testing::PieceSource source(file);
    ExtractedText text;
    ExtractDwgText(source, text);
    EXPECT_EQ(text.size(), 2000u);
    EXPECT_LE(source.largestRead, CachedReader::kBlockBytes);
    EXPECT_LE(source.bytesRead, 2 * file.size());
}

TEST(ObjectWalkReads, TextObjectsOverTheCapArePassedOver) {
    EntityOptions huge;
    huge.image = std::string((size_t{8} << 20) + 1, 'i');
    std::string file = Drawing(DwgVersion::R2000, {Object(DwgVersion::R2000, "first"),
                                                   Object(DwgVersion::R2000, "huge", huge),
                                                   Object(DwgVersion::R2000, "after")});
    dwg_testing::PieceSource source(file);
    ExtractedText text;
    ExtractDwgText(source, text);
    EXPECT_EQ(text.Joined(), "first\r\nafter\r\n");
    EXPECT_LE(source.largestRead, CachedReader::kBlockBytes);
}

// Each kind of text of R13 to 2018 drawings, from objects built field by
// field in each version's layout: R13 to R2000 as whole files, later versions
// as the sections of a container.
#include <gtest/gtest.h>

#include "tests/dwg/object_builder.h"
#include "tests/test_support.h"

using dwg_testing::ClassesSection;
using dwg_testing::DrawingOptions;
using dwg_testing::EntityObject;
using dwg_testing::EntityOptions;
using dwg_testing::Kinds;
using dwg_testing::kTestMultiLeaderType;
using dwg_testing::ReadDrawing;
using dwg_testing::TestObject;
using testing_support::Hex;

namespace {

std::string Lines(const ExtractedText& text) { return text.Joined(); }

class ObjectKinds : public testing::TestWithParam<DwgVersion> {
  protected:
    DwgVersion v() const { return GetParam(); }
    bool Unicode() const { return v() >= DwgVersion::R2007; }
    TestObject Entity(uint32_t type, std::string_view text, EntityOptions o = {}) {
        o.type = type;
        return EntityObject(v(), text, o);
    }
    DrawingOptions WithMultiLeaderClass() const {
        DrawingOptions options;
        options.classes = ClassesSection(
            v(), {{500, "ACDBDICTIONARYWDFLT"}, {kTestMultiLeaderType, "MULTILEADER"}},
            v() >= DwgVersion::R2010);
        return options;
    }
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Versions, ObjectKinds,
                         testing::Values(DwgVersion::R13, DwgVersion::R2000, DwgVersion::R2004,
                                         DwgVersion::R2007, DwgVersion::R2010, DwgVersion::R2013,
                                         DwgVersion::R2018),
                         [](const auto& info) { return dwg_testing::VersionString(info.param); });

TEST_P(ObjectKinds, EveryKindGivesItsLinesInMapOrder) {
    EntityOptions attdef;
    attdef.tag = "TG";
    attdef.prompt = "your name";
    ExtractedText text =
        ReadDrawing(v(),
                    {Entity(1, "t"), Entity(44, "m\\Pm"), Entity(2, "a"), Entity(3, "v", attdef),
                     Entity(21, "d"), Entity(kTestMultiLeaderType, "ml"), Entity(19, "")},
                    WithMultiLeaderClass());
    EXPECT_EQ(Lines(text), "t\r\nm\\Pm\r\na\r\nv\r\nTG\r\nyour name\r\nd\r\nml\r\n");
    EXPECT_EQ(Kinds(text), "TMAVGPDL");
}

TEST_P(ObjectKinds, EveryDimensionTypeGivesItsUserText) {
    std::vector<TestObject> objects;
    std::string expected;
    for (uint32_t type = 20; type <= 26; ++type) {
        objects.push_back(Entity(type, "dim" + std::to_string(type)));
        expected += "dim" + std::to_string(type) + "\r\n";
    }
    ExtractedText text = ReadDrawing(v(), objects);
    EXPECT_EQ(Lines(text), expected);
    EXPECT_EQ(Kinds(text), "DDDDDDD");
}

TEST_P(ObjectKinds, EmptyValuesGiveLinesOnlyForTextAndMText) {
    EntityOptions attdef;
    attdef.tag = "";
    attdef.prompt = "";
    ExtractedText text = ReadDrawing(
        v(), {Entity(1, ""), Entity(44, ""), Entity(2, ""), Entity(3, "", attdef), Entity(22, ""),
              Entity(22, "<>"), Entity(22, std::string("<>\0", 3)), Entity(1, "end")});
    EXPECT_EQ(Lines(text), "\r\n\r\nend\r\n");
    EXPECT_EQ(Kinds(text), "TMT");
    // "<>" inside other text is the user's text.
    EXPECT_EQ(Lines(ReadDrawing(v(), {Entity(22, "<> mm")})), "<> mm\r\n");
}

TEST_P(ObjectKinds, MultiLeaderTextNeedsItsClass) {
    TestObject leader = Entity(kTestMultiLeaderType, "ml");
    EXPECT_EQ(Lines(ReadDrawing(v(), {leader})), "");
    DrawingOptions otherClass;
    otherClass.classes =
        ClassesSection(v(), {{kTestMultiLeaderType, "MLEADERSTYLE"}}, v() >= DwgVersion::R2010);
    EXPECT_EQ(Lines(ReadDrawing(v(), {leader}, otherClass)), "");
    EXPECT_EQ(Lines(ReadDrawing(v(), {leader}, WithMultiLeaderClass())), "ml\r\n");
}

TEST_P(ObjectKinds, MultiLeaderLeadersOfEveryShapeAreSkipped) {
    EntityOptions o;
    o.leaders = {{2, 5}, {}, {3}};
    o.leaderBreaks = true;
    o.namedLineColour = true;  // 2010 and later: a string before the content
    EntityOptions none = o;
    none.leaders = {};
    EntityOptions block = o;
    block.hasMultiLeaderText = false;
    ExtractedText text = ReadDrawing(v(),
                                     {Entity(kTestMultiLeaderType, "{\\fArial|b0;one}", o),
                                      Entity(kTestMultiLeaderType, "two", none),
                                      Entity(kTestMultiLeaderType, "", block), Entity(1, "after")},
                                     WithMultiLeaderClass());
    EXPECT_EQ(Lines(text), "{\\fArial|b0;one}\r\ntwo\r\nafter\r\n");
    EXPECT_EQ(Kinds(text), "LLT");
}

TEST_P(ObjectKinds, AttributeTextFieldsWithEveryOptionalField) {
    EntityOptions o;
    o.elevation = 5.5;
    o.hasAlignment = true;
    o.alignmentX = 3.0;
    o.alignmentY = 4.0;
    o.extrusionZ = -1.0;
    o.thickness = 2.0;
    o.oblique = 0.25;
    o.rotation = 1.5;
    o.widthFactor = 0.8;
    o.hasTextAlignments = true;  // generation and alignments present, one written with code 00
    o.tag = "T1";
    o.prompt = "P1";
    ExtractedText text = ReadDrawing(v(), {Entity(2, "av", o), Entity(3, "dv", o)});
    EXPECT_EQ(Lines(text), "av\r\ndv\r\nT1\r\nP1\r\n");
    EXPECT_EQ(Kinds(text), "AVGP");
}

TEST_P(ObjectKinds, CommonEntityFieldsOfEveryForm) {
    EntityOptions o;
    o.eed = {"abc", std::string(300, 'e')};
    o.image = std::string(700, 'i');
    o.reactors = 3;
    o.invisibility = 1;
    o.invisibilityAsCode00 = true;
    o.plotStyleFlags = 3;
    std::vector<TestObject> objects;
    // 2004 and later: colour numbers with flags (true colour, transparency,
    // a book colour, which is a handle and adds no bits).
    for (uint32_t colour : {7u, 0xC207u, 0x2107u, 0xE207u, 0xC307u}) {
        o.colour = colour;
        objects.push_back(Entity(1, "t", o));
        objects.push_back(Entity(44, "m", o));
        objects.push_back(Entity(3, "v", o));
    }
    ExtractedText text = ReadDrawing(v(), objects);
    EXPECT_EQ(Kinds(text), "TMVGPTMVGPTMVGPTMVGPTMVGP");
}

TEST_P(ObjectKinds, JapaneseTextIsCp932) {
    // R13 to 2004 store 8-bit text as is (a drawing saved on a Japanese
    // machine: CP932); 2007 and later UTF-16, converted; a character CP932
    // cannot hold becomes the unmappable byte.
    std::string stored = Unicode() ? "平面図 ✓" : Hex("95 BD 96 CA 90 7D 20");
    std::string expected = Hex("95 BD 96 CA 90 7D 20") + (Unicode() ? "\xFF" : "");
    ExtractedText text = ReadDrawing(v(), {Entity(1, stored), Entity(2, stored)});
    EXPECT_EQ(Lines(text), expected + "\r\n" + expected + "\r\n");
}

TEST_P(ObjectKinds, FullWidthSpacesAreDeleted) {
    std::string stored = Unicode() ? "平\u3000面" : Hex("95 BD 81 40 96 CA");
    ExtractedText text = ReadDrawing(v(), {Entity(1, stored), Entity(21, stored)});
    EXPECT_EQ(Lines(text), Hex("95 BD 96 CA 0D 0A 95 BD 96 CA 0D 0A"));
}

// Fixed fault: a drawing saved with a Western code page had its degree sign
// (0xB0) read as the CP932 half-width katakana.
TEST_P(ObjectKinds, SingleByteCodePagesAreConvertedToCp932) {
    DrawingOptions ansi1252;
    ansi1252.codePage = 30;
    std::string stored = Unicode() ? "108°" : "108\xB0";
    ExtractedText text = ReadDrawing(v(), {Entity(44, stored), Entity(2, stored)}, ansi1252);
    EXPECT_EQ(Lines(text), Hex("31 30 38 81 8B 0D 0A 31 30 38 81 8B 0D 0A"));
    // Code page 932 (38, ANSI_932) and unknown numbers keep the bytes.
    for (uint16_t page : {38, 22, 0, 999}) {
        DrawingOptions options;
        options.codePage = page;
        std::string japanese = Unicode() ? "平" : Hex("95 BD");
        EXPECT_EQ(Lines(ReadDrawing(v(), {Entity(1, japanese)}, options)), Hex("95 BD 0D 0A"));
    }
}

TEST_P(ObjectKinds, LongTextsAreReadWhole) {
    // 2007 and later: a string stream of 2^15 bits or more gives its size in
    // two raw shorts.
    std::string notes(5000, 'w');
    notes.replace(4990, 4, "KEY!");
    ExtractedText text = ReadDrawing(v(), {Entity(44, notes), Entity(2, notes)});
    EXPECT_EQ(Lines(text), notes + "\r\n" + notes + "\r\n");
}

TEST(ObjectKinds2018, MultiLineAttributesAddTheirMText) {
    EntityOptions o;
    o.attributeType = 2;
    o.embeddedText = "first\\Psecond";
    EntityOptions same = o;
    same.embeddedText = "value";
    EntityOptions constant = o;
    constant.attributeType = 4;
    constant.embeddedText = "const";
    auto entity = [](uint32_t type, std::string_view text, EntityOptions options) {
        options.type = type;
        return EntityObject(DwgVersion::R2018, text, options);
    };
    ExtractedText text =
        ReadDrawing(DwgVersion::R2018, {entity(2, "first second", o), entity(2, "value", same),
                                        entity(3, "dv", constant), entity(1, "after", {})});
    EXPECT_EQ(
        Lines(text),
        "first second\r\nfirst\\Psecond\r\nvalue\r\ndv\r\nconst\r\nTAG\r\nprompt\r\nafter\r\n");
    EXPECT_EQ(Kinds(text), "AAAVVGPT");
}

TEST(ObjectKinds2007, ObjectsWithoutAStringStreamHaveEmptyText) {
    // A TEXT whose flag says there are no strings: an empty value.
    dwg_testing::ObjectWriter object(DwgVersion::R2007);
    object.Start(1);
    dwg_testing::WriteCommonEntityData(object, EntityOptions{});
    object.data().Byte(0xFF);  // data flags: every optional field absent
    object.data().RawDouble(1.0);
    object.data().RawDouble(2.0);
    object.data().Raw(3, 2);  // default extrusion and thickness
    object.data().RawDouble(2.5);
    ExtractedText text =
        ReadDrawing(DwgVersion::R2007, {object.Finish(), EntityObject(DwgVersion::R2007, "next")});
    EXPECT_EQ(Lines(text), "\r\nnext\r\n");
}

namespace {

// The object with the 16 bits before its string stream's flag (the stream's
// size) replaced by `size`.
TestObject WithStringStreamSize(TestObject object, DwgVersion version, uint32_t size) {
    size_t dataBits =
        version == DwgVersion::R2007 ? 0 : 8 * object.bytes.size() - object.handleStreamBits;
    if (version == DwgVersion::R2007) {
        // The size in bits follows the 2-bit code and byte of the type.
        for (int k = 0; k < 32; ++k) {
            size_t bit = 10 + static_cast<size_t>(k);
            uint8_t byte = static_cast<uint8_t>(object.bytes[bit / 8]);
            size_t valueBit = 8 * (static_cast<size_t>(k) / 8) + 7 - static_cast<size_t>(k) % 8;
            if ((byte >> (7 - bit % 8)) & 1) dataBits |= size_t{1} << valueBit;
        }
    }
    size_t at = dataBits - 1 - 16;
    for (int k = 0; k < 16; ++k) {
        size_t bit = at + static_cast<size_t>(k);
        bool one = (size >> (8 * (k / 8) + 7 - k % 8)) & 1;
        char mask = static_cast<char>(0x80 >> (bit % 8));
        object.bytes[bit / 8] = static_cast<char>(one ? (object.bytes[bit / 8] | mask)
                                                      : (object.bytes[bit / 8] & ~mask));
    }
    return object;
}

}  // namespace

// 2007 and later: the string stream.
class StringStreams : public ObjectKinds {};
INSTANTIATE_TEST_SUITE_P(Versions, StringStreams,
                         testing::Values(DwgVersion::R2007, DwgVersion::R2010, DwgVersion::R2013,
                                         DwgVersion::R2018),
                         [](const auto& info) { return dwg_testing::VersionString(info.param); });

// 2010 and later: the handle stream's size before each object.
class HandleStreams : public ObjectKinds {};
INSTANTIATE_TEST_SUITE_P(Versions, HandleStreams,
                         testing::Values(DwgVersion::R2010, DwgVersion::R2013, DwgVersion::R2018),
                         [](const auto& info) { return dwg_testing::VersionString(info.param); });

TEST_P(StringStreams, StringStreamsThatDoNotFitEndTheWalk) {
    TestObject bad = WithStringStreamSize(Entity(1, "two"), v(), 0x7FFF);
    EXPECT_EQ(Lines(ReadDrawing(v(), {Entity(1, "one"), bad, Entity(1, "three")})), "one\r\n");
    // A size that does fit but puts the strings elsewhere: the count read
    // there runs past the stream.
    TestObject shifted = WithStringStreamSize(Entity(1, "two"), v(), 8);
    EXPECT_EQ(Lines(ReadDrawing(v(), {Entity(1, "one"), shifted})), "one\r\n");
}

TEST_P(HandleStreams, HandleStreamLargerThanTheObjectEndsTheWalk) {
    TestObject bad = Entity(1, "two");
    bad.handleStreamBits = 8 * bad.bytes.size() + 1;
    EXPECT_EQ(Lines(ReadDrawing(v(), {Entity(1, "one"), bad, Entity(1, "three")})), "one\r\n");
}

TEST_P(ObjectKinds, TypesAboveOneByteAreCoded) {
    // 2010 and later code the type in 2 bits and one or two bytes: a class
    // number below 0x2F0 takes the one-byte form, others the raw short.
    for (uint32_t type : {0x1F4u, 0x2EFu, 0x2F0u, 0x7FFu}) {
        DrawingOptions options;
        options.classes = ClassesSection(v(), {{type, "MULTILEADER"}}, v() >= DwgVersion::R2010);
        EntityOptions o;
        o.type = type;
        ExtractedText text = ReadDrawing(v(), {EntityObject(v(), "ml", o)}, options);
        EXPECT_EQ(Lines(text), "ml\r\n") << type;
    }
}

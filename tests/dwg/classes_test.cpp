#include "dwg/classes.h"

#include <gtest/gtest.h>

#include "tests/dwg/object_builder.h"

using dwg_testing::ClassesSection;
using dwg_testing::PieceSource;

namespace {

uint32_t Find(const std::string& section, DwgVersion version, uint8_t appMaintenance = 8,
              std::string_view name = "MULTILEADER") {
    PieceSource source("junk" + section);
    CachedReader reader(source);
    DwgFileHeader header;
    header.appMaintenance = appMaintenance;
    return FindClassType(reader, 4, version, header, name);
}

const std::vector<std::pair<uint32_t, std::string>> kClasses = {
    {500, "ACDBDICTIONARYWDFLT"}, {501, "MLEADERSTYLE"}, {502, "MULTILEADER"}, {503, "LAYOUT"}};

}  // namespace

TEST(FindClassType, EveryVersionGivesTheClassNumber) {
    for (DwgVersion version :
         {DwgVersion::R13, DwgVersion::R2000, DwgVersion::R2004, DwgVersion::R2007,
          DwgVersion::R2010, DwgVersion::R2013, DwgVersion::R2018}) {
        bool highSize = version >= DwgVersion::R2010;
        std::string section = ClassesSection(version, kClasses, highSize);
        EXPECT_EQ(Find(section, version), 502u) << static_cast<int>(version);
        EXPECT_EQ(Find(section, version, 8, "LAYOUT"), 503u) << static_cast<int>(version);
        EXPECT_EQ(Find(section, version, 8, "MULTILEADERX"), 0u) << static_cast<int>(version);
    }
}

TEST(FindClassType, EitherLayoutOf2010And2013IsRead) {
    // The RL after the size: present from maintenance release 4; drawings
    // that say otherwise are read in the other layout.
    for (DwgVersion version : {DwgVersion::R2010, DwgVersion::R2013}) {
        EXPECT_EQ(Find(ClassesSection(version, kClasses, true), version, 3), 502u);
        EXPECT_EQ(Find(ClassesSection(version, kClasses, false), version, 8), 502u);
        EXPECT_EQ(Find(ClassesSection(version, kClasses, false), version, 3), 502u);
    }
}

TEST(FindClassType, DamagedSectionsGiveNone) {
    std::string section = ClassesSection(DwgVersion::R2000, kClasses);
    std::string noSentinel = section;
    noSentinel[3] = 'x';
    EXPECT_EQ(Find(noSentinel, DwgVersion::R2000), 0u);
    std::string huge = section;
    huge[19] = '\x7F';  // a size of 2 GB
    EXPECT_EQ(Find(huge, DwgVersion::R2000), 0u);
    // Cut inside the third class: the first two are read, the third is not.
    std::vector<std::pair<uint32_t, std::string>> firstTwo(kClasses.begin(), kClasses.begin() + 2);
    size_t twoClasses = ClassesSection(DwgVersion::R2000, firstTwo).size() - 16 - 2;
    std::string cut = section.substr(0, twoClasses + 8);
    EXPECT_EQ(Find(cut, DwgVersion::R2000, 8, "MLEADERSTYLE"), 501u);
    EXPECT_EQ(Find(cut, DwgVersion::R2000), 0u);
    for (DwgVersion version : {DwgVersion::R2004, DwgVersion::R2007, DwgVersion::R2018}) {
        std::string later = ClassesSection(version, kClasses, version >= DwgVersion::R2010);
        for (size_t cut = 0; cut < later.size(); cut += 7) {
            uint32_t type = Find(later.substr(0, cut), version);
            EXPECT_TRUE(type == 0 || type == 502) << cut;
        }
        std::string zeros = later;
        std::fill(zeros.begin() + 20, zeros.end(), '\0');
        EXPECT_EQ(Find(zeros, version), 0u);
    }
    EXPECT_EQ(Find("", DwgVersion::R2018), 0u);
}

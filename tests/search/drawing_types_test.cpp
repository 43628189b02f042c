#include "search/drawing_types.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& ch : out) {
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    }
    return out;
}

std::string_view ExtensionOf(const DrawingType* type) {
    return type != nullptr ? type->extension : "(none)";
}

}  // namespace

TEST(DrawingTypeOfPath, TheExtensionAfterTheLastDotInAnyCase) {
    for (const DrawingType& type : DrawingTypes()) {
        const std::string extension(type.extension);
        EXPECT_EQ(DrawingTypeOfPath("/d/plan." + extension), &type) << extension;
        EXPECT_EQ(DrawingTypeOfPath("/d/PLAN." + Upper(extension)), &type) << extension;
        EXPECT_EQ(DrawingTypeOfPath("rel/a.b." + extension), &type) << extension;
        EXPECT_EQ(DrawingTypeOfPath("." + extension), &type)
            << extension;  // a name of a dot and the extension
        // The extension must follow a dot and end the path.
        EXPECT_EQ(DrawingTypeOfPath("/d/plan" + extension), nullptr) << extension;
        EXPECT_EQ(DrawingTypeOfPath("/d/plan_" + extension), nullptr) << extension;
        EXPECT_EQ(DrawingTypeOfPath("/d/plan.x" + extension), nullptr) << extension;
        EXPECT_EQ(DrawingTypeOfPath("/d/plan." + extension + ".bak"), nullptr) << extension;
        EXPECT_EQ(DrawingTypeOfPath("/d/plan." + extension + "/"), nullptr) << extension;
        EXPECT_EQ(DrawingTypeOfPath("/d/plan." + extension + " "), nullptr) << extension;
        EXPECT_EQ(DrawingTypeOfPath("/d." + extension + "/plan"), nullptr) << extension;
    }
    EXPECT_EQ(ExtensionOf(DrawingTypeOfPath("/図面/平面図.DxF")), "dxf");
    for (const char* other : {"", ".", "..", "/", "dxf", "/d/plan.", "/d/plan.txt", "/d/plan.dx"}) {
        EXPECT_EQ(DrawingTypeOfPath(other), nullptr) << other;
    }
}

TEST(IsDrawingPath, TheMaskChoosesTypesByTheirBits) {
    EXPECT_TRUE(IsDrawingPath("/d/a.DWG", TYPE_DWG));
    EXPECT_FALSE(IsDrawingPath("/d/a.dwg", TYPE_DXF));
    // The JW_CAD bit chooses each of its extensions; the box's toggle bit none.
    for (const char* name : {"a.jwc", "a.jwk", "a.JWW"}) {
        EXPECT_TRUE(IsDrawingPath(name, TYPE_JW)) << name;
        EXPECT_FALSE(IsDrawingPath(name, TYPE_JW_TOGGLED)) << name;
        EXPECT_FALSE(IsDrawingPath(name, TYPE_ALL & ~TYPE_JW)) << name;
    }
    EXPECT_FALSE(IsDrawingPath("/d/a.txt", ~0u));
    for (const DrawingType& type : DrawingTypes()) {
        EXPECT_TRUE(IsDrawingPath("x." + std::string(type.extension), TYPE_ALL)) << type.extension;
        EXPECT_FALSE(IsDrawingPath("x." + std::string(type.extension), 0)) << type.extension;
    }
}

// What the rest of the program takes from the tables without checking.
TEST(DrawingTypes, RowsAreWhatTheirReadersDispatchAndIconsNeed) {
    std::set<std::string_view> extensions;
    std::set<int> slots;
    unsigned chosenByGroups = 0;
    for (const DrawingTypeGroup& group : DrawingTypeGroups()) chosenByGroups |= group.bits;
    for (const DrawingType& type : DrawingTypes()) {
        // Unique, lower case, found by FindDrawingType: the walk and the
        // readers' dispatch agree.
        EXPECT_TRUE(extensions.insert(type.extension).second) << type.extension;
        EXPECT_EQ(type.extension.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ."),
                  std::string_view::npos)
            << type.extension;
        EXPECT_EQ(FindDrawingType(type.extension), &type);
        EXPECT_NE(type.read, nullptr) << type.extension;
        // One type bit, of those the type page and --types can choose.
        EXPECT_EQ(type.typeBit & (type.typeBit - 1), 0u) << type.extension;
        EXPECT_NE(type.typeBit & TYPE_ALL & chosenByGroups, 0u) << type.extension;
        // An image slot of its own inside the list's slots.
        EXPECT_TRUE(slots.insert(type.iconSlot).second) << type.extension;
        EXPECT_GE(type.iconSlot, 0);
        EXPECT_LT(type.iconSlot, TypeSlotCount());
        // A MIME type; an own icon goes with the MIME type of the program's
        // package, the freedesktop name of which it is.
        EXPECT_NE(type.mimeType.find('/'), std::string_view::npos) << type.extension;
        if (!type.ownIcon.empty()) {
            std::string iconName(type.mimeType);
            iconName[iconName.find('/')] = '-';
            EXPECT_EQ(type.ownIcon, iconName) << type.extension;
        }
    }
}

// The formats the documents name (cmake/product_facts.cmake) are the formats
// the search reads: no extension more or less.
TEST(DrawingTypes, TheDocumentsNameTheExtensionsOfTheTable) {
    std::set<std::string> documented;
    std::string list = PLOTSIEVE_FORMAT_EXTENSIONS;
    for (size_t start = 0, end; start <= list.size(); start = end + 1) {
        end = list.find(',', start);
        if (end == std::string::npos) end = list.size();
        documented.insert(list.substr(start, end - start));
    }
    std::set<std::string> read;
    for (const DrawingType& type : DrawingTypes()) read.insert(std::string(type.extension));
    EXPECT_EQ(documented, read);
}

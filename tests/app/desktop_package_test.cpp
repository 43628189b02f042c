// The MIME package and the icon theme installed with the program name the
// drawing types the stock MIME database lacks or gives to other files. They
// must agree with the drawing-type table, or a desktop shows those drawings
// as unknown files (or as audio, for *.mpp) and the window's own icons go
// unused.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "app/resources.h"
#include "search/drawing_types.h"
#include "tests/test_support.h"

namespace {

const std::filesystem::path kDesktopDir = PLOTSIEVE_DESKTOP_DIR;
const std::filesystem::path kIconTheme = PLOTSIEVE_ICON_THEME_DIR;

// The text of each <mime-type> element of a package, by its type.
std::map<std::string, std::string> MimeTypeElements(const std::string& xml) {
    std::map<std::string, std::string> elements;
    const std::string open = "<mime-type type=\"";
    for (size_t at = xml.find(open); at != std::string::npos; at = xml.find(open, at)) {
        at += open.size();
        const size_t quote = xml.find('"', at);
        const size_t end = xml.find("</mime-type>", at);
        if (quote == std::string::npos || end == std::string::npos) break;
        elements[xml.substr(at, quote - at)] = xml.substr(quote, end - quote);
    }
    return elements;
}

// The extensions of an element's "*.ext" name patterns.
std::vector<std::string> GlobExtensions(const std::string& element) {
    std::vector<std::string> extensions;
    const std::string open = "<glob pattern=\"*.";
    for (size_t at = element.find(open); at != std::string::npos; at = element.find(open, at)) {
        at += open.size();
        extensions.push_back(element.substr(at, element.find('"', at) - at));
    }
    return extensions;
}

}  // namespace

TEST(DesktopPackage, TheMimePackageAndIconThemeHoldEveryTypeWithAnIconOfItsOwn) {
    const std::map<std::string, std::string> elements =
        MimeTypeElements(testing_support::ReadFileBytes(kDesktopDir / "plotsieve-drawings.xml"));
    ASSERT_FALSE(elements.empty());
    int ownTypes = 0;
    for (const DrawingType& type : DrawingTypes()) {
        if (type.ownIcon.empty()) continue;
        ++ownTypes;
        const std::string extension(type.extension), icon(type.ownIcon);
        auto element = elements.find(std::string(type.mimeType));
        ASSERT_NE(element, elements.end()) << type.mimeType;
        const std::vector<std::string> globs = GlobExtensions(element->second);
        EXPECT_NE(std::find(globs.begin(), globs.end(), extension), globs.end()) << extension;
        EXPECT_NE(element->second.find("<icon name=\"" + icon + "\"/>"), std::string::npos)
            << type.mimeType;
        for (const char* size : {"16x16", "32x32", "48x48", "128x128"}) {
            EXPECT_TRUE(
                std::filesystem::is_regular_file(kIconTheme / size / "mimetypes" / (icon + ".png")))
                << size << " " << icon;
        }
        // Built into the window too, for a desktop without the package.
        EXPECT_TRUE(OwnTypeIcon(type.ownIcon, 16).IsOk()) << icon;
        EXPECT_TRUE(OwnTypeIcon(type.ownIcon, 32).IsOk()) << icon;
    }
    EXPECT_GT(ownTypes, 0);
    // And the package claims no name the program does not read as that type.
    for (const auto& [mimeType, element] : elements) {
        for (const std::string& extension : GlobExtensions(element)) {
            const DrawingType* type = FindDrawingType(extension);
            ASSERT_NE(type, nullptr) << extension;
            EXPECT_EQ(type->mimeType, mimeType) << extension;
        }
    }
    EXPECT_FALSE(OwnTypeIcon("", 16).IsOk());
    EXPECT_FALSE(OwnTypeIcon("application-x-unknown", 16).IsOk());
}

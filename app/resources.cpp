#include "app/resources.h"

#include <wx/fontenum.h>
#include <wx/icon.h>
#include <wx/image.h>
#include <wx/settings.h>

#include "app/resources/document_16.xpm"
#include "app/resources/document_32.xpm"
#include "app/resources/plotsieve_16.xpm"
#include "app/resources/plotsieve_32.xpm"
#include "app/resources/start_48.xpm"
#include "app/resources/type_dracad_16.xpm"
#include "app/resources/type_dracad_32.xpm"
#include "app/resources/type_jwcad_16.xpm"
#include "app/resources/type_jwcad_32.xpm"
#include "app/resources/type_sxf_16.xpm"
#include "app/resources/type_sxf_32.xpm"
#include "app/resources/type_vectorworks_16.xpm"
#include "app/resources/type_vectorworks_32.xpm"

namespace {
wxBitmap Scaled(const char* const* xpm, int size) {
    wxImage image(xpm);
    if (image.GetWidth() != size) image.Rescale(size, size, wxIMAGE_QUALITY_HIGH);
    return wxBitmap(image);
}

// The pixels of each icon that the drawing-type table names, as drawn by
// resources/make_icons.py (which writes the installed PNGs of the same names).
struct OwnIcon {
    std::string_view name;
    const char* const* small;
    const char* const* large;
};
constexpr OwnIcon kOwnIcons[] = {
    {.name = "application-x-jwcad", .small = type_jwcad_16_xpm, .large = type_jwcad_32_xpm},
    {.name = "application-x-vectorworks",
     .small = type_vectorworks_16_xpm,
     .large = type_vectorworks_32_xpm},
    {.name = "application-x-dracad", .small = type_dracad_16_xpm, .large = type_dracad_32_xpm},
    {.name = "application-x-sxf-sfc", .small = type_sxf_16_xpm, .large = type_sxf_32_xpm},
    {.name = "application-x-sxf-p21", .small = type_sxf_16_xpm, .large = type_sxf_32_xpm},
};
}  // namespace

wxIconBundle ApplicationIcons() {
    wxIconBundle icons;
    icons.AddIcon(wxIcon(plotsieve_16_xpm));
    icons.AddIcon(wxIcon(plotsieve_32_xpm));
    return icons;
}

wxBitmap DocumentIcon(int size) {
    if (size == 16) return wxBitmap(document_16_xpm);
    if (size == 32) return wxBitmap(document_32_xpm);
    wxImage image(document_32_xpm);
    return wxBitmap(image.Scale(size, size, wxIMAGE_QUALITY_HIGH));
}

wxBitmap OwnTypeIcon(std::string_view name, int size) {
    if (name.empty()) return {};
    for (const OwnIcon& icon : kOwnIcons) {
        if (icon.name == name) return Scaled(size <= 16 ? icon.small : icon.large, size);
    }
    return {};
}

wxBitmap StartButtonBitmap() { return wxBitmap(start_48_xpm); }

wxFont FormFont() {
    for (const char* face : {"IPAPGothic", "IPA Pゴシック"}) {
        wxString name = wxString::FromUTF8(face);
        if (wxFontEnumerator::IsValidFacename(name)) {
            return wxFont(wxFontInfo(9).FaceName(name));
        }
    }
    return wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
}

#include "app/resources.h"

#include <wx/dcmemory.h>
#include <wx/fontenum.h>
#include <wx/icon.h>
#include <wx/image.h>
#include <wx/settings.h>

#include <algorithm>
#include <cstdint>
#include <iterator>

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

wxBitmap LabelledTypeIcon(const wxBitmap& base, const std::string& extension, int size) {
    // A colour of the name's own, the same at every start.
    static const wxColour kBands[] = {{0x2F, 0x6F, 0xC0}, {0xC0, 0x39, 0x2B}, {0x1E, 0x8E, 0x3E},
                                      {0x8E, 0x44, 0xAD}, {0xD3, 0x7A, 0x00}, {0x16, 0x7F, 0x86},
                                      {0x5D, 0x6D, 0x7E}};
    uint32_t hash = 2166136261u;  // FNV-1a
    for (char c : extension) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    const wxColour band = kBands[hash % std::size(kBands)];

    wxImage image = base.ConvertToImage();
    if (image.GetWidth() != size || image.GetHeight() != size) {
        image.Rescale(size, size, wxIMAGE_QUALITY_HIGH);
    }
    if (!image.HasAlpha()) image.InitAlpha();
    // The band: the lower part of the icon, opaque.
    const int top = size - std::max(5, size * 7 / 16);
    for (int y = top; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            image.SetRGB(x, y, band.Red(), band.Green(), band.Blue());
            image.SetAlpha(x, y, 255);
        }
    }
    wxBitmap bitmap(image);
    if (size >= 24) {
        // The name, where there is room to read it.
        wxMemoryDC dc(bitmap);
        wxString label = wxString::FromUTF8(extension).Upper();
        wxFont font(wxFontInfo(std::max(6, size / 4)).Bold());
        dc.SetFont(font);
        dc.SetTextForeground(*wxWHITE);
        const wxSize extent = dc.GetTextExtent(label);
        dc.DrawText(label, (size - extent.x) / 2, top + (size - top - extent.y) / 2);
        dc.SelectObject(wxNullBitmap);
    }
    return bitmap;
}

wxFont FormFont() {
    for (const char* face : {"IPAPGothic", "IPA Pゴシック"}) {
        wxString name = wxString::FromUTF8(face);
        if (wxFontEnumerator::IsValidFacename(name)) {
            return wxFont(wxFontInfo(9).FaceName(name));
        }
    }
    return wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
}

#include "app/type_icon.h"

#include <gio/gio.h>
#include <wx/artprov.h>
#include <wx/image.h>

#include <string_view>

#include "app/resources.h"
#include "search/drawing_types.h"

namespace {

// The desktop theme's icon for a MIME type, or an invalid bitmap; `generic`
// says whether it is one the type shares with others (the theme has none
// of the type's own name).
wxBitmap ThemeIcon(const gchar* type, int size, bool& generic) {
    wxBitmap bitmap;
    generic = false;
    GIcon* icon = g_content_type_get_icon(type);
    if (icon != nullptr && G_IS_THEMED_ICON(icon)) {
        // Most specific name first: "image-vnd.dxf", then the generic ones.
        const gchar* const* names = g_themed_icon_get_names(G_THEMED_ICON(icon));
        for (int k = 0; names != nullptr && names[k] != nullptr && !bitmap.IsOk(); ++k) {
            bitmap = wxArtProvider::GetBitmap(wxString::FromUTF8(names[k]), wxART_OTHER,
                                              wxSize(size, size));
            generic = bitmap.IsOk() && k > 0;
        }
    }
    if (icon != nullptr) g_object_unref(icon);
    return bitmap;
}

}  // namespace

wxBitmap DesktopTypeIcon(const std::string& path, int size) {
    const DrawingType* drawing = DrawingTypeOfPath(path);
    wxBitmap own = drawing != nullptr ? OwnTypeIcon(drawing->ownIcon, size) : wxBitmap();

    // The type comes from the MIME database's name patterns; the file itself
    // is not read.
    gboolean uncertain = FALSE;
    gchar* type = g_content_type_guess(path.c_str(), nullptr, 0, &uncertain);
    wxBitmap bitmap;
    bool generic = false;
    if (type != nullptr && !g_content_type_is_unknown(type)) {
        // A desktop that does not know the program's type yet guesses none,
        // or another type that claims the name (audio for *.mpp): the
        // program's own icon then. So it is where the theme has no icon.
        if (drawing == nullptr || drawing->ownIcon.empty() || drawing->mimeType == type) {
            bitmap = ThemeIcon(type, size, generic);
        }
    }
    g_free(type);
    if (!bitmap.IsOk()) bitmap = own;
    // A drawing type the theme shows only with an icon it shares with other
    // types (DXF and DWG both as "image-x-generic"): its own label on it, so
    // that the types tell apart in the list.
    if (drawing != nullptr && !own.IsOk() && (generic || !bitmap.IsOk())) {
        bitmap = LabelledTypeIcon(bitmap.IsOk() ? bitmap : DocumentIcon(size),
                                  std::string(drawing->extension), size);
    }
    if (bitmap.IsOk() && bitmap.GetSize() != wxSize(size, size)) {
        bitmap = wxBitmap(bitmap.ConvertToImage().Scale(size, size, wxIMAGE_QUALITY_HIGH));
    }
    return bitmap;
}

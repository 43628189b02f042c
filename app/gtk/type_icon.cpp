#include "app/type_icon.h"

#include <gio/gio.h>
#include <wx/artprov.h>
#include <wx/image.h>

wxBitmap DesktopTypeIcon(const std::string& path, int size) {
    // The type comes from the MIME database's name patterns; the file itself
    // is not read. An unknown type keeps the caller's placeholder.
    gboolean uncertain = FALSE;
    gchar* type = g_content_type_guess(path.c_str(), nullptr, 0, &uncertain);
    if (type == nullptr) return {};
    wxBitmap bitmap;
    if (!g_content_type_is_unknown(type)) {
        GIcon* icon = g_content_type_get_icon(type);
        if (icon != nullptr && G_IS_THEMED_ICON(icon)) {
            // Most specific name first: "image-vnd.dxf", then the generic ones.
            const gchar* const* names = g_themed_icon_get_names(G_THEMED_ICON(icon));
            for (; names != nullptr && *names != nullptr && !bitmap.IsOk(); ++names) {
                bitmap = wxArtProvider::GetBitmap(wxString::FromUTF8(*names), wxART_OTHER,
                                                  wxSize(size, size));
            }
        }
        if (icon != nullptr) g_object_unref(icon);
    }
    g_free(type);
    if (bitmap.IsOk() && bitmap.GetSize() != wxSize(size, size)) {
        bitmap = wxBitmap(bitmap.ConvertToImage().Scale(size, size, wxIMAGE_QUALITY_HIGH));
    }
    return bitmap;
}

#include "app/type_icon.h"

#include <gio/gio.h>
#include <wx/artprov.h>
#include <wx/image.h>

#include <string_view>

#include "app/resources.h"
#include "results/result_record.h"
#include "search/extract_text.h"

namespace {

// The MIME types the program's own type database (installed with it) gives
// the drawing types that the stock database lacks or misnames.
struct OwnMimeType {
    std::string_view extension;
    std::string_view mimeType;
};
constexpr OwnMimeType kOwnMimeTypes[] = {
    {"jwc", "application/x-jwcad"},  {"jwk", "application/x-jwcad"},
    {"jww", "application/x-jwcad"},  {"mcd", "application/x-vectorworks"},
    {"mpp", "application/x-dracad"}, {"mpx", "application/x-dracad"},
    {"mpz", "application/x-dracad"},
};

std::string_view OwnMimeTypeOf(std::string_view extension) {
    for (const OwnMimeType& type : kOwnMimeTypes) {
        if (type.extension == extension) return type.mimeType;
    }
    return {};
}

// The desktop theme's icon for a MIME type, or an invalid bitmap.
wxBitmap ThemeIcon(const gchar* type, int size) {
    wxBitmap bitmap;
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
    return bitmap;
}

}  // namespace

wxBitmap DesktopTypeIcon(const std::string& path, int size) {
    std::string extension = LowerCasePath(std::string(SplitPath(path).type));
    wxBitmap own = OwnTypeIcon(extension, size);
    std::string_view ownType = OwnMimeTypeOf(extension);

    // The type comes from the MIME database's name patterns; the file itself
    // is not read.
    gboolean uncertain = FALSE;
    gchar* type = g_content_type_guess(path.c_str(), nullptr, 0, &uncertain);
    wxBitmap bitmap;
    if (type != nullptr && !g_content_type_is_unknown(type)) {
        // A desktop that does not know the program's type yet guesses none,
        // or another type that claims the name (audio for *.mpp): the
        // program's own icon then. So it is where the theme has no icon.
        if (ownType.empty() || ownType == type) bitmap = ThemeIcon(type, size);
    }
    g_free(type);
    if (!bitmap.IsOk()) bitmap = own;
    if (bitmap.IsOk() && bitmap.GetSize() != wxSize(size, size)) {
        bitmap = wxBitmap(bitmap.ConvertToImage().Scale(size, size, wxIMAGE_QUALITY_HIGH));
    }
    return bitmap;
}

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

#include "app/dialog_units.h"

#include <wx/listctrl.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/statbox.h>
#include <wx/window.h>

wxSize LeastSizeInDialogUnits(wxWindow* child, int width, int height) {
    wxSize size = child->GetParent()->ConvertDialogToPixels(wxSize(width, height));
    size.IncTo(child->GetBestSize());
    return size;
}

void PlaceInDialogUnits(wxWindow* child, int x, int y, int width, int height) {
    wxPoint position = child->GetParent()->ConvertDialogToPixels(wxPoint(x, y));
    child->SetSize(wxRect(position, LeastSizeInDialogUnits(child, width, height)));
}

void GrowToShownWidths(wxWindow* window) {
    for (wxWindow* child : window->GetChildren()) {
        if (child->IsTopLevel()) continue;
        child->InvalidateBestSize();
        const bool container = dynamic_cast<wxPanel*>(child) != nullptr ||
                               dynamic_cast<wxNotebook*>(child) != nullptr ||
                               dynamic_cast<wxStaticBox*>(child) != nullptr;
        if (container) {
            GrowToShownWidths(child);
            continue;
        }
        if (dynamic_cast<wxListCtrl*>(child) != nullptr) continue;
        wxSize least = child->GetMinSize();
        if (least.x > 0 && child->GetBestSize().x > least.x) {
            child->SetMinSize(wxSize(child->GetBestSize().x, least.y));
        }
    }
    window->InvalidateBestSize();
}

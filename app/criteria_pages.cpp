#include "app/criteria_pages.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/datectrl.h>
#include <wx/dateevt.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/ids.h"
#include "app/message_box.h"
#include "app/place_chooser.h"
#include "app/size_text.h"
#include "search/drawing_types.h"

namespace {

// A push button that the Tab key passes over.
class UntabbedButton : public wxButton {
  public:
    using wxButton::wxButton;
    bool AcceptsFocusFromKeyboard() const override { return false; }
};

wxStaticText* Label(wxWindow* parent, const char* text, int x, int y, int w, int h) {
    auto* label = new wxStaticText(parent, wxID_ANY, wxString::FromUTF8(text));
    PlaceInDialogUnits(label, x, y, w, h);
    return label;
}

wxCheckBox* CheckBox(wxWindow* parent, int id, const char* text, int x, int y, int w, int h) {
    auto* box = new wxCheckBox(parent, id, wxString::FromUTF8(text));
    PlaceInDialogUnits(box, x, y, w, h);
    return box;
}

wxTextCtrl* Edit(wxWindow* parent, int id, int x, int y, int w, int h) {
    auto* edit = new wxTextCtrl(parent, id);
    PlaceInDialogUnits(edit, x, y, w, h);
    return edit;
}

}  // namespace

void PlaceInDialogUnits(wxWindow* child, int x, int y, int width, int height) {
    wxWindow* parent = child->GetParent();
    wxPoint position = parent->ConvertDialogToPixels(wxPoint(x, y));
    wxSize size = parent->ConvertDialogToPixels(wxSize(width, height));
    // GTK draws buttons and check boxes with more padding than the layout's
    // units allow for; below their least size they would lose their face.
    bool button = dynamic_cast<wxButton*>(child) != nullptr;
    bool checkBox = dynamic_cast<wxCheckBox*>(child) != nullptr;
    if ((button || checkBox) && child->GetLabel().length() <= 1) {
        size.IncTo(child->GetBestSize());
    }
    child->SetSize(wxRect(position, size));
}

// ---------------------------------------------------------------- Cpage1

wxBEGIN_EVENT_TABLE(Cpage1, wxPanel)
    EVT_CHECKBOX(IDC_SUBFOLDERS, Cpage1::OnSubfolders)
    EVT_BUTTON(IDC_CHOOSE_PLACE, Cpage1::OnChoosePlace)
wxEND_EVENT_TABLE()

Cpage1::Cpage1(wxWindow* parent) : wxPanel(parent, 137) {
    // Creation order is the tab order: keyword, "選択", place, subfolders.
    Label(this, "ｷｰﾜｰﾄﾞ：", 11, 14, 27, 11);
    m_keyword = Edit(this, IDC_KEYWORD, 43, 11, 143, 13);
    auto* help = new UntabbedButton(this, IDC_KEYWORD_HELP, "?", wxDefaultPosition, wxDefaultSize,
                                    wxBU_EXACTFIT);
    PlaceInDialogUnits(help, 193, 12, 8, 11);
    Label(this, "検索場所：", 8, 33, 32, 8);
    auto* choose = new wxButton(this, IDC_CHOOSE_PLACE, wxString::FromUTF8("選択"));
    PlaceInDialogUnits(choose, 177, 31, 24, 15);
    m_place = Edit(this, IDC_PLACE, 43, 31, 125, 14);
    m_subfolders = CheckBox(this, IDC_SUBFOLDERS, "ｻﾌﾞﾌｫﾙﾀﾞも探す", 43, 51, 61, 9);
    m_subfolders->SetValue(true);
    choose->MoveAfterInTabOrder(m_keyword);
}

wxString Cpage1::KeywordValue() const { return m_keyword->GetValue(); }
wxString Cpage1::PlaceValue() const { return m_place->GetValue(); }
void Cpage1::SetPlace(const wxString& place) { m_place->ChangeValue(place); }

void Cpage1::SetNarrowingMode(bool narrowing) {
    m_place->SetEditable(!narrowing);
    m_subfolders->Enable(!narrowing);
}

void Cpage1::OnSubfolders(wxCommandEvent&) { m_includeSubfolders = m_subfolders->GetValue(); }

void Cpage1::OnChoosePlace(wxCommandEvent&) {
    // Cancelling leaves the place as it was.
    if (auto place = BrowseForPlace(this, m_place->GetValue())) m_place->SetValue(*place);
}

// ---------------------------------------------------------------- CPage2

wxBEGIN_EVENT_TABLE(CPage2, wxPanel)
    EVT_CHECKBOX(IDC_DATE_ANY, CPage2::OnKind)
    EVT_CHECKBOX(IDC_DATE_CREATED, CPage2::OnKind)
    EVT_CHECKBOX(IDC_DATE_MODIFIED, CPage2::OnKind)
    EVT_CHECKBOX(IDC_RANGE_BEFORE, CPage2::OnRange)
    EVT_CHECKBOX(IDC_RANGE_AFTER, CPage2::OnRange)
    EVT_CHECKBOX(IDC_RANGE_BETWEEN, CPage2::OnRange)
    EVT_DATE_CHANGED(wxID_ANY, CPage2::OnDateChanged)
wxEND_EVENT_TABLE()

CPage2::CPage2(wxWindow* parent) : wxPanel(parent, 138) {
    wxDateTime now = wxDateTime::Now();
    m_hour = now.GetHour();
    m_minute = now.GetMinute();
    m_second = now.GetSecond();

    auto* kinds = new wxStaticBox(this, wxID_ANY, wxString::FromUTF8("種別"));
    PlaceInDialogUnits(kinds, 3, 6, 42, 57);
    auto* ranges = new wxStaticBox(this, wxID_ANY, wxString::FromUTF8("日付"));
    PlaceInDialogUnits(ranges, 49, 6, 159, 57);
    CheckBox(this, IDC_DATE_ANY, "すべて", 8, 18, 31, 10)->SetValue(true);
    CheckBox(this, IDC_DATE_CREATED, "作成日", 8, 32, 31, 10);
    CheckBox(this, IDC_DATE_MODIFIED, "更新日", 8, 47, 31, 10);

    auto picker = [&](int id, int x, int y) {
        auto* p =
            new wxDatePickerCtrl(this, id, now, wxDefaultPosition, wxDefaultSize, wxDP_DROPDOWN);
        PlaceInDialogUnits(p, x, y, 54, 11);
        p->Disable();
    };
    CheckBox(this, IDC_RANGE_BEFORE, "", 56, 18, 12, 8)->Disable();
    picker(IDC_PICK_BEFORE, 71, 17);
    Label(this, "以前", 133, 18, 15, 8);
    CheckBox(this, IDC_RANGE_AFTER, "", 56, 33, 11, 8)->Disable();
    picker(IDC_PICK_AFTER, 71, 32);
    Label(this, "以後", 133, 33, 15, 8);
    CheckBox(this, IDC_RANGE_BETWEEN, "", 56, 49, 11, 8)->Disable();
    picker(IDC_PICK_FROM, 71, 47);
    Label(this, "から", 133, 49, 18, 11);
    picker(IDC_PICK_TO, 151, 47);

    m_limits.boundA = PickerTime(IDC_PICK_BEFORE);
}

wxCheckBox* CPage2::Box(int id) const { return static_cast<wxCheckBox*>(FindWindow(id)); }

wxDatePickerCtrl* CPage2::Picker(int id) const {
    return static_cast<wxDatePickerCtrl*>(FindWindow(id));
}

DateCriterion CPage2::DateLimits() const {
    std::lock_guard lock(m_mutex);
    return m_limits;
}

int64_t CPage2::PickerTime(int id) const {
    wxDateTime date = Picker(id)->GetValue();
    wxDateTime time(date.GetDay(), date.GetMonth(), date.GetYear(), m_hour, m_minute, m_second);
    return time.IsValid() ? static_cast<int64_t>(time.GetValue().GetValue() / 1000) : 0;
}

void CPage2::CheckOnly(std::initializer_list<int> group, int chosen) {
    for (int id : group) Box(id)->SetValue(id == chosen);
}

void CPage2::EnableOnly(std::initializer_list<int> ids, bool enable) {
    for (int id : ids) FindWindow(id)->Enable(enable);
}

void CPage2::OnKind(wxCommandEvent& event) {
    // The kind boxes act as a radio group: a click on a checked box keeps it checked.
    const int id = event.GetId();
    CheckOnly({IDC_DATE_ANY, IDC_DATE_CREATED, IDC_DATE_MODIFIED}, id);
    std::lock_guard lock(m_mutex);
    if (id == IDC_DATE_ANY) {
        EnableOnly({IDC_PICK_FROM, IDC_PICK_TO, IDC_PICK_AFTER, IDC_PICK_BEFORE, IDC_RANGE_BEFORE,
                    IDC_RANGE_AFTER, IDC_RANGE_BETWEEN},
                   false);
        m_limits.kind = DateKind::Any;
        return;
    }
    CheckOnly({IDC_RANGE_BEFORE, IDC_RANGE_AFTER, IDC_RANGE_BETWEEN}, IDC_RANGE_BEFORE);
    EnableOnly({IDC_PICK_BEFORE, IDC_RANGE_BEFORE, IDC_RANGE_AFTER, IDC_RANGE_BETWEEN}, true);
    EnableOnly({IDC_PICK_FROM, IDC_PICK_TO, IDC_PICK_AFTER}, false);
    m_limits.kind = id == IDC_DATE_CREATED ? DateKind::Created : DateKind::Modified;
    m_limits.range = DateRange::OnOrBefore;
    m_limits.boundA = PickerTime(IDC_PICK_BEFORE);
}

void CPage2::OnRange(wxCommandEvent& event) {
    const int id = event.GetId();
    CheckOnly({IDC_RANGE_BEFORE, IDC_RANGE_AFTER, IDC_RANGE_BETWEEN}, id);
    std::lock_guard lock(m_mutex);
    switch (id) {
        case IDC_RANGE_BEFORE:
            EnableOnly({IDC_PICK_BEFORE}, true);
            EnableOnly({IDC_PICK_FROM, IDC_PICK_TO, IDC_PICK_AFTER}, false);
            m_limits.range = DateRange::OnOrBefore;
            m_limits.boundA = PickerTime(IDC_PICK_BEFORE);
            break;
        case IDC_RANGE_AFTER:
            EnableOnly({IDC_PICK_AFTER}, true);
            EnableOnly({IDC_PICK_FROM, IDC_PICK_TO, IDC_PICK_BEFORE}, false);
            m_limits.range = DateRange::OnOrAfter;
            m_limits.boundB = PickerTime(IDC_PICK_AFTER);
            break;
        default:
            EnableOnly({IDC_PICK_FROM, IDC_PICK_TO}, true);
            EnableOnly({IDC_PICK_AFTER, IDC_PICK_BEFORE}, false);
            m_limits.range = DateRange::Between;
            m_limits.boundB = PickerTime(IDC_PICK_TO);
            m_limits.boundA = PickerTime(IDC_PICK_FROM);
            break;
    }
}

void CPage2::OnDateChanged(wxDateEvent& event) {
    const int id = event.GetId();
    std::lock_guard lock(m_mutex);
    if (id == IDC_PICK_BEFORE || id == IDC_PICK_FROM) m_limits.boundA = PickerTime(id);
    if (id == IDC_PICK_AFTER || id == IDC_PICK_TO) m_limits.boundB = PickerTime(id);
}

// ---------------------------------------------------------------- CPage3

wxBEGIN_EVENT_TABLE(CPage3, wxPanel)
    EVT_CHECKBOX(IDC_MIN_ON, CPage3::OnLimitBox)
    EVT_CHECKBOX(IDC_MAX_ON, CPage3::OnLimitBox)
    EVT_TEXT(IDC_MIN_SIZE, CPage3::OnLimitText)
    EVT_TEXT(IDC_MAX_SIZE, CPage3::OnLimitText)
wxEND_EVENT_TABLE()

CPage3::CPage3(wxWindow* parent) : wxPanel(parent, 139) {
    m_minOn = CheckBox(this, IDC_MIN_ON, "", 43, 15, 9, 8);
    m_minSize = Edit(this, IDC_MIN_SIZE, 58, 13, 49, 12);
    Label(this, "KB以上", 112, 17, 23, 8);
    m_maxOn = CheckBox(this, IDC_MAX_ON, "", 43, 39, 9, 8);
    m_maxSize = Edit(this, IDC_MAX_SIZE, 58, 37, 49, 12);
    Label(this, "KB以下", 112, 39, 23, 8);
    m_minSize->ChangeValue("0");
    m_maxSize->ChangeValue("0");
    m_minSize->Disable();
    m_maxSize->Disable();
}

SizeCriterion CPage3::SizeLimits() const {
    std::lock_guard lock(m_mutex);
    return m_limits;
}

void CPage3::RecomputeLimits() {
    // An unchecked box means no limit on its side; the field keeps its text.
    auto limit = [](wxCheckBox* on, wxTextCtrl* field) -> int64_t {
        if (!on->GetValue()) return 0;
        return LeadingNumber(field->GetValue().utf8_string()) * 1000;
    };
    std::lock_guard lock(m_mutex);
    m_limits.minSize = limit(m_minOn, m_minSize);
    m_limits.maxSize = limit(m_maxOn, m_maxSize);
}

void CPage3::OnLimitBox(wxCommandEvent&) {
    m_minSize->Enable(m_minOn->GetValue());
    m_maxSize->Enable(m_maxOn->GetValue());
    RecomputeLimits();
}

void CPage3::OnLimitText(wxCommandEvent&) { RecomputeLimits(); }

wxTextCtrl* CPage3::FirstInvalidField() const {
    for (wxTextCtrl* field : {m_minSize, m_maxSize}) {
        if (!IsUnsignedDecimal(field->GetValue().utf8_string())) return field;
    }
    return nullptr;
}

bool CPage3::CheckFields() {
    wxTextCtrl* field = FirstInvalidField();
    if (field == nullptr) return true;
    ShowMessage(this, wxString::FromUTF8("正の整数を入力してください。"));
    field->SetFocus();
    return false;
}

// ---------------------------------------------------------------- CPage4

namespace {
// Where the page shows each group of the drawing-type table.
struct TypeBox {
    int id;
    int x, y, w;
};
constexpr TypeBox kTypeBoxes[] = {
    {IDC_TYPE_DXF, 24, 13, 63},  {IDC_TYPE_DWG, 24, 29, 65},     {IDC_TYPE_JW, 24, 45, 71},
    {IDC_TYPE_MCD, 102, 13, 74}, {IDC_TYPE_DRACAD, 102, 29, 82},
};
static_assert(std::size(kTypeBoxes) == 5, "one box per drawing-type group");
}  // namespace

wxBEGIN_EVENT_TABLE(CPage4, wxPanel)
    EVT_CHECKBOX(wxID_ANY, CPage4::OnTypeBox)
wxEND_EVENT_TABLE()

CPage4::CPage4(wxWindow* parent) : wxPanel(parent, 140) {
    for (size_t k = 0; k < std::size(kTypeBoxes); ++k) {
        const TypeBox& box = kTypeBoxes[k];
        std::string label(DrawingTypeGroups()[k].label);
        CheckBox(this, box.id, label.c_str(), box.x, box.y, box.w, 10)->SetValue(true);
    }
}

wxCheckBox* CPage4::Box(int id) const { return static_cast<wxCheckBox*>(FindWindow(id)); }

void CPage4::OnTypeBox(wxCommandEvent& event) {
    // A click flips the box's bits, so the mask follows the check marks.
    for (size_t k = 0; k < std::size(kTypeBoxes); ++k) {
        if (kTypeBoxes[k].id == event.GetId()) m_typeMask ^= DrawingTypeGroups()[k].bits;
    }
}

#include "app/criteria_pages.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/datectrl.h>
#include <wx/dateevt.h>
#include <wx/gbsizer.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/dialog_units.h"
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

wxStaticText* Label(wxWindow* parent, const char* text) {
    return new wxStaticText(parent, wxID_ANY, wxString::FromUTF8(text));
}

wxCheckBox* CheckBox(wxWindow* parent, int id, const char* text) {
    return new wxCheckBox(parent, id, wxString::FromUTF8(text));
}

wxTextCtrl* Edit(wxWindow* parent, int id) { return new wxTextCtrl(parent, id); }

// Gives a control its least size: `w` x `h` dialog units or its best size.
template <typename Control>
Control* Sized(Control* control, int w, int h) {
    control->SetMinSize(LeastSizeInDialogUnits(control, w, h));
    return control;
}

// A date picker wide enough for the widest date its format gives, not only
// for the date it shows now.
void GrowToWidestDate(wxDatePickerCtrl* picker) {
    const wxDateTime shown = picker->GetValue();
    picker->SetValue(wxDateTime(28, wxDateTime::Dec, 2888));
    picker->InvalidateBestSize();
    wxSize least = picker->GetMinSize();
    least.IncTo(picker->GetBestSize());
    picker->SetValue(shown);
    picker->InvalidateBestSize();
    least.IncTo(picker->GetBestSize());
    picker->SetMinSize(least);
}

int DluX(wxWindow* window, int units) { return window->ConvertDialogToPixels(wxSize(units, 0)).x; }
int DluY(wxWindow* window, int units) { return window->ConvertDialogToPixels(wxSize(0, units)).y; }

// A page's frame: margins in dialog units around its content, and at least
// the page's size from its layout.
void SetPageSizer(wxWindow* page, wxSizer* content, int left, int top, int width, int height) {
    auto* outer = new wxBoxSizer(wxVERTICAL);
    outer->Add(content, 1, wxEXPAND | wxLEFT | wxRIGHT, DluX(page, left));
    outer->Insert(0, 0, DluY(page, top));
    outer->AddSpacer(DluY(page, 4));
    outer->SetMinSize(page->ConvertDialogToPixels(wxSize(width, height)));
    page->SetSizer(outer);
}

}  // namespace

// ---------------------------------------------------------------- Cpage1

wxBEGIN_EVENT_TABLE(Cpage1, wxPanel)
    EVT_CHECKBOX(IDC_SUBFOLDERS, Cpage1::OnSubfolders)
    EVT_BUTTON(IDC_CHOOSE_PLACE, Cpage1::OnChoosePlace)
wxEND_EVENT_TABLE()

Cpage1::Cpage1(wxWindow* parent) : wxPanel(parent, 137) {
    // Creation order is the tab order: keyword, "選択", place, subfolders.
    wxStaticText* keywordLabel = Label(this, "ｷｰﾜｰﾄﾞ：");
    m_keyword = Sized(Edit(this, IDC_KEYWORD), 143, 13);
    auto* help = new UntabbedButton(this, IDC_KEYWORD_HELP, "?", wxDefaultPosition, wxDefaultSize,
                                    wxBU_EXACTFIT);
    Sized(help, 8, 11);
    wxStaticText* placeLabel = Label(this, "検索場所：");
    auto* choose = Sized(new wxButton(this, IDC_CHOOSE_PLACE, wxString::FromUTF8("選択")), 24, 15);
    m_place = Sized(Edit(this, IDC_PLACE), 125, 14);
    m_subfolders = CheckBox(this, IDC_SUBFOLDERS, "ｻﾌﾞﾌｫﾙﾀﾞも探す");
    m_subfolders->SetValue(true);
    choose->MoveAfterInTabOrder(m_keyword);

    // Two rows of label, field and button, the fields left-aligned and the
    // buttons right-aligned; the subfolder box under the fields.
    wxSize labelSize = keywordLabel->GetBestSize();
    labelSize.IncTo(placeLabel->GetBestSize());
    labelSize.IncTo(ConvertDialogToPixels(wxSize(32, 8)));
    auto row = [&](wxStaticText* label, wxWindow* field, wxWindow* button) {
        label->SetMinSize(labelSize);
        auto* sizer = new wxBoxSizer(wxHORIZONTAL);
        sizer->Add(label, 0, wxALIGN_CENTER_VERTICAL);
        sizer->AddSpacer(DluX(this, 3));
        sizer->Add(field, 1, wxALIGN_CENTER_VERTICAL);
        sizer->AddSpacer(DluX(this, 7));
        sizer->Add(button, 0, wxALIGN_CENTER_VERTICAL);
        return sizer;
    };
    auto* content = new wxBoxSizer(wxVERTICAL);
    content->Add(row(keywordLabel, m_keyword, help), 0, wxEXPAND);
    content->AddSpacer(DluY(this, 6));
    content->Add(row(placeLabel, m_place, choose), 0, wxEXPAND);
    content->AddSpacer(DluY(this, 5));
    content->Add(m_subfolders, 0, wxLEFT, labelSize.x + DluX(this, 3));
    SetPageSizer(this, content, 8, 11, 215, 65);
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

    // Two framed groups side by side: the kind of date, and the range with
    // its pickers.
    auto* kinds = new wxStaticBoxSizer(wxVERTICAL, this, wxString::FromUTF8("種別"));
    wxWindow* kindBox = kinds->GetStaticBox();
    auto* ranges = new wxStaticBoxSizer(wxVERTICAL, this, wxString::FromUTF8("日付"));
    wxWindow* rangeBox = ranges->GetStaticBox();
    for (auto [id, text] :
         {std::pair{IDC_DATE_ANY, "すべて"}, std::pair{IDC_DATE_CREATED, "作成日"},
          std::pair{IDC_DATE_MODIFIED, "更新日"}}) {
        wxCheckBox* box = Sized(CheckBox(kindBox, id, text), 31, 10);
        box->SetValue(id == IDC_DATE_ANY);
        kinds->Add(box, 0, wxALL, DluX(this, 2));
        kinds->AddSpacer(DluY(this, 2));
    }

    auto* grid = new wxFlexGridSizer(4, DluY(this, 4), DluX(this, 3));
    auto add = [&](wxWindow* control) {
        grid->Add(control, 0, wxALIGN_CENTER_VERTICAL);
        return control;
    };
    auto rangeBoxOf = [&](int id) { add(CheckBox(rangeBox, id, ""))->Disable(); };
    auto picker = [&](int id) {
        auto* p = new wxDatePickerCtrl(rangeBox, id, now, wxDefaultPosition, wxDefaultSize,
                                       wxDP_DROPDOWN);
        p->SetMinSize(LeastSizeInDialogUnits(p, 54, 11));
        GrowToWidestDate(p);
        add(p)->Disable();
    };
    auto label = [&](const char* text) { add(Label(rangeBox, text)); };
    rangeBoxOf(IDC_RANGE_BEFORE);
    picker(IDC_PICK_BEFORE);
    label("以前");
    grid->AddSpacer(0);
    rangeBoxOf(IDC_RANGE_AFTER);
    picker(IDC_PICK_AFTER);
    label("以後");
    grid->AddSpacer(0);
    rangeBoxOf(IDC_RANGE_BETWEEN);
    picker(IDC_PICK_FROM);
    label("から");
    picker(IDC_PICK_TO);
    ranges->Add(grid, 0, wxALL, DluX(this, 3));

    auto* content = new wxBoxSizer(wxHORIZONTAL);
    content->Add(kinds, 0, wxEXPAND);
    content->AddSpacer(DluX(this, 4));
    content->Add(ranges, 0, wxEXPAND);
    SetPageSizer(this, content, 3, 3, 211, 67);

    m_limits.latest = PickerTime(IDC_PICK_BEFORE);
}

void CPage2::FitPickers() {
    for (int id : {IDC_PICK_BEFORE, IDC_PICK_AFTER, IDC_PICK_FROM, IDC_PICK_TO}) {
        GrowToWidestDate(Picker(id));
    }
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
    m_limits.latest = PickerTime(IDC_PICK_BEFORE);
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
            m_limits.latest = PickerTime(IDC_PICK_BEFORE);
            break;
        case IDC_RANGE_AFTER:
            EnableOnly({IDC_PICK_AFTER}, true);
            EnableOnly({IDC_PICK_FROM, IDC_PICK_TO, IDC_PICK_BEFORE}, false);
            m_limits.range = DateRange::OnOrAfter;
            m_limits.earliest = PickerTime(IDC_PICK_AFTER);
            break;
        default:
            EnableOnly({IDC_PICK_FROM, IDC_PICK_TO}, true);
            EnableOnly({IDC_PICK_AFTER, IDC_PICK_BEFORE}, false);
            m_limits.range = DateRange::Between;
            m_limits.latest = PickerTime(IDC_PICK_TO);
            m_limits.earliest = PickerTime(IDC_PICK_FROM);
            break;
    }
}

void CPage2::OnDateChanged(wxDateEvent& event) {
    const int id = event.GetId();
    std::lock_guard lock(m_mutex);
    if (id == IDC_PICK_BEFORE || id == IDC_PICK_TO) m_limits.latest = PickerTime(id);
    if (id == IDC_PICK_AFTER || id == IDC_PICK_FROM) m_limits.earliest = PickerTime(id);
}

// ---------------------------------------------------------------- CPage3

wxBEGIN_EVENT_TABLE(CPage3, wxPanel)
    EVT_CHECKBOX(IDC_MIN_ON, CPage3::OnLimitBox)
    EVT_CHECKBOX(IDC_MAX_ON, CPage3::OnLimitBox)
    EVT_TEXT(IDC_MIN_SIZE, CPage3::OnLimitText)
    EVT_TEXT(IDC_MAX_SIZE, CPage3::OnLimitText)
wxEND_EVENT_TABLE()

CPage3::CPage3(wxWindow* parent) : wxPanel(parent, 139) {
    // Two rows of box, field and unit, under each other.
    auto* grid = new wxFlexGridSizer(3, DluY(this, 12), DluX(this, 5));
    auto add = [&](auto* control) {
        grid->Add(control, 0, wxALIGN_CENTER_VERTICAL);
        return control;
    };
    m_minOn = add(Sized(CheckBox(this, IDC_MIN_ON, ""), 9, 8));
    m_minSize = add(Sized(Edit(this, IDC_MIN_SIZE), 49, 12));
    add(Label(this, "KB以上"));
    m_maxOn = add(Sized(CheckBox(this, IDC_MAX_ON, ""), 9, 8));
    m_maxSize = add(Sized(Edit(this, IDC_MAX_SIZE), 49, 12));
    add(Label(this, "KB以下"));
    SetPageSizer(this, grid, 43, 13, 211, 67);
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

std::optional<CPage3::Fault> CPage3::StartFault() const {
    for (auto [box, field] : {std::pair{m_minOn, m_minSize}, std::pair{m_maxOn, m_maxSize}}) {
        if (box->GetValue() && !IsUnsignedDecimal(field->GetValue().utf8_string())) {
            return Fault{
                wxString::Format(wxString::FromUTF8("サイズの指定「%s」は数ではありません。"
                                                    "正の整数を入力してください。"),
                                 field->GetValue()),
                field};
        }
    }
    SizeCriterion limits = SizeLimits();
    if (limits.minSize > 0 && limits.maxSize > 0 && limits.minSize > limits.maxSize) {
        return Fault{wxString::Format(wxString::FromUTF8("サイズの下限 (%lld KB) が上限 (%lld KB) "
                                                         "を超えています。"),
                                      static_cast<long long>(limits.minSize / 1000),
                                      static_cast<long long>(limits.maxSize / 1000)),
                     m_minSize};
    }
    return std::nullopt;
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
// Where the page shows each group of the drawing-type table: two columns.
struct TypeBox {
    int id;
    int row, column;
};
constexpr TypeBox kTypeBoxes[] = {
    {.id = IDC_TYPE_DXF, .row = 0, .column = 0},    {.id = IDC_TYPE_DWG, .row = 1, .column = 0},
    {.id = IDC_TYPE_JW, .row = 2, .column = 0},     {.id = IDC_TYPE_MCD, .row = 0, .column = 1},
    {.id = IDC_TYPE_DRACAD, .row = 1, .column = 1}, {.id = IDC_TYPE_SXF, .row = 2, .column = 1},
};
static_assert(std::size(kTypeBoxes) == 6, "one box per drawing-type group");
}  // namespace

wxBEGIN_EVENT_TABLE(CPage4, wxPanel)
    EVT_CHECKBOX(wxID_ANY, CPage4::OnTypeBox)
wxEND_EVENT_TABLE()

CPage4::CPage4(wxWindow* parent) : wxPanel(parent, 140) {
    auto* grid = new wxGridBagSizer(DluY(this, 6), DluX(this, 15));
    for (size_t k = 0; k < std::size(kTypeBoxes); ++k) {
        const TypeBox& box = kTypeBoxes[k];
        std::string label(DrawingTypeGroups()[k].label);
        wxCheckBox* check = Sized(CheckBox(this, box.id, label.c_str()), 63, 10);
        check->SetValue(true);
        grid->Add(check, wxGBPosition(box.row, box.column));
    }
    SetPageSizer(this, grid, 24, 13, 211, 67);
}

wxCheckBox* CPage4::Box(int id) const { return static_cast<wxCheckBox*>(FindWindow(id)); }

void CPage4::OnTypeBox(wxCommandEvent& event) {
    // A click flips the box's bits, so the mask follows the check marks.
    for (size_t k = 0; k < std::size(kTypeBoxes); ++k) {
        if (kTypeBoxes[k].id == event.GetId()) m_typeMask ^= DrawingTypeGroups()[k].bits;
    }
}

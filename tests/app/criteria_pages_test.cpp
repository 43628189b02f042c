#include "app/criteria_pages.h"

#include <wx/datectrl.h>
#include <wx/dateevt.h>
#include <wx/notebook.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include "app/ids.h"
#include "app/size_text.h"
#include "tests/app/gui_support.h"

using namespace gui_testing;

namespace {

class CriteriaTest : public FrameTest {
  protected:
    // The page's checked boxes and enabled controls among the given ids.
    std::string Checked(std::initializer_list<int> ids) {
        std::string out;
        for (int id : ids) {
            if (view->DatePage()->Box(id)->GetValue()) out += std::to_string(id) + " ";
        }
        return out;
    }
    std::string Enabled(std::initializer_list<int> ids) {
        std::string out;
        for (int id : ids) {
            if (view->DatePage()->FindWindow(id)->IsEnabled()) out += std::to_string(id) + " ";
        }
        return out;
    }
    void ChangeDate(int id, const wxDateTime& date) {
        wxDatePickerCtrl* picker = view->DatePage()->Picker(id);
        picker->SetValue(date);
        wxDateEvent event(picker, date, wxEVT_DATE_CHANGED);
        picker->GetEventHandler()->ProcessEvent(event);
    }
};

const std::initializer_list<int> kKinds = {IDC_DATE_ANY, IDC_DATE_CREATED, IDC_DATE_MODIFIED};
const std::initializer_list<int> kRanges = {IDC_RANGE_BEFORE, IDC_RANGE_AFTER, IDC_RANGE_BETWEEN};
const std::initializer_list<int> kPickers = {IDC_PICK_FROM, IDC_PICK_TO, IDC_PICK_AFTER,
                                             IDC_PICK_BEFORE};

}  // namespace

TEST_F(CriteriaTest, DateBoxesActAsRadioGroupsAndEnableTheirPickers) {
    CPage2* page = view->DatePage();
    EXPECT_EQ(Checked(kKinds), "1026 ");
    EXPECT_EQ(Checked(kRanges), "");
    EXPECT_EQ(Enabled(kRanges) + Enabled(kPickers), "");
    EXPECT_EQ(page->DateLimits().kind, DateKind::Any);
    const int64_t before = page->DateLimits().latest;

    Click(page->Box(IDC_DATE_CREATED));
    EXPECT_EQ(Checked(kKinds), "1027 ");
    EXPECT_EQ(Checked(kRanges), "1030 ");
    EXPECT_EQ(Enabled(kRanges), "1030 1031 1032 ");
    EXPECT_EQ(Enabled(kPickers), "1040 ");
    EXPECT_EQ(page->DateLimits().kind, DateKind::Created);
    EXPECT_EQ(page->DateLimits().range, DateRange::OnOrBefore);
    EXPECT_EQ(page->DateLimits().latest, before);

    // A click on a checked box leaves it checked.
    Click(page->Box(IDC_DATE_CREATED));
    EXPECT_EQ(Checked(kKinds), "1027 ");

    // After, then everything, then modified: back to "before" with its picker.
    wxDateTime day(5, wxDateTime::Mar, 2000, 9, 7);
    ChangeDate(IDC_PICK_AFTER, day);
    Click(page->Box(IDC_RANGE_AFTER));
    EXPECT_EQ(Checked(kRanges), "1031 ");
    EXPECT_EQ(Enabled(kPickers), "1039 ");
    EXPECT_EQ(page->DateLimits().range, DateRange::OnOrAfter);
    const int64_t afterBound = page->DateLimits().earliest;
    // The page's time of day is kept: the bound is 5 March 2000 at that time.
    wxDateTime bound = wxDateTime(static_cast<time_t>(afterBound));
    EXPECT_EQ(bound.GetYear(), 2000);
    EXPECT_EQ(bound.GetMonth(), wxDateTime::Mar);
    EXPECT_EQ(bound.GetDay(), 5);
    EXPECT_EQ(wxDateTime(static_cast<time_t>(before)).GetHour(), bound.GetHour());

    Click(page->Box(IDC_DATE_ANY));
    EXPECT_EQ(Enabled(kRanges) + Enabled(kPickers), "");
    EXPECT_EQ(Checked(kRanges), "1031 ");
    EXPECT_EQ(page->DateLimits().kind, DateKind::Any);
    Click(page->Box(IDC_DATE_MODIFIED));
    EXPECT_EQ(Checked(kRanges), "1030 ");
    EXPECT_EQ(page->DateLimits().kind, DateKind::Modified);
    EXPECT_EQ(page->DateLimits().range, DateRange::OnOrBefore);
    EXPECT_EQ(page->DateLimits().latest, before);
}

TEST_F(CriteriaTest, BetweenRangeTakesItsBoundsFromItsTwoPickers) {
    CPage2* page = view->DatePage();
    Click(page->Box(IDC_DATE_MODIFIED));
    ChangeDate(IDC_PICK_FROM, wxDateTime(1, wxDateTime::Jan, 2001));
    ChangeDate(IDC_PICK_TO, wxDateTime(31, wxDateTime::Dec, 2001));
    Click(page->Box(IDC_RANGE_BETWEEN));
    EXPECT_EQ(Enabled(kPickers), "1037 1038 ");
    DateCriterion limits = page->DateLimits();
    EXPECT_EQ(limits.range, DateRange::Between);
    EXPECT_EQ(wxDateTime(static_cast<time_t>(limits.earliest)).GetYear(), 2001);
    EXPECT_EQ(wxDateTime(static_cast<time_t>(limits.earliest)).GetMonth(), wxDateTime::Jan);
    EXPECT_EQ(wxDateTime(static_cast<time_t>(limits.latest)).GetMonth(), wxDateTime::Dec);

    ChangeDate(IDC_PICK_FROM, wxDateTime(1, wxDateTime::Feb, 2001));
    EXPECT_EQ(page->DateLimits().earliest - limits.earliest, 31 * 86400);
    EXPECT_EQ(page->DateLimits().latest, limits.latest);
    ChangeDate(IDC_PICK_TO, wxDateTime(30, wxDateTime::Dec, 2001));
    EXPECT_EQ(limits.latest - page->DateLimits().latest, 86400);
}

TEST_F(CriteriaTest, SizeLimitsFollowTheirBoxesAndFields) {
    CPage3* page = view->SizePage();
    EXPECT_EQ(page->MinField()->GetValue(), "0");
    EXPECT_FALSE(page->MinField()->IsEnabled());
    EXPECT_FALSE(page->MaxField()->IsEnabled());
    EXPECT_FALSE(page->MinBox()->GetValue());

    page->MinField()->SetValue("5");
    EXPECT_EQ(page->SizeLimits().minSize, 0);
    Click(page->MinBox());
    EXPECT_TRUE(page->MinField()->IsEnabled());
    EXPECT_EQ(page->SizeLimits().minSize, 5000);
    Click(page->MinBox());
    EXPECT_EQ(page->SizeLimits().minSize, 0);
    EXPECT_EQ(page->MinField()->GetValue(), "5");

    Click(page->MaxBox());
    page->MaxField()->SetValue("12kb");
    EXPECT_EQ(page->SizeLimits().maxSize, 12000);
    EXPECT_EQ(page->SizeLimits().minSize, 0);
}

TEST_F(CriteriaTest, LeavingTheSizePageNeedsUnsignedNumbers) {
    wxNotebook* sheet = view->CriteriaSheet();
    sheet->SetSelection(2);
    ASSERT_EQ(sheet->GetSelection(), 2);
    view->SizePage()->MaxField()->SetValue("");
    sheet->SetSelection(3);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], U8("正の整数を入力してください。"));
    Pump();
    EXPECT_EQ(sheet->GetSelection(), 2);

    view->SizePage()->MaxField()->SetValue(" 7 ");
    sheet->SetSelection(3);
    EXPECT_EQ(sheet->GetSelection(), 3);
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(CriteriaTest, TypeBoxesFlipTheirBitsInTheMask) {
    CPage4* page = view->TypePage();
    EXPECT_EQ(page->TypeMask(), 0x1FFu);
    Click(page->Box(IDC_TYPE_DRACAD));
    EXPECT_EQ(page->TypeMask(), 0x18Fu);
    Click(page->Box(IDC_TYPE_JW));
    EXPECT_EQ(page->TypeMask(), 0x107u);
    Click(page->Box(IDC_TYPE_SXF));
    EXPECT_EQ(page->TypeMask(), 0x07u);
    Click(page->Box(IDC_TYPE_DXF));
    Click(page->Box(IDC_TYPE_DWG));
    Click(page->Box(IDC_TYPE_MCD));
    EXPECT_EQ(page->TypeMask(), 0u);
    Click(page->Box(IDC_TYPE_JW));
    EXPECT_EQ(page->TypeMask(), 0x88u);
    EXPECT_TRUE(page->Box(IDC_TYPE_JW)->GetValue());
}

TEST(SizeText, LeadingNumberReadsLikeAtol) {
    EXPECT_EQ(LeadingNumber("5"), 5);
    EXPECT_EQ(LeadingNumber("  12abc"), 12);
    EXPECT_EQ(LeadingNumber("-3"), -3);
    EXPECT_EQ(LeadingNumber("+8"), 8);
    EXPECT_EQ(LeadingNumber("abc"), 0);
    EXPECT_EQ(LeadingNumber(""), 0);
    EXPECT_EQ(LeadingNumber("99999999999999999999999"), 1'000'000'000'000'000);
}

TEST(SizeText, UnsignedDecimalAllowsBlanksAroundDigitsOnly) {
    EXPECT_TRUE(IsUnsignedDecimal("0"));
    EXPECT_TRUE(IsUnsignedDecimal(" 7 "));
    EXPECT_FALSE(IsUnsignedDecimal(""));
    EXPECT_FALSE(IsUnsignedDecimal("  "));
    EXPECT_FALSE(IsUnsignedDecimal("1 2"));
    EXPECT_FALSE(IsUnsignedDecimal("+3"));
    EXPECT_FALSE(IsUnsignedDecimal("-3"));
    EXPECT_FALSE(IsUnsignedDecimal("12kb"));
}

TEST_F(CriteriaTest, KeyboardPageSwitchTakesTheFocusToThePageShown) {
    wxTextCtrl* keyword = view->NamePage()->KeywordField();
    keyword->SetFocus();
    Pump();
    if (wxWindow::FindFocus() != keyword) GTEST_SKIP() << "the virtual display gave no focus";
    wxUIActionSimulator keys;
    keys.Char(WXK_PAGEDOWN, wxMOD_CONTROL);
    wxNotebook* sheet = view->CriteriaSheet();
    if (!RunUntil([sheet] { return sheet->GetSelection() == 1; }, 5)) {
        GTEST_SKIP() << "the virtual display took no keys";
    }
    wxWindow* focus = wxWindow::FindFocus();
    ASSERT_NE(focus, nullptr);
    EXPECT_TRUE(focus == view->DatePage() || view->DatePage()->IsDescendant(focus));
}

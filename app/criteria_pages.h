#pragma once

#include <wx/panel.h>

#include <atomic>
#include <mutex>
#include <optional>

#include "search/criteria.h"

class wxButton;
class wxCheckBox;
class wxDatePickerCtrl;
class wxDateEvent;
class wxTextCtrl;

// The four pages of the criteria sheet. Each lays out its controls in dialog
// units and keeps the values it yields in plain fields that its handlers
// update. Values the search reads while it runs are guarded, since the search
// reads them on its worker thread.

// "名前と場所": keyword, place and the subfolder choice.
class Cpage1 : public wxPanel {
  public:
    explicit Cpage1(wxWindow* parent);

    wxString KeywordValue() const;
    wxString PlaceValue() const;
    void SetPlace(const wxString& place);
    bool IncludeSubfolders() const { return m_includeSubfolders; }
    // Narrowing mode: the place cannot be edited and the subfolder box is off.
    void SetNarrowingMode(bool narrowing);

    wxTextCtrl* KeywordField() const { return m_keyword; }
    wxTextCtrl* PlaceField() const { return m_place; }
    wxCheckBox* SubfolderBox() const { return m_subfolders; }

  private:
    void OnSubfolders(wxCommandEvent& event);
    void OnChoosePlace(wxCommandEvent& event);

    wxTextCtrl* m_keyword;
    wxTextCtrl* m_place;
    wxCheckBox* m_subfolders;
    std::atomic<bool> m_includeSubfolders{true};

    wxDECLARE_EVENT_TABLE();
};

// "日付": which time to test and the range it must fall in.
class CPage2 : public wxPanel {
  public:
    explicit CPage2(wxWindow* parent);

    DateCriterion DateLimits() const;

    wxCheckBox* Box(int id) const;
    wxDatePickerCtrl* Picker(int id) const;
    // Widens the pickers for the widest date, as shown on screen.
    void FitPickers();

  private:
    void OnKind(wxCommandEvent& event);
    void OnRange(wxCommandEvent& event);
    void OnDateChanged(wxDateEvent& event);
    // The picker's date with the time of day the page was created, as seconds
    // since 1970 read as local time.
    int64_t PickerTime(int id) const;
    void CheckOnly(std::initializer_list<int> group, int chosen);
    void EnableOnly(std::initializer_list<int> ids, bool enable);

    int m_hour, m_minute, m_second;
    mutable std::mutex m_mutex;
    DateCriterion m_limits;

    wxDECLARE_EVENT_TABLE();
};

// "ｻｲｽﾞ": lower and upper size limits in kilobytes of 1000 bytes.
class CPage3 : public wxPanel {
  public:
    explicit CPage3(wxWindow* parent);

    SizeCriterion SizeLimits() const;
    // The check made when the user leaves the page: both fields must hold an
    // unsigned decimal number. Shows the message and focuses the first field
    // that does not; false then.
    bool CheckFields();
    // The first field that does not hold an unsigned decimal number, or null.
    wxTextCtrl* FirstInvalidField() const;
    // The check made when a search starts: each field in use must hold an
    // unsigned decimal number, and a lower limit in use must not exceed an
    // upper one in use. The first fault's message and field; none when the
    // limits can be used.
    struct Fault {
        wxString message;
        wxTextCtrl* field;
    };
    std::optional<Fault> StartFault() const;

    wxCheckBox* MinBox() const { return m_minOn; }
    wxCheckBox* MaxBox() const { return m_maxOn; }
    wxTextCtrl* MinField() const { return m_minSize; }
    wxTextCtrl* MaxField() const { return m_maxSize; }

  private:
    void OnLimitBox(wxCommandEvent& event);
    void OnLimitText(wxCommandEvent& event);
    void RecomputeLimits();

    wxCheckBox* m_minOn;
    wxTextCtrl* m_minSize;
    wxCheckBox* m_maxOn;
    wxTextCtrl* m_maxSize;
    mutable std::mutex m_mutex;
    SizeCriterion m_limits;

    wxDECLARE_EVENT_TABLE();
};

// "種類": the drawing types to search.
class CPage4 : public wxPanel {
  public:
    explicit CPage4(wxWindow* parent);

    // Bits of TypeBit; the JW_CAD box also flips 0x80, which selects nothing.
    unsigned TypeMask() const { return m_typeMask; }
    wxCheckBox* Box(int id) const;

  private:
    void OnTypeBox(wxCommandEvent& event);

    unsigned m_typeMask = TYPE_ALL | TYPE_JW_TOGGLED;

    wxDECLARE_EVENT_TABLE();
};

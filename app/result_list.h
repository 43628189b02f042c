#pragma once

#include <wx/listctrl.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/search_reports.h"
#include "results/result_record.h"
#include "results/sort.h"

class wxContextMenuEvent;
class wxDataObject;
class wxImageList;
class wxUpdateUIEvent;

// The result list (IDC_RESULT_LIST): one row per hit, each owning its record;
// seven columns in the details view (the six of a row's file and "一致箇所",
// where the drawing matched); one icon slot per drawing type in each of two
// image lists. It carries out the list's actions on the selected rows, from
// the top of the list down: open, copy, drag, the context menu, the sort
// commands, a click on a column header, and the four view modes.
//
// The rows live in the list's own vector, in the order shown. The details
// view is a virtual list that asks for the cells of the rows on screen only,
// so adding thousands of rows costs no more than keeping them; the icon and
// list views hold an item per row (the toolkit's lists are virtual only in
// the details view).
class CResultList : public wxListCtrl {
  public:
    CResultList(wxWindow* parent, wxWindowID id);
    ~CResultList() override;

    // Rows, added at the end in the order given; the records move in.
    void AppendRows(std::vector<PendingRow>& rows);
    void AppendRow(ResultRecord record, int slot);
    // Deletes every row and its record.
    void Clear();
    const ResultRecord* RecordOfRow(long row) const;

    // Puts the type's icon for the file at `path` into `slot` of both image
    // lists; where there is none, the placeholder stays.
    void ApplyTypeIcon(int slot, const std::string& path);
    wxImageList* SmallImages() const { return m_smallImages; }
    wxImageList* LargeImages() const { return m_largeImages; }

    // The selected rows' full paths, from the top down.
    std::vector<std::string> SelectedPaths() const;
    void OpenSelectedFiles();
    // Shows the selected drawings in the desktop's file manager.
    void OpenSelectedFolders();
    void CopySelectedFiles();
    // Every row's record, in the order shown.
    std::vector<const ResultRecord*> AllRecords() const;
    // The copy and drag data: a URI list, GNOME's copied files (both carry the
    // paths' exact bytes) and the paths as text, one a line.
    wxDataObject* BuildFileListData() const;

    // The sort commands: rows sorted once, ascending, by the records.
    void SortRows(SortKey key);
    // A click on a column header: sorts by what the column shows, ascending,
    // or reversed when the column was the last one sorted by.
    void SortByColumn(int column);
    int SortColumn() const { return m_sortColumn; }  // -1: none
    bool SortAscending() const { return m_sortAscending; }

    // wxLC_ICON, wxLC_SMALL_ICON, wxLC_LIST or wxLC_REPORT.
    void SetViewMode(long mode);
    long ViewMode() const;

    // Where the context menu opens, in the list's client coordinates: at the
    // pointer when it was asked for with the mouse (`screenPosition`), and at
    // the focused row (else the first selected, else the top of the list)
    // when it was asked for from the keyboard (wxDefaultPosition).
    wxPoint ContextMenuPoint(const wxPoint& screenPosition) const;

    // Column widths in pixels, by column: wide enough for the column's header
    // and for the widest cell of a fixed format at the list's font.
    std::vector<int> DefaultColumnWidths() const;
    std::vector<int> ColumnWidths() const;
    // The widths to keep for the next run: a column the list widened for its
    // cells keeps the width it had before (a search's long folder names are
    // no choice of the user's).
    std::vector<int> ChosenColumnWidths() const;
    // A list of the wrong length is ignored.
    void SetColumnWidths(const std::vector<int>& widths);

    // The row at a point of the list's client area, or -1.
    long RowAt(const wxPoint& point) const;
    // Before the context menu of a right click at `screenPosition`: a row
    // there that is not selected becomes the only one selected, so that the
    // menu acts on the row pointed at; a selected row keeps the selection.
    void SelectForContextMenu(const wxPoint& screenPosition);

  protected:
    // The details view's cells, asked for the rows on screen.
    wxString OnGetItemText(long item, long column) const override;
    int OnGetItemImage(long item) const override;

  private:
    struct Row {
        std::unique_ptr<ResultRecord> record;
        int slot = -1;
    };

    // Hands the rows to the toolkit again: their number to the virtual
    // details view, an item each to the other views.
    void ShowRowsAgain();
    void InsertItemOf(size_t index);
    // The selected rows' records, and selects them again (after a reorder).
    std::vector<const ResultRecord*> SelectedRecords() const;
    void SelectRecords(const std::vector<const ResultRecord*>& records);
    void Reorder(const std::function<bool(const Row&, const Row&)>& before);
    const ResultCells& CellsOf(long row) const;
    // Notes the record's name, folder and match cells where they may be the
    // longest of the batch.
    void NoteLongestCells(const ResultRecord& record);
    void FitColumnsToLongestCells();

    void OnViewMode(wxCommandEvent& event);
    void OnViewModeUpdate(wxUpdateUIEvent& event);
    void OnSort(wxCommandEvent& event);
    void OnOpen(wxCommandEvent& event);
    void OnOpenFolder(wxCommandEvent& event);
    void OnCopy(wxCommandEvent& event);
    void OnSelectionCommandUpdate(wxUpdateUIEvent& event);
    void OnItemActivated(wxListEvent& event);
    void OnBeginDrag(wxListEvent& event);
    void OnColumnClick(wxListEvent& event);
    void OnContextMenu(wxContextMenuEvent& event);

    wxImageList* m_smallImages = nullptr;  // owned by the list
    wxImageList* m_largeImages = nullptr;  // owned by the list
    std::vector<Row> m_rows;               // in the order shown
    std::vector<int> m_columnWidths;       // kept while the details view is not shown
    // A column widened for its cells: the width it was given then, and the
    // width it had before.
    struct Fitted {
        int width = -1;
        int before = -1;
    };
    std::array<Fitted, 7> m_fitted;
    // The cells of the row last asked for: the view asks a row's cells one
    // column after the other.
    mutable long m_cellsRow = -1;
    mutable ResultCells m_cells;
    mutable std::string m_matchCell;
    // The row with the longest cell added since the columns were last
    // fitted, by column.
    struct LongestCell {
        size_t weight = 0;
        const ResultRecord* record = nullptr;
    };
    std::array<LongestCell, 7> m_longestCells;
    int m_sortColumn = -1;
    bool m_sortAscending = true;

    wxDECLARE_EVENT_TABLE();
};

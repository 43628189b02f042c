#include "app/result_list.h"

#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/dnd.h>
#include <wx/imaglist.h>
#include <wx/menu.h>

#include <algorithm>
#include <array>
#include <unordered_map>
#include <utility>

#include "app/column_sort.h"
#include "app/desktop_open.h"
#include "app/display_text.h"
#include "app/ids.h"
#include "app/resources.h"
#include "app/type_icon.h"
#include "bytes/utf8.h"
#include "results/file_list.h"
#include "search/drawing_types.h"

namespace {

wxString U8(const std::string& text) { return wxString::FromUTF8(text); }

// The toolkit takes a text/uri-list exactly as given: no closing zero byte.
const char* const kUriListFormat = "text/uri-list";

// The columns, in ResultColumn order. Each starts at its least width, or
// wider where the list's font needs it for the header or for the widest cell
// of a fixed format (the type column: every drawing type's extension).
struct Column {
    const char* header;
    int leastWidth;          // pixels at 96 dots per inch
    int dialogUnits;         // the least width at the list's font
    const char* widestCell;  // the widest cell of a fixed format, or null
};
constexpr std::array<Column, kResultColumnCount> kColumns = {{
    {.header = kResultColumnHeaders[0],
     .leastWidth = 120,
     .dialogUnits = 64,
     .widestCell = nullptr},
    {.header = kResultColumnHeaders[1], .leastWidth = 50, .dialogUnits = 24, .widestCell = nullptr},
    {.header = kResultColumnHeaders[2],
     .leastWidth = 120,
     .dialogUnits = 80,
     .widestCell = nullptr},
    {.header = kResultColumnHeaders[3],
     .leastWidth = 70,
     .dialogUnits = 36,
     .widestCell = "99999999KB"},
    {.header = kResultColumnHeaders[4],
     .leastWidth = 70,
     .dialogUnits = 36,
     .widestCell = "00/00/00 00:00"},
    {.header = kResultColumnHeaders[5],
     .leastWidth = 70,
     .dialogUnits = 36,
     .widestCell = "00/00/00 00:00"},
    {.header = kMatchColumnHeader, .leastWidth = 180, .dialogUnits = 100, .widestCell = nullptr},
}};

struct ViewModeCommand {
    int id;
    long mode;
};
constexpr ViewModeCommand kViewModes[] = {
    {.id = ID_VIEW_LARGE_ICONS, .mode = wxLC_ICON},
    {.id = ID_VIEW_SMALL_ICONS, .mode = wxLC_SMALL_ICON},
    {.id = ID_VIEW_LIST, .mode = wxLC_LIST},
    {.id = ID_VIEW_DETAILS, .mode = wxLC_REPORT},
};

long ModeOfCommand(int id) {
    for (const ViewModeCommand& command : kViewModes) {
        if (command.id == id) return command.mode;
    }
    return wxLC_REPORT;
}

SortKey KeyOfCommand(int id) {
    switch (id) {
        case ID_SORT_BY_TYPE:
            return SortKey::Extension;
        case ID_SORT_BY_CREATED:
            return SortKey::CreationTime;
        case ID_SORT_BY_MODIFIED:
            return SortKey::ModificationTime;
        case ID_SORT_BY_SIZE:
            return SortKey::Size;
        default:
            return SortKey::FullPath;
    }
}

const ResultRecord& RecordOf(wxIntPtr data) { return *reinterpret_cast<const ResultRecord*>(data); }

int wxCALLBACK CompareByKey(wxIntPtr first, wxIntPtr second, wxIntPtr key) {
    return CompareResultRecords(RecordOf(first), RecordOf(second), static_cast<SortKey>(key));
}

struct ColumnOrder {
    std::unordered_map<const ResultRecord*, ColumnSortKeys> keys;
    ResultColumn column;
    bool ascending;
};

int wxCALLBACK CompareByColumn(wxIntPtr first, wxIntPtr second, wxIntPtr orderData) {
    const auto& order = *reinterpret_cast<const ColumnOrder*>(orderData);
    const ResultRecord& a = RecordOf(first);
    const ResultRecord& b = RecordOf(second);
    int result = CompareForColumn(a, order.keys.at(&a), b, order.keys.at(&b), order.column);
    return order.ascending ? result : -result;
}

}  // namespace

wxBEGIN_EVENT_TABLE(CResultList, wxListCtrl)
    EVT_MENU_RANGE(ID_VIEW_LARGE_ICONS, ID_VIEW_SMALL_ICONS, CResultList::OnViewMode)
    EVT_UPDATE_UI_RANGE(ID_VIEW_LARGE_ICONS, ID_VIEW_SMALL_ICONS, CResultList::OnViewModeUpdate)
    EVT_MENU_RANGE(ID_SORT_BY_NAME, ID_SORT_BY_TYPE, CResultList::OnSort)
    EVT_MENU(ID_OPEN_FILES, CResultList::OnOpen)
    EVT_UPDATE_UI(ID_OPEN_FILES, CResultList::OnSelectionCommandUpdate)
    EVT_MENU(ID_EDIT_COPY, CResultList::OnCopy)
    EVT_UPDATE_UI(ID_EDIT_COPY, CResultList::OnSelectionCommandUpdate)
    EVT_LIST_ITEM_ACTIVATED(wxID_ANY, CResultList::OnItemActivated)
    EVT_LIST_BEGIN_DRAG(wxID_ANY, CResultList::OnBeginDrag)
    EVT_LIST_COL_CLICK(wxID_ANY, CResultList::OnColumnClick)
    EVT_CONTEXT_MENU(CResultList::OnContextMenu)
wxEND_EVENT_TABLE()

CResultList::CResultList(wxWindow* parent, wxWindowID id)
    : wxListCtrl(parent, id, wxDefaultPosition, wxDefaultSize, wxLC_REPORT | wxBORDER_SUNKEN) {
    std::vector<int> widths = DefaultColumnWidths();
    for (size_t i = 0; i < kColumns.size(); ++i) {
        AppendColumn(U8(kColumns[i].header), wxLIST_FORMAT_LEFT, widths[i]);
    }
    // Both image lists start with the placeholder in every type slot.
    const int slots = std::max(10, TypeSlotCount());
    m_smallImages = new wxImageList(16, 16, true, slots);
    m_largeImages = new wxImageList(32, 32, true, slots);
    wxBitmap small = DocumentIcon(16), large = DocumentIcon(32);
    for (int i = 0; i < slots; ++i) {
        m_smallImages->Add(small);
        m_largeImages->Add(large);
    }
    AssignImageList(m_smallImages, wxIMAGE_LIST_SMALL);
    AssignImageList(m_largeImages, wxIMAGE_LIST_NORMAL);
}

CResultList::~CResultList() {
    // The rows point at the records: they go first.
    DeleteAllItems();
}

// ---------------------------------------------------------------- rows

const ResultRecord* CResultList::RecordOfRow(long row) const {
    return reinterpret_cast<const ResultRecord*>(GetItemData(row));
}

void CResultList::AppendRows(std::vector<PendingRow>& rows) {
    if (rows.empty()) return;
    // One redraw for the batch, not one per row.
    Freeze();
    for (PendingRow& row : rows) AppendRow(std::move(row.record), row.slot);
    FitColumnsToLongestCells();
    Thaw();
}

void CResultList::AppendRow(ResultRecord record, int slot) {
    auto owned = std::make_unique<ResultRecord>(std::move(record));
    InsertRow(*owned, slot);
    m_records.push_back(std::move(owned));
}

long CResultList::InsertRow(const ResultRecord& record, int slot) {
    ResultCells cells = DisplayCells(record);
    const wxString name = U8(cells.name);
    long row = InsertItem(GetItemCount(), name, slot);
    // The other cells exist in the details view only; a change of view adds
    // the rows again.
    if (InReportView()) {
        const wxString folder = U8(cells.folder), match = U8(MatchCell(record));
        SetItem(row, 1, U8(cells.type));
        SetItem(row, 2, folder);
        SetItem(row, 3, U8(cells.size));
        SetItem(row, 4, U8(cells.created));
        SetItem(row, 5, U8(cells.modified));
        SetItem(row, 6, match);
        NoteLongestCell(0, name);
        NoteLongestCell(2, folder);
        NoteLongestCell(6, match);
    }
    SetItemPtrData(row, reinterpret_cast<wxUIntPtr>(&record));
    return row;
}

void CResultList::NoteLongestCell(int column, const wxString& text) {
    // Measuring every cell would cost more than adding it: the cell with the
    // most full-width-equivalent characters stands for the batch.
    size_t weight = 0;
    for (wxUniChar c : text) {
        const auto code = c.GetValue();
        weight += code < 0x1100 || (code >= 0xFF61 && code <= 0xFF9F) ? 1 : 2;
    }
    LongestCell& longest = m_longestCells[static_cast<size_t>(column)];
    if (weight > longest.weight) longest = {weight, text};
}

void CResultList::FitColumnsToLongestCells() {
    // Columns of texts of any length (name, folder, where it matched) widen
    // to show their longest cell whole, up to the width of the list; they
    // never narrow, so a width the user chose stays when it is wider.
    const int margin = 2 * GetCharWidth() + 8;
    const int widest = std::max(GetClientSize().GetWidth(), 1);
    for (size_t column = 0; column < m_longestCells.size(); ++column) {
        LongestCell& longest = m_longestCells[column];
        if (longest.weight == 0) continue;
        int width = GetTextExtent(longest.text).GetWidth() + margin;
        if (column == 0) width += m_smallImages->GetSize().GetWidth() + 4;
        width = std::min(width, widest);
        const int index = static_cast<int>(column);
        if (width > GetColumnWidth(index)) SetColumnWidth(index, width);
        longest = {};
    }
}

void CResultList::Clear() {
    DeleteAllItems();
    m_records.clear();
}

void CResultList::ApplyTypeIcon(int slot, const std::string& path) {
    if (slot < 0 || slot >= m_smallImages->GetImageCount()) return;
    // Where there is no icon for the type, the placeholder stays.
    wxBitmap small = DesktopTypeIcon(path, 16);
    if (small.IsOk()) m_smallImages->Replace(slot, small);
    wxBitmap large = DesktopTypeIcon(path, 32);
    if (large.IsOk()) m_largeImages->Replace(slot, large);
    if (small.IsOk() || large.IsOk()) Refresh();
}

// ---------------------------------------------------------------- actions

std::vector<std::string> CResultList::SelectedPaths() const {
    std::vector<std::string> paths;
    for (long row = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); row != -1;
         row = GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
        paths.push_back(RecordOfRow(row)->fullPath);
    }
    return paths;
}

void CResultList::OpenSelectedFiles() {
    for (const std::string& path : SelectedPaths()) {
        // No opener at all: the rest would fail the same way.
        if (!OpenWithDesktop(path)) break;
    }
}

wxDataObject* CResultList::BuildFileListData() const {
    std::vector<std::string> paths = SelectedPaths();
    auto* data = new wxDataObjectComposite;
    // text/uri-list, which file managers take on a drop or a paste. The URIs
    // percent-encode the paths' bytes, so names that are not UTF-8 survive.
    auto* uris = new wxCustomDataObject(wxDataFormat(kUriListFormat));
    std::string list = BuildUriList(paths);
    uris->SetData(list.size(), list.data());
    data->Add(uris, true);
    // What GNOME-style file managers read when pasting copied files.
    auto* gnome = new wxCustomDataObject(wxDataFormat("x-special/gnome-copied-files"));
    std::string copied = BuildGnomeCopiedFiles(paths);
    gnome->SetData(copied.size(), copied.data());
    data->Add(gnome);
    // The paths one a line, for text editors and terminals: each as it is
    // when it is UTF-8, else as its file URI (text can carry no other bytes,
    // and a decoded name would name no file).
    wxString text;
    for (const std::string& path : paths) {
        text += U8(IsValidUtf8(path) ? path : FileUri(path)) + "\n";
    }
    data->Add(new wxTextDataObject(text));
    return data;
}

void CResultList::CopySelectedFiles() {
    if (GetSelectedItemCount() == 0) return;
    wxClipboardLocker clipboard;
    if (!clipboard) return;
    wxTheClipboard->SetData(BuildFileListData());
    wxTheClipboard->Flush();
}

void CResultList::SortRows(SortKey key) {
    SortItems(CompareByKey, static_cast<wxIntPtr>(key));
    // The menu's order is none of the columns'.
    m_sortColumn = -1;
    if (InReportView()) RemoveSortIndicator();
}

void CResultList::SortByColumn(int column) {
    if (column < 0 || column >= kResultColumnCount) return;
    m_sortAscending = column == m_sortColumn ? !m_sortAscending : true;
    m_sortColumn = column;
    ColumnOrder order{{}, static_cast<ResultColumn>(column), m_sortAscending};
    for (const auto& record : m_records)
        order.keys.emplace(record.get(), MakeColumnSortKeys(*record));
    SortItems(CompareByColumn, reinterpret_cast<wxIntPtr>(&order));
    if (InReportView()) ShowSortIndicator(column, m_sortAscending);
}

void CResultList::SetViewMode(long mode) {
    if (ViewMode() == mode) return;
    if (InReportView()) m_columnWidths = ColumnWidths();
    // The toolkit's list lays out its rows for the mode they were added in,
    // so the rows are added again, in their order, with their selection.
    struct Row {
        const ResultRecord* record;
        int slot;
        bool selected;
    };
    std::vector<Row> rows;
    for (long row = 0; row < GetItemCount(); ++row) {
        wxListItem item;
        item.SetId(row);
        item.SetMask(wxLIST_MASK_IMAGE | wxLIST_MASK_STATE);
        item.SetStateMask(wxLIST_STATE_SELECTED);
        GetItem(item);
        rows.push_back(
            {RecordOfRow(row), item.GetImage(), (item.GetState() & wxLIST_STATE_SELECTED) != 0});
    }
    Freeze();
    DeleteAllItems();
    SetSingleStyle(mode);
    for (const Row& row : rows) {
        long index = InsertRow(*row.record, row.slot);
        if (row.selected) SetItemState(index, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }
    if (InReportView()) {
        SetColumnWidths(m_columnWidths);
        FitColumnsToLongestCells();
        if (m_sortColumn >= 0) ShowSortIndicator(m_sortColumn, m_sortAscending);
    }
    for (LongestCell& longest : m_longestCells) longest = {};
    Thaw();
}

long CResultList::ViewMode() const {
    return GetWindowStyleFlag() & (wxLC_ICON | wxLC_SMALL_ICON | wxLC_LIST | wxLC_REPORT);
}

wxPoint CResultList::ContextMenuPoint(const wxPoint& screenPosition) const {
    if (screenPosition != wxDefaultPosition) return ScreenToClient(screenPosition);
    long row = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED);
    if (row == -1) row = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    wxRect rect;
    if (row == -1 || !GetItemRect(row, rect, wxLIST_RECT_LABEL)) return wxPoint(0, 0);
    // Just under the row, a little in from its left: the row stays in sight.
    // A row scrolled out of sight: the menu stays inside the list.
    const wxSize client = GetClientSize();
    return wxPoint(std::clamp(rect.GetLeft() + rect.GetHeight() / 2, 0, std::max(0, client.x - 1)),
                   std::clamp(rect.GetBottom(), 0, std::max(0, client.y - 1)));
}

// ---------------------------------------------------------------- columns

std::vector<int> CResultList::DefaultColumnWidths() const {
    // The header needs room for its text, its margins and the sort arrow; a
    // cell for its text and margins; the first column for the icon too.
    const int margin = 2 * GetCharWidth() + 8;
    const int arrow = GetCharHeight() + 4;
    std::vector<int> widths;
    for (size_t i = 0; i < kColumns.size(); ++i) {
        const Column& column = kColumns[i];
        int width = std::max(column.leastWidth,
                             ConvertDialogToPixels(wxSize(column.dialogUnits, 0)).GetWidth());
        width = std::max(width, GetTextExtent(U8(column.header)).GetWidth() + margin + arrow);
        if (column.widestCell != nullptr) {
            width = std::max(width, GetTextExtent(column.widestCell).GetWidth() + margin);
        }
        if (i == static_cast<size_t>(ResultColumn::Type)) {
            for (const DrawingType& type : DrawingTypes()) {
                const wxString extension = U8(std::string(type.extension));
                width = std::max(width, GetTextExtent(extension).GetWidth() + margin);
            }
        }
        widths.push_back(width);
    }
    return widths;
}

std::vector<int> CResultList::ColumnWidths() const {
    if (!InReportView() && !m_columnWidths.empty()) return m_columnWidths;
    std::vector<int> widths;
    for (int i = 0; i < GetColumnCount(); ++i) widths.push_back(GetColumnWidth(i));
    return widths;
}

void CResultList::SetColumnWidths(const std::vector<int>& widths) {
    if (widths.size() != static_cast<size_t>(GetColumnCount())) return;
    m_columnWidths = widths;
    if (!InReportView()) return;
    for (int i = 0; i < GetColumnCount(); ++i) SetColumnWidth(i, widths[static_cast<size_t>(i)]);
}

// ---------------------------------------------------------------- events

void CResultList::OnViewMode(wxCommandEvent& event) { SetViewMode(ModeOfCommand(event.GetId())); }

void CResultList::OnViewModeUpdate(wxUpdateUIEvent& event) {
    event.Check(ViewMode() == ModeOfCommand(event.GetId()));
}

void CResultList::OnSort(wxCommandEvent& event) { SortRows(KeyOfCommand(event.GetId())); }
void CResultList::OnOpen(wxCommandEvent&) { OpenSelectedFiles(); }
void CResultList::OnCopy(wxCommandEvent&) { CopySelectedFiles(); }

void CResultList::OnSelectionCommandUpdate(wxUpdateUIEvent& event) {
    event.Enable(GetSelectedItemCount() > 0);
}

void CResultList::OnItemActivated(wxListEvent&) { OpenSelectedFiles(); }

void CResultList::OnBeginDrag(wxListEvent&) {
    std::unique_ptr<wxDataObject> data(BuildFileListData());
    wxDropSource source(*data, this);
    source.DoDragDrop(wxDrag_CopyOnly);
}

void CResultList::OnColumnClick(wxListEvent& event) { SortByColumn(event.GetColumn()); }

void CResultList::OnContextMenu(wxContextMenuEvent& event) {
    wxMenu menu;
    menu.Append(ID_EDIT_COPY, U8("ｺﾋﾟｰ(&C)"));
    menu.Append(ID_OPEN_FILES, U8("ｱﾌﾟﾘｹｰｼｮﾝから開く(&O)"));
    PopupMenu(&menu, ContextMenuPoint(event.GetPosition()));
}

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
#include "results/result_record.h"
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

}  // namespace

wxBEGIN_EVENT_TABLE(CResultList, wxListCtrl)
    EVT_MENU_RANGE(ID_VIEW_LARGE_ICONS, ID_VIEW_SMALL_ICONS, CResultList::OnViewMode)
    EVT_UPDATE_UI_RANGE(ID_VIEW_LARGE_ICONS, ID_VIEW_SMALL_ICONS, CResultList::OnViewModeUpdate)
    EVT_MENU_RANGE(ID_SORT_BY_NAME, ID_SORT_BY_TYPE, CResultList::OnSort)
    EVT_MENU(ID_OPEN_FILES, CResultList::OnOpen)
    EVT_UPDATE_UI(ID_OPEN_FILES, CResultList::OnSelectionCommandUpdate)
    EVT_MENU(ID_OPEN_FOLDER, CResultList::OnOpenFolder)
    EVT_UPDATE_UI(ID_OPEN_FOLDER, CResultList::OnSelectionCommandUpdate)
    EVT_MENU(ID_EDIT_COPY, CResultList::OnCopy)
    EVT_UPDATE_UI(ID_EDIT_COPY, CResultList::OnSelectionCommandUpdate)
    EVT_LIST_ITEM_ACTIVATED(wxID_ANY, CResultList::OnItemActivated)
    EVT_LIST_BEGIN_DRAG(wxID_ANY, CResultList::OnBeginDrag)
    EVT_LIST_COL_CLICK(wxID_ANY, CResultList::OnColumnClick)
    EVT_CONTEXT_MENU(CResultList::OnContextMenu)
wxEND_EVENT_TABLE()

CResultList::CResultList(wxWindow* parent, wxWindowID id)
    : wxListCtrl(parent, id, wxDefaultPosition, wxDefaultSize,
                 wxLC_REPORT | wxLC_VIRTUAL | wxBORDER_SUNKEN) {
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
    // The items point at the records: they go first.
    DeleteAllItems();
}

// ---------------------------------------------------------------- rows

const ResultRecord* CResultList::RecordOfRow(long row) const {
    if (row < 0 || static_cast<size_t>(row) >= m_rows.size()) return nullptr;
    return m_rows[static_cast<size_t>(row)].record.get();
}

void CResultList::AppendRows(std::vector<PendingRow>& rows) {
    if (rows.empty()) return;
    const size_t first = m_rows.size();
    for (PendingRow& row : rows) {
        m_rows.push_back({std::make_unique<ResultRecord>(std::move(row.record)), row.slot});
    }
    if (IsVirtual()) {
        for (size_t index = first; index < m_rows.size(); ++index) {
            NoteLongestCells(*m_rows[index].record);
        }
        SetItemCount(static_cast<long>(m_rows.size()));
        FitColumnsToLongestCells();
    } else {
        // One redraw for the batch, not one per row.
        Freeze();
        for (size_t index = first; index < m_rows.size(); ++index) InsertItemOf(index);
        Thaw();
    }
    // The toolkit's list lays its rows out when it is idle and draws nothing
    // until then: a search that keeps it busy would leave it blank. It is
    // laid out and drawn now.
    Update();
}

void CResultList::AppendRow(ResultRecord record, int slot) {
    std::vector<PendingRow> rows;
    rows.push_back({std::move(record), slot});
    AppendRows(rows);
}

void CResultList::InsertItemOf(size_t index) {
    const Row& row = m_rows[index];
    long item = InsertItem(static_cast<long>(index), U8(DisplayCells(*row.record).name), row.slot);
    SetItemPtrData(item, reinterpret_cast<wxUIntPtr>(row.record.get()));
}

void CResultList::ShowRowsAgain() {
    m_cellsRow = -1;
    if (IsVirtual()) {
        SetItemCount(static_cast<long>(m_rows.size()));
        Refresh();
        return;
    }
    Freeze();
    DeleteAllItems();
    for (size_t index = 0; index < m_rows.size(); ++index) InsertItemOf(index);
    Thaw();
}

const ResultCells& CResultList::CellsOf(long row) const {
    if (row != m_cellsRow) {
        const ResultRecord* record = RecordOfRow(row);
        m_cells = record != nullptr ? DisplayCells(*record) : ResultCells{};
        m_matchCell = record != nullptr ? MatchCell(*record) : std::string();
        m_cellsRow = row;
    }
    return m_cells;
}

wxString CResultList::OnGetItemText(long item, long column) const {
    const ResultCells& cells = CellsOf(item);
    switch (column) {
        case 0:
            return U8(cells.name);
        case 1:
            return U8(cells.type);
        case 2:
            return U8(cells.folder);
        case 3:
            return U8(cells.size);
        case 4:
            return U8(cells.created);
        case 5:
            return U8(cells.modified);
        case 6:
            return U8(m_matchCell);
        default:
            return {};
    }
}

int CResultList::OnGetItemImage(long item) const {
    if (item < 0 || static_cast<size_t>(item) >= m_rows.size()) return -1;
    return m_rows[static_cast<size_t>(item)].slot;
}

namespace {

// About how wide a text shows, in half-width characters, counted from its
// bytes alone (formatting every cell would cost more than adding the row):
// in UTF-8 a character of several bytes counts two; in other text (CP932)
// each byte counts one, so a double-byte character counts two.
size_t WidthWeight(std::string_view text) {
    const bool utf8 = IsValidUtf8(text);
    size_t weight = 0;
    for (unsigned char byte : text) {
        if (!utf8 || byte < 0x80) {
            weight += 1;
        } else if (byte >= 0xC0) {
            weight += 2;
        }
    }
    return weight;
}

}  // namespace

void CResultList::NoteLongestCells(const ResultRecord& record) {
    // The row with the widest-looking cell stands for the batch: only its
    // cell is formatted and measured.
    const PathParts parts = SplitPath(record.shownPath);
    const size_t weights[] = {WidthWeight(parts.name), WidthWeight(parts.folder),
                              record.matchText.size() + 12};
    const int columns[] = {0, 2, 6};
    for (size_t k = 0; k < std::size(columns); ++k) {
        LongestCell& longest = m_longestCells[static_cast<size_t>(columns[k])];
        if (weights[k] > longest.weight) longest = {weights[k], &record};
    }
}

void CResultList::FitColumnsToLongestCells() {
    // Columns of texts of any length (name, folder, where it matched) widen
    // to show their longest cell whole; they never narrow, so a width the user
    // chose stays when it is wider. The name and folder columns leave room
    // for the start of the last column, where the drawing matched, so that it
    // stays in sight.
    const int margin = 2 * GetCharWidth() + 8;
    const int client = std::max(GetClientSize().GetWidth(), 1);
    const int lastColumn = static_cast<int>(m_longestCells.size()) - 1;
    const int matchRoom = GetTextExtent(U8(kMatchColumnHeader)).GetWidth() + 2 * margin;
    for (size_t column = 0; column < m_longestCells.size(); ++column) {
        LongestCell& longest = m_longestCells[column];
        if (longest.record == nullptr) continue;
        const int index = static_cast<int>(column);
        const int current = GetColumnWidth(index);
        const ResultCells cells = DisplayCells(*longest.record);
        const std::string text = column == 0   ? cells.name
                                 : column == 2 ? cells.folder
                                               : MatchCell(*longest.record);
        int width = GetTextExtent(U8(text)).GetWidth() + margin;
        if (column == 0) width += m_smallImages->GetSize().GetWidth() + 4;
        if (index == lastColumn) {
            width = std::min(width, client);
        } else {
            int others = 0;
            for (int k = 0; k < lastColumn; ++k) others += k == index ? 0 : GetColumnWidth(k);
            width = std::min(width, std::max(current, client - others - matchRoom));
        }
        if (width > current) {
            Fitted& fitted = m_fitted[column];
            if (fitted.width != current) fitted.before = current;
            SetColumnWidth(index, width);
            fitted.width = width;
        }
        longest = {};
    }
}

void CResultList::Clear() {
    DeleteAllItems();
    m_rows.clear();
    m_cellsRow = -1;
    for (LongestCell& longest : m_longestCells) longest = {};
    if (IsVirtual()) SetItemCount(0);
    // A new search's rows are in no column's order.
    m_sortColumn = -1;
    m_sortAscending = true;
    if (InReportView()) RemoveSortIndicator();
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

std::vector<const ResultRecord*> CResultList::SelectedRecords() const {
    std::vector<const ResultRecord*> records;
    for (long row = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); row != -1;
         row = GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
        records.push_back(RecordOfRow(row));
    }
    return records;
}

void CResultList::SelectRecords(const std::vector<const ResultRecord*>& records) {
    std::unordered_map<const ResultRecord*, long> rowOf;
    for (size_t index = 0; index < m_rows.size(); ++index) {
        rowOf.emplace(m_rows[index].record.get(), static_cast<long>(index));
    }
    for (const ResultRecord* record : records) {
        auto found = rowOf.find(record);
        if (found != rowOf.end()) {
            SetItemState(found->second, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        }
    }
}

void CResultList::Reorder(const std::function<bool(const Row&, const Row&)>& before) {
    std::vector<const ResultRecord*> selected = SelectedRecords();
    // The selection is the rows': it follows them to their new places.
    if (IsVirtual()) SetItemState(-1, 0, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    std::stable_sort(m_rows.begin(), m_rows.end(), before);
    ShowRowsAgain();
    SelectRecords(selected);
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

void CResultList::OpenSelectedFolders() { ShowInFileManager(SelectedPaths()); }

std::vector<const ResultRecord*> CResultList::AllRecords() const {
    std::vector<const ResultRecord*> records;
    for (const Row& row : m_rows) records.push_back(row.record.get());
    return records;
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
    Reorder([key](const Row& a, const Row& b) {
        return CompareResultRecords(*a.record, *b.record, key) < 0;
    });
    // The menu's order is none of the columns'.
    m_sortColumn = -1;
    if (InReportView()) RemoveSortIndicator();
}

void CResultList::SortByColumn(int column) {
    if (column < 0 || column >= kResultColumnCount) return;
    m_sortAscending = column == m_sortColumn ? !m_sortAscending : true;
    m_sortColumn = column;
    std::unordered_map<const ResultRecord*, ColumnSortKeys> keys;
    for (const Row& row : m_rows) keys.emplace(row.record.get(), MakeColumnSortKeys(*row.record));
    const auto order = static_cast<ResultColumn>(column);
    const bool ascending = m_sortAscending;
    Reorder([&keys, order, ascending](const Row& a, const Row& b) {
        const ResultRecord& x = *a.record;
        const ResultRecord& y = *b.record;
        int result = CompareForColumn(x, keys.at(&x), y, keys.at(&y), order);
        return ascending ? result < 0 : result > 0;
    });
    if (InReportView()) ShowSortIndicator(column, m_sortAscending);
}

void CResultList::SetViewMode(long mode) {
    if (ViewMode() == mode) return;
    if (InReportView()) m_columnWidths = ColumnWidths();
    // The details view is virtual and the others are not: the rows are
    // handed over again in the new view, in their order, with their
    // selection.
    std::vector<const ResultRecord*> selected = SelectedRecords();
    Freeze();
    if (IsVirtual()) {
        SetItemState(-1, 0, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
        SetItemCount(0);
    }
    DeleteAllItems();
    long style = GetWindowStyleFlag() &
                 ~(wxLC_ICON | wxLC_SMALL_ICON | wxLC_LIST | wxLC_REPORT | wxLC_VIRTUAL);
    SetWindowStyleFlag(style | mode | (mode == wxLC_REPORT ? wxLC_VIRTUAL : 0));
    ShowRowsAgain();
    SelectRecords(selected);
    if (InReportView()) {
        SetColumnWidths(m_columnWidths);
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

std::vector<int> CResultList::ChosenColumnWidths() const {
    std::vector<int> widths = ColumnWidths();
    if (!InReportView()) return widths;
    for (size_t column = 0; column < widths.size() && column < m_fitted.size(); ++column) {
        const Fitted& fitted = m_fitted[column];
        if (fitted.width >= 0 && widths[column] == fitted.width) widths[column] = fitted.before;
    }
    return widths;
}

long CResultList::RowAt(const wxPoint& point) const {
    // The rows lie in the list's main window, the largest of its children
    // (the header above it is a strip): the point is taken to its
    // coordinates.
    wxWindow* rows = nullptr;
    for (wxWindow* child : GetChildren()) {
        const wxSize size = child->GetSize();
        if (rows == nullptr || size.x * size.y > rows->GetSize().x * rows->GetSize().y)
            rows = child;
    }
    const wxPoint screen = ClientToScreen(point);
    if (rows == nullptr || !rows->GetScreenRect().Contains(screen)) return -1;
    int flags = 0;
    const long row = HitTest(rows->ScreenToClient(screen), flags);
    return (flags & wxLIST_HITTEST_ONITEM) != 0 ? row : -1;
}

void CResultList::SelectForContextMenu(const wxPoint& screenPosition) {
    const long row = RowAt(ScreenToClient(screenPosition));
    if (row < 0 || GetItemState(row, wxLIST_STATE_SELECTED) != 0) return;
    SetItemState(-1, 0, wxLIST_STATE_SELECTED);
    SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                 wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
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
void CResultList::OnOpenFolder(wxCommandEvent&) { OpenSelectedFolders(); }
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
    if (event.GetPosition() != wxDefaultPosition) SelectForContextMenu(event.GetPosition());
    wxMenu menu;
    menu.Append(ID_EDIT_COPY, U8("ｺﾋﾟｰ(&C)"));
    menu.Append(ID_OPEN_FILES, U8("ｱﾌﾟﾘｹｰｼｮﾝから開く(&O)"));
    menu.Append(ID_OPEN_FOLDER, U8("ﾌｫﾙﾀﾞを開く(&F)"));
    PopupMenu(&menu, ContextMenuPoint(event.GetPosition()));
}

#include "app/details_pane.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/dcbuffer.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <utility>

#include "app/desktop_open.h"
#include "app/dialog_units.h"
#include "app/place_path.h"
#include "app/resources.h"
#include "app/type_icon.h"
#include "platform/encoding.h"
#include "search/drawing_preview.h"
#include "search/extract_text.h"

namespace {

wxString U8(const std::string& text) { return wxString::FromUTF8(text); }
wxString U8(const char* text) { return wxString::FromUTF8(text); }

// The picture decoded by the toolkit's handlers: a bitmap given the 14-byte
// file header it is stored without, a PNG as it is.
wxImage DecodePreview(const DrawingPreview& preview) {
    wxLogNull quiet;  // a damaged picture is no picture, not a message box
    if (preview.format == PreviewFormat::Png) {
        wxMemoryInputStream stream(preview.bytes.data(), preview.bytes.size());
        return wxImage(stream, wxBITMAP_TYPE_PNG);
    }
    if (preview.format != PreviewFormat::Bmp) return {};
    std::optional<BitmapLayout> layout =
        ReadBitmapLayout({preview.bytes.data(), preview.bytes.size()});
    if (!layout) return {};
    // "BM", the file's size, two reserved words, the offset of the pixels.
    const uint32_t fileSize = static_cast<uint32_t>(14 + preview.bytes.size());
    const uint32_t pixelsAt = static_cast<uint32_t>(14 + layout->pixelsAt);
    std::vector<uint8_t> file = {'B', 'M'};
    for (uint32_t value : {fileSize, uint32_t{0}, pixelsAt}) {
        for (int shift = 0; shift < 32; shift += 8) file.push_back(uint8_t(value >> shift));
    }
    file.insert(file.end(), preview.bytes.begin(), preview.bytes.end());
    wxMemoryInputStream stream(file.data(), file.size());
    return wxImage(stream, wxBITMAP_TYPE_BMP);
}

bool HasPieces(const std::vector<KeywordList>& searches) {
    for (const KeywordList& search : searches) {
        for (const std::string& piece : search) {
            if (!piece.empty()) return true;
        }
    }
    return false;
}

wxString TimeText(int64_t seconds) {
    return wxDateTime(static_cast<time_t>(seconds)).Format("%Y/%m/%d %H:%M:%S");
}

// "12,345": thousands apart.
wxString Grouped(int64_t number) {
    const std::string digits = std::to_string(number);
    wxString grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0 && digits[i - 1] != '-') grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

}  // namespace

DrawingDetails ReadDrawingDetails(const std::string& path,
                                  const std::vector<KeywordList>& searches) {
    DrawingDetails details;
    if (ReadResult<DrawingPreview> preview = ReadDrawingPreview(path)) {
        details.preview = DecodePreview(*preview);
    } else {
        details.problem = preview.Error().reason;
        return details;
    }
    if (!HasPieces(searches)) return details;
    ExtractedText text;
    if (ReadResult<void> read = ExtractText(path, text); !read) {
        details.problem = read.Error().reason;
        return details;
    }
    details.lines = FindMatchedLines(text, searches, kDetailsLineLimit + 1);
    if (details.lines.size() > kDetailsLineLimit) {
        details.lines.resize(kDetailsLineLimit);
        details.moreLines = true;
    }
    return details;
}

// ---------------------------------------------------------------- CDetailsPane

wxBEGIN_EVENT_TABLE(CDetailsPane, wxPanel)
    EVT_BUTTON(wxID_OPEN, CDetailsPane::OnOpen)
    EVT_BUTTON(wxID_FILE, CDetailsPane::OnOpenFolder)
wxEND_EVENT_TABLE()

CDetailsPane::CDetailsPane(wxWindow* parent) : wxPanel(parent, wxID_ANY) {
    if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr) wxImage::AddHandler(new wxPNGHandler);
    m_preview = new CPreviewView(this);
    m_pathField =
        new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize, wxTE_READONLY);
    m_facts = new wxStaticText(this, wxID_ANY, wxString());
    m_open = new wxButton(this, wxID_OPEN, U8("開く"));
    m_openFolder = new wxButton(this, wxID_FILE, U8("ﾌｫﾙﾀﾞを開く"));
    m_lines = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                             wxTE_MULTILINE | wxTE_READONLY | wxTE_RICH2 | wxTE_DONTWRAP);
    m_open->Disable();
    m_openFolder->Disable();

    // The picture on the left, as tall as the pane; on its right the path
    // and the buttons, the facts, and the matched lines.
    const int side = ConvertDialogToPixels(wxSize(0, 80)).y;
    m_preview->SetMinSize(wxSize(side * 4 / 3, side));
    // The buttons share the path's row, so that the facts have the whole
    // width (beside the buttons the times were cut at a text scale of 1).
    auto* path = new wxBoxSizer(wxHORIZONTAL);
    path->Add(m_pathField, 1, wxALIGN_CENTER_VERTICAL);
    path->Add(m_open, 0, wxLEFT | wxALIGN_CENTER_VERTICAL, 4);
    path->Add(m_openFolder, 0, wxLEFT | wxALIGN_CENTER_VERTICAL, 4);
    auto* right = new wxBoxSizer(wxVERTICAL);
    right->Add(path, 0, wxEXPAND);
    right->Add(m_facts, 0, wxEXPAND | wxTOP, 4);
    right->Add(m_lines, 1, wxEXPAND | wxTOP, 4);
    auto* all = new wxBoxSizer(wxHORIZONTAL);
    all->Add(m_preview, 0, wxEXPAND);
    all->Add(right, 1, wxEXPAND | wxLEFT, 6);
    SetSizer(all);
}

CDetailsPane::~CDetailsPane() {
    // The reading ends first; what it hands back then finds the pane gone.
    if (m_reader.joinable()) m_reader.join();
    m_alive.reset();
}

void CDetailsPane::ShowDrawing(const std::optional<ResultRecord>& record,
                               const std::vector<KeywordList>& searches) {
    ++m_generation;
    m_searches = searches;
    m_lines->Clear();
    m_preview->SetPicture(wxImage());
    if (!record) {
        m_path.clear();
        m_pathField->ChangeValue(wxString());
        m_facts->SetLabel(wxString());
        m_preview->SetPlaceholder(wxBitmap());
        m_preview->SetNote(wxString());
        m_open->Disable();
        m_openFolder->Disable();
        return;
    }
    m_path = record->fullPath;
    m_pathField->ChangeValue(::ShownPath(m_path));
    m_facts->SetLabel(wxString::Format(U8("ｻｲｽﾞ %s ﾊﾞｲﾄ　作成日 %s　最終更新日 %s"),
                                       Grouped(record->size), TimeText(record->creationTime),
                                       TimeText(record->modificationTime)));
    m_preview->SetPlaceholder(DesktopTypeIcon(m_path, 32));
    m_preview->SetNote(U8("読み込み中..."));
    m_open->Enable();
    m_openFolder->Enable();
    Layout();
    if (!m_reading) StartReading();
}

bool CDetailsPane::IsReading() const { return m_reading; }

void CDetailsPane::StartReading() {
    if (m_reader.joinable()) m_reader.join();
    m_reading = true;
    m_readingGeneration = m_generation;
    std::weak_ptr<bool> alive = m_alive;
    m_reader =
        std::thread([this, alive, path = m_path, searches = m_searches, generation = m_generation] {
            DrawingDetails details = ReadDrawingDetails(path, searches);
            // Shown on the window's thread, and only while the pane lives.
            wxTheApp->CallAfter([this, alive, generation, details = std::move(details)]() mutable {
                if (alive.lock()) ShowDetails(generation, std::move(details));
            });
        });
}

void CDetailsPane::ShowDetails(uint64_t generation, DrawingDetails details) {
    m_reading = false;
    if (m_reader.joinable()) m_reader.join();
    if (generation != m_generation) {
        // Another drawing was chosen meanwhile: it is read now.
        if (!m_path.empty()) StartReading();
        return;
    }
    m_preview->SetPicture(details.preview);
    m_preview->SetNote(details.problem.empty() ? U8("ﾌﾟﾚﾋﾞｭｰなし")
                                               : U8("図面を読めません: " + details.problem));
    ShowLines(details);
}

void CDetailsPane::ShowLines(const DrawingDetails& details) {
    // Each line as "KIND: text", the pieces marked; the positions are
    // counted in characters, as the text field counts them.
    wxString text;
    struct Mark {
        long from, to;
    };
    std::vector<Mark> marks;
    for (const MatchedLine& line : details.lines) {
        if (!text.empty()) text += "\n";
        text += U8(std::string(TextKindName(line.kind))) + ": ";
        size_t at = 0;
        for (auto [first, last] : line.marks) {
            text += U8(Cp932ToUtf8(std::string_view(line.text).substr(at, first - at)));
            const long from = static_cast<long>(text.length());
            text += U8(Cp932ToUtf8(std::string_view(line.text).substr(first, last - first)));
            marks.push_back({from, static_cast<long>(text.length())});
            at = last;
        }
        text += U8(Cp932ToUtf8(std::string_view(line.text).substr(at)));
    }
    if (details.moreLines) {
        text += wxString::Format(U8("\n(ほかの行は省略しました。最初の %zu 行です)"),
                                 kDetailsLineLimit);
    }
    if (!details.problem.empty()) {
        text = U8("図面を読めません: " + details.problem);
    } else if (details.lines.empty()) {
        text = HasPieces(m_searches) ? U8("一致した行はありません") : U8("ｷｰﾜｰﾄﾞなしの検索です");
    }
    m_lines->ChangeValue(text);
    wxTextAttr marked;
    marked.SetBackgroundColour(wxColour(255, 230, 120));
    marked.SetTextColour(*wxBLACK);
    marked.SetFontWeight(wxFONTWEIGHT_BOLD);
    for (const Mark& mark : marks) m_lines->SetStyle(mark.from, mark.to, marked);
    m_lines->ShowPosition(0);
}

void CDetailsPane::OnOpen(wxCommandEvent&) {
    if (!m_path.empty()) OpenWithDesktop(m_path);
}

void CDetailsPane::OnOpenFolder(wxCommandEvent&) {
    if (!m_path.empty()) ShowInFileManager({m_path});
}

// ---------------------------------------------------------------- CPreviewView

wxBEGIN_EVENT_TABLE(CPreviewView, wxPanel)
    EVT_PAINT(CPreviewView::OnPaint)
    EVT_SIZE(CPreviewView::OnSize)
wxEND_EVENT_TABLE()

CPreviewView::CPreviewView(wxWindow* parent)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxBORDER_SUNKEN) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
}

void CPreviewView::SetPicture(const wxImage& picture) {
    m_picture = picture;
    m_scaled = wxBitmap();
    Refresh();
}

void CPreviewView::SetPlaceholder(const wxBitmap& typeIcon) {
    m_icon = typeIcon;
    Refresh();
}

void CPreviewView::SetNote(const wxString& note) {
    m_note = note;
    Refresh();
}

wxRect CPreviewView::PictureRect() const {
    const wxSize client = GetClientSize();
    if (!m_picture.IsOk() || client.x < 2 || client.y < 2) return {};
    // Scaled to fit, the shape kept; a small picture is not blown up past
    // twice its size.
    const double scale = std::min(
        {double(client.x) / m_picture.GetWidth(), double(client.y) / m_picture.GetHeight(), 2.0});
    const int width = std::max(1, int(m_picture.GetWidth() * scale));
    const int height = std::max(1, int(m_picture.GetHeight() * scale));
    return wxRect((client.x - width) / 2, (client.y - height) / 2, width, height);
}

void CPreviewView::OnSize(wxSizeEvent& event) {
    m_scaled = wxBitmap();
    Refresh();
    event.Skip();
}

void CPreviewView::OnPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    const bool picture = m_picture.IsOk();
    dc.SetBackground(picture ? *wxWHITE_BRUSH
                             : wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW)));
    dc.Clear();
    if (picture) {
        const wxRect rect = PictureRect();
        if (rect.IsEmpty()) return;
        if (!m_scaled.IsOk() || m_scaled.GetSize() != rect.GetSize()) {
            m_scaled = wxBitmap(m_picture.Scale(rect.width, rect.height, wxIMAGE_QUALITY_HIGH));
        }
        dc.DrawBitmap(m_scaled, rect.GetPosition());
        return;
    }
    const wxSize client = GetClientSize();
    int y = client.y / 2;
    if (m_icon.IsOk()) {
        dc.DrawBitmap(m_icon, (client.x - m_icon.GetWidth()) / 2, y - m_icon.GetHeight(), true);
        y += 4;
    }
    if (!m_note.empty()) {
        dc.SetFont(GetFont());
        dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT));
        const wxSize extent = dc.GetTextExtent(m_note);
        dc.DrawText(m_note, std::max(0, (client.x - extent.x) / 2), y);
    }
}

#pragma once

#include <wx/image.h>
#include <wx/panel.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "match/keywords.h"
#include "match/matched_lines.h"
#include "results/result_record.h"

class wxButton;
class wxStaticText;
class wxTextCtrl;
class CPreviewView;

// What the details pane shows of a drawing beside its record, read on a
// thread of its own.
struct DrawingDetails {
    // The picture the drawing keeps, decoded by the toolkit's image handlers
    // (invalid when it keeps none, or one that is damaged or too large).
    wxImage preview;
    // Every line that holds a piece of the searches, marks and all.
    std::vector<MatchedLine> lines;
    bool moreLines = false;  // lines past the limit were left out
    std::string problem;     // why the drawing could not be read; empty when it was
};

// Reads the drawing at `path`: its picture, and its lines again (the one
// drawing, never a search) to find those that hold a piece of `searches`.
// At most kLineLimit lines. Runs on any thread; never throws.
DrawingDetails ReadDrawingDetails(const std::string& path,
                                  const std::vector<KeywordList>& searches);
inline constexpr size_t kDetailsLineLimit = 500;

// The details pane under the result list: for the drawing chosen in the
// list, its picture (or its type's icon and 「ﾌﾟﾚﾋﾞｭｰなし」), its full path,
// size and times, buttons that open it and its folder, and every line that
// matched a keyword piece of the search and of the narrowing searches before
// it, the pieces marked. The drawing is read on a thread; a new choice
// while one is read waits for it and the latest wins.
class CDetailsPane : public wxPanel {
  public:
    explicit CDetailsPane(wxWindow* parent);
    ~CDetailsPane() override;

    // The drawing to show (nothing: the pane is emptied), and the keyword
    // pieces of the searches whose hits the list shows.
    void ShowDrawing(const std::optional<ResultRecord>& record,
                     const std::vector<KeywordList>& searches);

    // True while a drawing is being read.
    bool IsReading() const;
    // The path shown, native bytes (empty: none).
    const std::string& ShownPath() const { return m_path; }

    CPreviewView* Preview() const { return m_preview; }
    wxTextCtrl* PathField() const { return m_pathField; }
    wxStaticText* Facts() const { return m_facts; }
    wxTextCtrl* Lines() const { return m_lines; }
    wxButton* OpenButton() const { return m_open; }
    wxButton* OpenFolderButton() const { return m_openFolder; }

  private:
    void StartReading();
    void ShowDetails(uint64_t generation, DrawingDetails details);
    void ShowLines(const DrawingDetails& details);
    void OnOpen(wxCommandEvent& event);
    void OnOpenFolder(wxCommandEvent& event);

    CPreviewView* m_preview;
    wxTextCtrl* m_pathField;
    wxStaticText* m_facts;
    wxButton* m_open;
    wxButton* m_openFolder;
    wxTextCtrl* m_lines;

    std::string m_path;  // the drawing shown
    std::vector<KeywordList> m_searches;
    uint64_t m_generation = 0;  // raised with each drawing shown
    bool m_reading = false;     // a thread reads m_readingGeneration
    uint64_t m_readingGeneration = 0;
    std::thread m_reader;
    // Held while the pane lives: what the reading thread hands back is shown
    // only then.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);

    wxDECLARE_EVENT_TABLE();
};

// The picture area: the drawing's picture scaled to fit, centred, or the
// type's icon over 「ﾌﾟﾚﾋﾞｭｰなし」.
class CPreviewView : public wxPanel {
  public:
    explicit CPreviewView(wxWindow* parent);

    void SetPicture(const wxImage& picture);        // invalid: none
    void SetPlaceholder(const wxBitmap& typeIcon);  // shown when there is no picture
    bool HasPicture() const { return m_picture.IsOk(); }
    const wxImage& Picture() const { return m_picture; }
    // The text shown without a picture ("" while nothing is chosen).
    const wxString& Note() const { return m_note; }
    void SetNote(const wxString& note);
    // The rectangle the picture is drawn in at the view's size.
    wxRect PictureRect() const;

  private:
    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);

    wxImage m_picture;
    wxBitmap m_scaled;  // m_picture at PictureRect's size
    wxBitmap m_icon;
    wxString m_note;

    wxDECLARE_EVENT_TABLE();
};

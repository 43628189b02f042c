#include <gio/gio.h>
#include <wx/imaglist.h>
#include <wx/notebook.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "app/criteria_pages.h"
#include "app/display_text.h"
#include "app/ids.h"
#include "app/resources.h"
#include "app/type_icon.h"
#include "cache/text_cache.h"
#include "platform/encoding.h"
#include "results/result_record.h"
#include "search/drawing_types.h"
#include "tests/app/gui_support.h"
#include "tests/test_support.h"

using namespace gui_testing;
using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

// A drawing that stores `text` (UTF-8 here, CP932 in the file).
std::string Dxf(const std::string& text) {
    return testing_support::DxfWithTexts({Utf8ToCp932(text).value()});
}

void Write(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    WriteFileBytes(path, bytes);
}

class SearchFormTest : public FrameTest {
  protected:
    void SetCriteria(const wxString& place, const char* keyword) {
        view->NamePage()->PlaceField()->SetValue(place);
        view->NamePage()->KeywordField()->SetValue(U8(keyword));
    }
    // A folder of `count` drawings that all hold "plan".
    void MakeLargeTree(int count) {
        for (int i = 0; i < count; ++i) {
            Write(dir.path() / (std::to_string(10000 + i) + ".dxf"), Dxf("plan"));
        }
    }
    wxString Place() const { return wxString::FromUTF8(dir.path().string()); }
    // A folder as the rows show it: lower case.
    std::string ShownFolder(const std::string& sub) const {
        std::string folder = (dir.path() / sub).string() + "/";
        for (char& c : folder) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return folder;
    }

    TempDir dir;
};

std::vector<std::string> Names(const std::vector<std::string>& rows) {
    std::vector<std::string> names;
    for (const std::string& row : rows) names.push_back(row.substr(0, row.find('\t')));
    return names;
}

// True when the desktop's MIME database gives `name` the type `type`.
bool KnowsMimeType(const char* name, const char* type) {
    gboolean uncertain = FALSE;
    gchar* guess = g_content_type_guess(name, nullptr, 0, &uncertain);
    bool known = guess != nullptr && std::string(guess) == type;
    g_free(guess);
    return known;
}

bool SameImage(const wxBitmap& a, const wxBitmap& b) {
    wxImage x = a.ConvertToImage(), y = b.ConvertToImage();
    return x.GetSize() == y.GetSize() &&
           std::equal(x.GetData(), x.GetData() + x.GetWidth() * x.GetHeight() * 3, y.GetData());
}

}  // namespace

TEST_F(SearchFormTest, SearchListsTheHitsWithTheirCellsAndCount) {
    Write(dir.path() / "a.dxf", Dxf("plan"));
    Write(dir.path() / "b" / "c.DXF", Dxf("PLAN elevation"));
    Write(dir.path() / "b" / "e" / "f.dxf", Dxf("section"));
    Write(dir.path() / "z.dxf", Dxf("ｐｌａｎ"));
    SetCriteria(Place(), "plan");
    SearchAndWait();

    EXPECT_EQ(StatusText(), U8("3 枚見つかりました"));
    std::vector<std::string> rows = Rows();
    ASSERT_EQ(rows.size(), 3u);
    std::vector<std::string> names = Names(rows);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a", "c", "z"}));
    for (long row = 0; row < 3; ++row) {
        const ResultRecord* record = List()->RecordOfRow(row);
        ASSERT_NE(record, nullptr);
        ResultCells cells = FormatResultCells(*record);
        EXPECT_EQ(rows[row], cells.name + "\t" + cells.type + "\t" + cells.folder + "\t" +
                                 cells.size + "\t" + cells.created + "\t" + cells.modified + "\t" +
                                 MatchCell(*record));
        if (cells.name == "c") {
            // The cells show the lower-cased path; the record keeps the real one.
            EXPECT_EQ(cells.type, "dxf");
            EXPECT_EQ(cells.folder, ShownFolder("b"));
            EXPECT_EQ(record->fullPath, (dir.path() / "b" / "c.DXF").string());
        }
        EXPECT_EQ(view->ResultList()->GetItemText(row, 3).Right(2), "KB");
    }
}

TEST_F(SearchFormTest, TypeSlotTakesTheDesktopIconAndOthersKeepThePlaceholder) {
    Write(dir.path() / "a.dxf", Dxf("plan"));
    const int slots = List()->SmallImages()->GetImageCount();
    SetCriteria(Place(), "nothing here");
    SearchAndWait();
    EXPECT_EQ(StatusText(), U8("0 枚見つかりました"));
    wxBitmap placeholder = DocumentIcon(16);
    // The slot is loaded for the first dxf that is tested, hit or not.
    EXPECT_TRUE(SameImage(List()->SmallImages()->GetBitmap(0), placeholder));
    wxBitmap desktop = DesktopTypeIcon((dir.path() / "a.dxf").string(), 16);
    if (!desktop.IsOk()) GTEST_SKIP() << "this desktop has no icon for DXF drawings";
    EXPECT_TRUE(SameImage(List()->SmallImages()->GetBitmap(1), desktop));
    EXPECT_FALSE(SameImage(List()->SmallImages()->GetBitmap(1), placeholder));
    EXPECT_EQ(List()->SmallImages()->GetImageCount(), slots);  // replaced, not added
}

TEST_F(SearchFormTest, RefusedStartsShowTheirMessageAndKeepTheList) {
    Write(dir.path() / "a.dxf", Dxf("plan"));
    SetCriteria(Place(), "plan");
    SearchAndWait();
    ASSERT_EQ(Rows().size(), 1u);

    // Empty place and no types: the place message alone.
    for (int id :
         {IDC_TYPE_DXF, IDC_TYPE_DWG, IDC_TYPE_JW, IDC_TYPE_MCD, IDC_TYPE_DRACAD, IDC_TYPE_SXF}) {
        Click(view->TypePage()->Box(id));
    }
    SetCriteria("", "plan");
    Click(view->StartButton());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], U8("ファイルを検索する場所を指定してください"));
    EXPECT_EQ(captions[0], "Plotsieve");

    SetCriteria(Place(), "plan");
    Click(view->StartButton());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], U8("検索するファイルの種類を指定してください"));
    EXPECT_FALSE(view->IsSearching());
    Pump();
    EXPECT_EQ(Rows().size(), 1u);
}

TEST_F(SearchFormTest, NarrowingWithoutEarlierHitsIsRefusedAndTurnedOff) {
    SetCriteria(Place(), "plan");
    Click(view->NarrowBox());
    EXPECT_FALSE(view->NamePage()->PlaceField()->IsEditable());
    EXPECT_FALSE(view->NamePage()->SubfolderBox()->IsEnabled());
    Click(view->StartButton());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], U8("絞り込む対象のファイルがありません"));
    EXPECT_FALSE(view->NarrowBox()->GetValue());
    EXPECT_TRUE(view->NamePage()->PlaceField()->IsEditable());
    EXPECT_TRUE(view->NamePage()->SubfolderBox()->IsEnabled());
    EXPECT_EQ(view->NamePage()->PlaceValue(), Place());
}

TEST_F(SearchFormTest, WindowFaultsComeAfterTheRequestsRefusalsAndBeforeNothingToNarrow) {
    CPage3* sizes = view->SizePage();
    Click(sizes->MinBox());
    sizes->MinField()->SetValue("abc");

    // No place: the session's refusal, not the size field's fault.
    SetCriteria("", "plan");
    Click(view->StartButton());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], U8("ファイルを検索する場所を指定してください"));

    // Narrowing with nothing to narrow: the size field's fault first, and
    // narrowing stays on.
    SetCriteria(Place(), "plan");
    Click(view->NarrowBox());
    Click(view->StartButton());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[1].Find("abc"), wxNOT_FOUND);
    EXPECT_TRUE(view->NarrowBox()->GetValue());

    sizes->MinField()->SetValue("1");
    Click(view->StartButton());
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[2], U8("絞り込む対象のファイルがありません"));
    EXPECT_FALSE(view->NarrowBox()->GetValue());
    EXPECT_FALSE(view->IsSearching());
}

TEST_F(SearchFormTest, NarrowingWithASecondKeywordKeepsFilesHoldingBoth) {
    Write(dir.path() / "both.dxf", Dxf("平面図 立面図"));
    Write(dir.path() / "plan.dxf", Dxf("平面図"));
    Write(dir.path() / "elevation.dxf", Dxf("立面図"));
    SetCriteria(Place(), "平面図");
    SearchAndWait();
    std::vector<std::string> first = Names(Rows());
    std::sort(first.begin(), first.end());
    EXPECT_EQ(first, (std::vector<std::string>{"both", "plan"}));

    Click(view->NarrowBox());
    view->NamePage()->KeywordField()->SetValue(U8("立面図"));
    SearchAndWait();
    EXPECT_EQ(StatusText(), U8("1 枚見つかりました"));
    EXPECT_EQ(Names(Rows()), std::vector<std::string>{"both"});
    // A completed search turns narrowing mode off.
    EXPECT_FALSE(view->NarrowBox()->GetValue());
    EXPECT_TRUE(view->NamePage()->PlaceField()->IsEditable());
    EXPECT_TRUE(view->NamePage()->SubfolderBox()->IsEnabled());
    EXPECT_TRUE(messages.empty());
}

TEST_F(SearchFormTest, KeywordOutsideCp932IsRefusedAndWaveDashIsNot) {
    Write(dir.path() / "a.dxf", Dxf("1～2－3"));
    SetCriteria(Place(), "plan😀");
    Click(view->StartButton());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].Find(U8("😀")), wxNOT_FOUND);
    EXPECT_FALSE(view->IsSearching());
    EXPECT_EQ(StatusText(), U8("ﾚﾃﾞｨ"));

    // The full-width tilde and minus that Windows users type are CP932.
    view->NamePage()->KeywordField()->SetValue(U8("1～2－3"));
    SearchAndWait();
    EXPECT_EQ(StatusText(), U8("1 枚見つかりました"));
}

TEST_F(SearchFormTest, StartDuringASearchIsRefusedAndStopCancels) {
    MakeLargeTree(1500);
    SetCriteria(Place(), "plan");
    Click(view->StartButton());
    ASSERT_TRUE(view->IsSearching());
    Click(view->StartButton());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], U8("検索中です。先に検索中止で止めてください"));
    Click(view->StopButton());
    ASSERT_TRUE(
        RunUntil([this] { return view->IsIdle() && StatusText() == U8("処理はｷｬﾝｾﾙされました"); }));
    EXPECT_LT(Rows().size(), 1500u);

    // Stop while idle, then start: the search runs to its end.
    Click(view->StopButton());
    SearchAndWait();
    EXPECT_EQ(StatusText(), U8("1500 枚見つかりました"));
    EXPECT_EQ(Rows().size(), 1500u);
}

TEST_F(SearchFormTest, SizeLimitSetDuringASearchAppliesToTheRest) {
    MakeLargeTree(1500);
    SetCriteria(Place(), "plan");
    Click(view->StartButton());
    ASSERT_TRUE(view->IsSearching());
    // At least 1000 KB: none of the drawings not yet tested passes.
    view->SizePage()->MinField()->SetValue("1000");
    Click(view->SizePage()->MinBox());
    ASSERT_TRUE(RunUntil([this] { return view->IsIdle(); }));
    Pump();
    EXPECT_LT(Rows().size(), 1500u);
    EXPECT_EQ(StatusText(), wxString::Format(U8("%d 枚見つかりました"), int(Rows().size())));
}

TEST_F(SearchFormTest, ClosingTheWindowDuringASearchStopsTheWorker) {
    MakeLargeTree(1500);
    SetCriteria(Place(), "plan");
    Click(view->StartButton());
    ASSERT_TRUE(view->IsSearching());
    Pump();
    frame->Close(true);
    EXPECT_TRUE(RunUntil([] { return wxTopLevelWindows.empty(); }, 30));
    frame = nullptr;
}

TEST_F(SearchFormTest, KeywordHelpExplainsOrAndNarrowing) {
    auto* help = static_cast<wxButton*>(view->NamePage()->FindWindow(IDC_KEYWORD_HELP));
    ASSERT_NE(help, nullptr);
    Click(help);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(captions[0], U8("ｷｰﾜｰﾄﾞの入力方法"));
    EXPECT_EQ(messages[0],
              U8("複数の条件を指定する場合（OR条件のみ）、文字を半角の\"|\"で区切ってください。\n"
                 "AND 条件の検索をする場合１つの条件で検索後、絞込検索してください。"));
}

TEST_F(SearchFormTest, TypePageChoosesTheExtensionsSearched) {
    Write(dir.path() / "a.dxf", Dxf("plan"));
    Write(dir.path() / "b.jwc", "");
    Write(dir.path() / "c.jwk", "");
    SetCriteria(Place(), "");
    SearchAndWait();
    EXPECT_EQ(Rows().size(), 3u);

    Click(view->TypePage()->Box(IDC_TYPE_JW));
    EXPECT_EQ(view->TypePage()->TypeMask(), 0x177u);
    SearchAndWait();
    EXPECT_EQ(Names(Rows()), std::vector<std::string>{"a"});
}

TEST_F(SearchFormTest, CriteriaTheSearchCannotUseAreRefusedWithAMessage) {
    Write(dir.path() / "a.dxf", Dxf("plan"));
    SetCriteria(Place(), "plan");
    CPage3* sizes = view->SizePage();

    // A size field in use that holds no number: no limit would be applied.
    Click(sizes->MinBox());
    sizes->MinField()->SetValue("abc");
    Click(view->StartButton());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].Find("abc"), wxNOT_FOUND);
    EXPECT_FALSE(view->IsSearching());
    EXPECT_EQ(view->CriteriaSheet()->GetCurrentPage(), sizes);

    // A lower limit above the upper one: nothing could be found.
    sizes->MinField()->SetValue("50");
    Click(sizes->MaxBox());
    sizes->MaxField()->SetValue("10");
    Click(view->StartButton());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[1].Find("50 KB"), wxNOT_FOUND);
    EXPECT_NE(messages[1].Find("10 KB"), wxNOT_FOUND);
    EXPECT_FALSE(view->IsSearching());

    // A field not in use may hold anything; an upper limit of 0 is none.
    sizes->MaxField()->SetValue("0");
    Click(sizes->MinBox());
    sizes->MinField()->SetValue("abc");
    SearchAndWait();
    EXPECT_EQ(StatusText(), U8("1 枚見つかりました"));
    sizes->MinField()->SetValue("0");

    // A place that does not exist.
    SetCriteria(Place() + "/missing", "plan");
    Click(view->StartButton());
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_NE(messages[2].Find("missing"), wxNOT_FOUND);
    EXPECT_FALSE(view->IsSearching());
    EXPECT_EQ(Rows().size(), 1u);
    // Narrowing searches the last hits wherever the place points.
    Click(view->NarrowBox());
    SearchAndWait();
    EXPECT_EQ(StatusText(), U8("1 枚見つかりました"));
    EXPECT_EQ(messages.size(), 3u);
}

TEST_F(SearchFormTest, StatusTextsReachTheWindowAFewTensASecondAndTheEndAtOnce) {
    // Before the reports were gathered, each drawing's text queued up behind
    // the one before, and the window answered nothing until all were shown.
    MakeLargeTree(1500);
    SetCriteria(Place(), "nothing here");
    int shown = 0;
    frame->Bind(wxEVT_SEARCH_STATUS, [&shown](wxCommandEvent& event) {
        ++shown;
        event.Skip();
    });
    auto start = std::chrono::steady_clock::now();
    Click(view->StartButton());
    ASSERT_TRUE(RunUntil([this] { return view->IsIdle(); }));
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(StatusText(), U8("0 枚見つかりました"));
    // At most one text each interval, and the last one at once.
    EXPECT_LE(shown, 2 + elapsed / CPlotsieveView::kReportInterval);
    EXPECT_GE(shown, 1);
}

TEST_F(SearchFormTest, TheStatusBarCountsTheHitsSoFarWhileDrawingsAreTested) {
    for (int i = 0; i < 1500; ++i) {
        Write(dir.path() / (std::to_string(1000 + i) + ".dxf"), Dxf(i % 3 == 0 ? "plan" : "none"));
    }
    SetCriteria(Place(), "plan");
    std::vector<wxString> texts;
    frame->Bind(wxEVT_SEARCH_STATUS, [&texts](wxCommandEvent& event) {
        texts.push_back(event.GetString());
        event.Skip();
    });
    // A progress text reaches the window only when the search outlasts the
    // first wake of the window; on a busy machine a search may end before
    // it, so the search runs again (a few times at most) until one did.
    int progress = 0;
    for (int attempt = 0; attempt < 5 && progress == 0; ++attempt) {
        texts.clear();
        SearchAndWait();
        EXPECT_EQ(StatusText(), U8("500 枚見つかりました"));
        // Each progress text counts the hits so far, never more than the
        // tested drawings, and never fewer than before.
        long last = 0;
        for (const wxString& text : texts) {
            if (!text.StartsWith(U8("検索中--- "))) continue;
            ++progress;
            long count = 0, tested = 0, hits = 0;
            ASSERT_EQ(
                std::sscanf(text.utf8_string().c_str(), "検索中--- %ld 枚中 %ld 枚目 (%ld 枚一致)",
                            &count, &tested, &hits),
                3)
                << text;
            EXPECT_EQ(count, 1500);
            EXPECT_LE(hits, tested);
            EXPECT_GE(hits, last);
            last = hits;
        }
        EXPECT_LE(last, 500);
    }
    EXPECT_GE(progress, 1);
}

TEST_F(SearchFormTest, ManyHitsArriveInBatchesInHitOrderAndStopStillActs) {
    MakeLargeTree(2500);
    SetCriteria(Place(), "plan");
    SearchAndWait();
    ASSERT_EQ(Rows().size(), 2500u);
    // One folder, walked in its listing's order: the names show that order
    // whatever it is, with each drawing once.
    std::vector<std::string> names = Names(Rows());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::unique(names.begin(), names.end()), names.end());
    EXPECT_EQ(StatusText(), U8("2500 枚見つかりました"));

    // A stop while rows are still being added ends the search with its text.
    Click(view->StartButton());
    ASSERT_TRUE(RunUntil([this] { return Rows().size() > 0 || view->IsIdle(); }));
    Click(view->StopButton());
    ASSERT_TRUE(RunUntil([this] { return view->IsIdle(); }));
    EXPECT_TRUE(StatusText() == U8("処理はｷｬﾝｾﾙされました") ||
                StatusText() == U8("2500 枚見つかりました"));
}

TEST_F(SearchFormTest, EveryDrawingTypeHasAnIconOfItsOwn) {
    // DXF and DWG shared the theme's one icon for images.
    for (int size : {16, 32}) {
        std::vector<wxBitmap> icons;
        for (const DrawingType& type : DrawingTypes()) {
            wxBitmap icon = DesktopTypeIcon("/x/a." + std::string(type.extension), size);
            ASSERT_TRUE(icon.IsOk()) << type.extension;
            EXPECT_EQ(icon.GetSize(), wxSize(size, size));
            icons.push_back(icon);
        }
        const std::vector<DrawingType> types(DrawingTypes().begin(), DrawingTypes().end());
        for (size_t a = 0; a < icons.size(); ++a) {
            for (size_t b = a + 1; b < icons.size(); ++b) {
                // The types of one group (jwc, jwk, jww) share their icon.
                if (types[a].typeBit == types[b].typeBit) continue;
                if (types[a].ownIcon == types[b].ownIcon && !types[a].ownIcon.empty()) continue;
                EXPECT_FALSE(SameImage(icons[a], icons[b]))
                    << types[a].extension << " and " << types[b].extension << " at " << size;
            }
        }
    }
}

TEST_F(SearchFormTest, TypesTheDesktopDoesNotKnowShowTheProgramsOwnIcons) {
    Write(dir.path() / "a.jwc", "");
    SetCriteria(Place(), "");
    SearchAndWait();
    ASSERT_EQ(Rows().size(), 1u);
    wxBitmap own = OwnTypeIcon(FindDrawingType("jwc")->ownIcon, 16);
    ASSERT_TRUE(own.IsOk());
    EXPECT_FALSE(SameImage(own, DocumentIcon(16)));
    // Slot 2: JW_CAD. The desktop's own icon, where it knows the type.
    wxBitmap shown = List()->SmallImages()->GetBitmap(2);
    EXPECT_FALSE(SameImage(shown, DocumentIcon(16)));
    if (!KnowsMimeType("a.jwc", "application/x-jwcad")) {
        EXPECT_TRUE(SameImage(shown, own));
    }
    // *.mpp is audio to the stock database; a drawing gets its own icon.
    if (!KnowsMimeType("a.mpp", "application/x-dracad")) {
        EXPECT_TRUE(SameImage(DesktopTypeIcon("/x/a.mpp", 32),
                              OwnTypeIcon(FindDrawingType("mpp")->ownIcon, 32)));
    }
}

TEST_F(SearchFormTest, TheCacheMenuKeepsReusesAndClearsTheText) {
    Write(dir.path() / "a.dxf", Dxf("plan"));
    Write(dir.path() / "b.dxf", Dxf("elevation"));
    std::string file = DefaultTextCachePath();
    ASSERT_FALSE(file.empty());
    auto command = [this](int id, bool checked = false) { MenuCommand(id, checked ? 1 : 0); };
    auto stats = [&file] {
        TextCacheStats figures;
        EXPECT_TRUE(TextCache::ReadStats(file, figures));
        return figures;
    };

    EXPECT_TRUE(view->UsesCache());  // on by default
    command(ID_CLEAR_CACHE);         // the tests before this one searched with it too
    SetCriteria(Place(), "plan");
    SearchAndWait();
    SearchAndWait();
    EXPECT_EQ(Rows().size(), 1u);
    EXPECT_EQ(stats().rows, 2);
    EXPECT_EQ(stats().lastHits, 2);  // the repeat read nothing

    command(ID_CLEAR_CACHE);
    EXPECT_EQ(stats().rows, 0);
    EXPECT_TRUE(messages.empty());

    command(ID_USE_CACHE, false);
    EXPECT_FALSE(view->UsesCache());
    SearchAndWait();
    EXPECT_EQ(Rows().size(), 1u);
    EXPECT_EQ(stats().rows, 0);  // nothing kept without the cache
    command(ID_USE_CACHE, true);
    EXPECT_TRUE(view->UsesCache());
}

// A cache an office builds with index --cache FILE: read through the ﾌｧｲﾙ
// menu's setting, never written, kept between runs; a file that is not
// there is refused with its name.
TEST_F(SearchFormTest, ASharedCacheIsReadButNeverWritten) {
    Write(dir.path() / "a.dxf", Dxf("plan"));
    Write(dir.path() / "b.dxf", Dxf("elevation"));
    const std::string own = DefaultTextCachePath();
    ASSERT_FALSE(own.empty());
    MenuCommand(ID_CLEAR_CACHE, 0);
    SetCriteria(Place(), "plan");
    SearchAndWait();
    SearchAndWait();  // the first search's filling is done by now
    const std::filesystem::path shared = dir.path() / "shared.sqlite";
    std::filesystem::copy_file(own, shared);
    MenuCommand(ID_CLEAR_CACHE, 0);

    EXPECT_FALSE(frame->SetSharedCache(U8("/no/such/cache.sqlite")));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].Find("/no/such/cache.sqlite"), wxNOT_FOUND);
    ASSERT_TRUE(frame->SetSharedCache(" " + wxString::FromUTF8(shared.string()) + " "));
    const std::string before = ReadFileBytes(shared);
    Write(dir.path() / "c.dxf", Dxf("plan B"));  // not in the shared cache
    SearchAndWait();
    EXPECT_EQ(Rows().size(), 2u);
    TextCacheStats figures;
    ASSERT_TRUE(TextCache::ReadStats(own, figures));
    EXPECT_EQ(figures.rows, 0);                // the user's own cache is left alone
    EXPECT_EQ(ReadFileBytes(shared), before);  // and the shared one unchanged

    frame->Close(true);
    RunUntil([] { return wxTopLevelWindows.empty(); }, 30);
    frame = new CMainFrame;
    view = frame->View();
    EXPECT_EQ(view->SharedCache(), shared.string());
    EXPECT_TRUE(frame->SetSharedCache(""));
    EXPECT_EQ(view->SharedCache(), "");
}

// The window and the office index: a place below a mapped root is searched
// through the index (what was saved since its last scan is not found), the
// status bar says how fresh it is, a server that is down gives a message
// box, and the setting is kept between runs.
#include <wx/textctrl.h>

#include "app/criteria_pages.h"
#include "app/office_index_dialog.h"
#include "index/indexer.h"
#include "index/schema.h"
#include "platform/encoding.h"
#include "tests/app/gui_support.h"
#include "tests/index/pg_server.h"
#include "tests/test_support.h"

using namespace gui_testing;
using testing_support::DxfWithTexts;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

std::string Dxf(const char* utf8) { return DxfWithTexts({Utf8ToCp932(utf8).value()}); }

class SilentReport : public IndexerReport {
  public:
    void Progress(const std::string&, const ScanCounts&) override {}
    void Skipped(const std::string&, const std::string&) override {}
};

class OfficeIndexTest : public FrameTest {
  protected:
    void Search(const std::string& place, const char* keyword) {
        view->NamePage()->PlaceField()->SetValue(wxString::FromUTF8(place));
        view->NamePage()->KeywordField()->SetValue(U8(keyword));
        SearchAndWait();
    }
    TempDir dir;
};

}  // namespace

TEST_F(OfficeIndexTest, APlaceBelowAMappedRootIsSearchedThroughTheIndex) {
    TestPgServer* server = TestPgServer::Shared();
    ASSERT_NE(server, nullptr);
    const std::string target = server->NewDatabase();
    // The server's tree at srv/, seen by this machine at mnt/.
    const std::string srv = (dir.path() / "srv").string();
    const std::string mnt = (dir.path() / "mnt").string();
    std::filesystem::create_directories(srv + "/sub");
    WriteFileBytes(srv + "/a.dxf", Dxf("平面図"));
    WriteFileBytes(srv + "/sub/b.dxf", Dxf("配置図"));
    std::filesystem::create_directory_symlink(srv, mnt);
    {
        DbResult<std::unique_ptr<PgConnection>> connection = PgConnection::Connect(target);
        ASSERT_TRUE(connection);
        ASSERT_TRUE(MigrateIndexSchema(**connection));
        SilentReport report;
        std::atomic<bool> cancel{false};
        Indexer indexer(**connection, {}, report, cancel);
        ASSERT_TRUE(indexer.ScanRoot(srv));
    }
    // The rows of a search reading the drawings, before anything changes.
    Search(mnt, "図");
    const std::vector<std::string> read = Rows();
    ASSERT_EQ(read.size(), 2u);

    frame->SetOfficeIndex({wxString::FromUTF8(target), wxString::FromUTF8(srv + "=" + mnt)});
    WriteFileBytes(srv + "/new.dxf", Dxf("立面図"));  // saved after the index's scan
    Search(mnt, "図");
    EXPECT_EQ(Rows(), read);
    EXPECT_EQ(StatusText(), U8("2 枚見つかりました"));
    EXPECT_TRUE(frame->GetStatusBar()->GetStatusText(1).StartsWith(U8("ｵﾌｨｽ索引: ")));
    EXPECT_TRUE(frame->GetStatusBar()->GetStatusText(1).EndsWith(U8(" 現在")));
    // Narrowing narrows the index's hits.
    Click(view->NarrowBox());
    view->NamePage()->KeywordField()->SetValue(U8("配置"));
    SearchAndWait();
    ASSERT_EQ(Rows().size(), 1u);
    EXPECT_EQ(Rows()[0], read[1]);
    // A place outside the map is read as before: the drawing saved since is found.
    Search(dir.path().string(), "立面図");
    EXPECT_EQ(Rows().size(), 1u);
    EXPECT_TRUE(messages.empty());
}

TEST_F(OfficeIndexTest, AServerThatIsDownGivesAMessageBox) {
    const std::string place = dir.path().string();
    WriteFileBytes(dir.path() / "a.dxf", Dxf("平面図"));
    frame->SetOfficeIndex({"postgresql://reader@127.0.0.1:1/plotsieve",
                           wxString::FromUTF8("/srv/drawings=" + place)});
    Search(place, "平面図");
    ASSERT_TRUE(RunUntil([this] { return !messages.empty(); }, 30));
    EXPECT_TRUE(messages[0].StartsWith(U8("ｵﾌｨｽ索引で検索できません。"))) << messages[0];
    EXPECT_EQ(StatusText(), U8("処理はｷｬﾝｾﾙされました"));
    EXPECT_EQ(List()->GetItemCount(), 0);
}

TEST_F(OfficeIndexTest, TheSettingIsKeptBetweenRunsAndABadMapLineIsRefused) {
    OfficeIndexChoice choice{"postgresql://reader@server/plotsieve",
                             "/srv/a=/mnt/a\n\n/srv/b=/home/me/b\n"};
    frame->SetOfficeIndex(choice);
    frame->Close(true);
    RunUntil([] { return wxTopLevelWindows.empty(); }, 30);
    frame = new CMainFrame;
    view = frame->View();
    EXPECT_EQ(frame->OfficeIndex().connection, choice.connection);
    EXPECT_EQ(frame->OfficeIndex().rootMap, choice.rootMap);
    EXPECT_TRUE(view->OfficeIndex().Covers("/home/me/b/x"));
    EXPECT_FALSE(view->OfficeIndex().Covers("/home/me"));

    OfficeIndexChoice edited = choice;
    COfficeIndexDialog dialog(frame, edited);
    dialog.TransferDataToWindow();
    dialog.RootMapField()->SetValue("/srv/a=/mnt/a\nnot a mapping");
    EXPECT_FALSE(dialog.TransferDataFromWindow());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].Find("not a mapping"), wxNOT_FOUND);
    EXPECT_EQ(edited.rootMap, choice.rootMap);
    dialog.RootMapField()->SetValue("/srv/c=/mnt/c");
    dialog.ConnectionField()->SetValue(" host=/run/postgresql dbname=plotsieve ");
    EXPECT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_EQ(edited.connection, "host=/run/postgresql dbname=plotsieve");
    EXPECT_EQ(edited.rootMap, "/srv/c=/mnt/c");
}

#include "app/desktop_open.h"

#include <wx/app.h>
#include <wx/process.h>
#include <wx/utils.h>

#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include "app/display_text.h"
#include "app/message_box.h"
#include "platform/file_status.h"

namespace {

constexpr const char* kOpener = "xdg-open";

OpenHook& Hook() {
    static OpenHook hook;
    return hook;
}

void ShowOpenFailure(const std::string& path, int status) {
    ShowMessage(wxTheApp != nullptr ? wxTheApp->GetTopWindow() : nullptr,
                wxString::FromUTF8(OpenFailureMessage(path, status)));
}

// The opener's full path from PATH, or empty.
std::string FindOpener() {
    const char* searchPath = std::getenv("PATH");
    std::string_view folders = searchPath != nullptr ? searchPath : "/usr/bin:/bin";
    while (true) {
        size_t colon = folders.find(':');
        std::string folder(folders.substr(0, colon));
        if (folder.empty()) folder = ".";
        std::string candidate = folder + "/" + kOpener;
        ReadResult<FileStatus> status = ReadFileStatus(candidate);
        if (status && !status->isFolder) return candidate;
        if (colon == std::string_view::npos) return {};
        folders.remove_prefix(colon + 1);
    }
}

// Watches one opener and reports its failure when it ends.
class OpenerProcess : public wxProcess {
  public:
    explicit OpenerProcess(std::string path) : m_path(std::move(path)) {}

    void OnTerminate(int, int status) override {
        // The toolkit reports a program it could not start as status 255.
        if (status != 0) ShowOpenFailure(m_path, status == 255 ? kOpenerNotRun : status);
        delete this;
    }

  private:
    std::string m_path;
};

}  // namespace

std::string OpenFailureMessage(const std::string& path, int status) {
    std::string message = "「" + DisplayPath(path) + "」を開けませんでした。\n";
    switch (status) {
        case kOpenerNotRun:
            return message +
                   "既定のプログラムで開くための xdg-open が見つかりません。"
                   "xdg-utils をインストールしてください。";
        case 2:
            return message + "ファイルが見つかりません。";
        case 3:
            return message + "この種類のファイルを開くプログラムが登録されていません。";
        default:
            return message + "開くプログラムを起動できませんでした (xdg-open の終了コード " +
                   std::to_string(status) + ")。";
    }
}

bool OpenWithDesktop(const std::string& path) {
    if (Hook()) {
        Hook()(path);
        return true;
    }
    std::string opener = FindOpener();
    if (opener.empty()) {
        ShowOpenFailure(path, kOpenerNotRun);
        return false;
    }
    // The bytes go to the opener as they are: a name that is not UTF-8 opens
    // too. A relative path would be taken for an option if it began with "-".
    std::string argument = path.empty() || path[0] == '/' ? path : "./" + path;
    std::vector<char*> argv = {opener.data(), argument.data(), nullptr};
    auto* process = new OpenerProcess(path);
    if (wxExecute(argv.data(), wxEXEC_ASYNC, process) <= 0) {
        delete process;
        ShowOpenFailure(path, kOpenerNotRun);
        return false;
    }
    return true;
}

void SetOpenHook(OpenHook hook) { Hook() = std::move(hook); }
